#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>

#include <vector>

#include "engine/RunList.h"
#include "store/StoreEntry.h"

namespace korvi {

// What a run journal holds: the run's own values (profile, words, ...), the
// last record of every row, in row-number order, and whether the run ended.
struct JournalData {
    QList<QPair<QString, QString>> values;
    std::vector<RunRow> rows;
    bool ended = false;
    QString Value(const QString& key) const;
    QStringList Values(const QString& key) const;
};

// The record of one run in its run folder: every row as it is added and as it
// ends, appended line by line. Lines are collected and written in small
// batches; each line carries its own check sum, so a torn or damaged tail
// (a crash during a write) is ignored when the journal is read back.
class RunJournal {
public:
    static inline const QString kFileName = QString::fromLatin1(kRunJournalFile);
    // Records kept in memory before they are written.
    static constexpr int kBatch = 32;

    RunJournal() = default;
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Starts the journal of folder afresh (replacing any old one whole) with
    // the run's values and the rows it starts from; false when it cannot be
    // written (the run then goes on without one).
    bool Begin(const QString& folder, const QList<QPair<QString, QString>>& values,
               const std::vector<RunRow>& rows);
    bool IsOpen() const;
    // A row as it is now (added, ended or reset).
    void Row(const RunRow& row);
    // Writes what is collected.
    void Flush();
    // Writes the end record and closes the journal.
    void End();
    // Closes without an end record (the run stays resumable).
    void Close();

    // Reads a journal; false when there is none or its first line is no
    // journal header.
    static bool Read(const QString& folder, JournalData* out);
    // True when folder holds a journal without an end record and no live
    // process holds the run's lock.
    static bool Interrupted(const QString& folder);

    // One line of a record (with its check sum and the line end), and its
    // fields back; false for a line that is torn or damaged.
    static QByteArray Line(const QStringList& fields);
    static bool ParseLine(const QByteArray& line, QStringList* fields);

private:
    void WriteLocked();

    mutable QMutex mutex_;
    int fd_ = -1;
    QByteArray pending_;
    int pending_records_ = 0;
};

}  // namespace korvi
