#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <mutex>

namespace korvi {

class Clock;
class CtrlFile;

// The schedule table: one row of nine cells per schedule, stored as one
// settings file per row in the folder "schedule". The resident loop reads
// the table while the panel edits it, so every access takes the lock.
class KorviSchd {
public:
    enum Col { kName = 0, kEnable, kWeek, kDay, kHour, kMinute, kOption, kAction, kView, kCols };

    static const QString kWild;    // "**"
    static const QString kFolder;  // "schedule"

    static const QStringList& Headers();
    static const QStringList& Keys();  // stored keys in column order
    // The fixed choice lists; entry 0 of the first four is the wildcard.
    static const QStringList& WeekTbl();
    static const QStringList& DayTbl();
    static const QStringList& HourTbl();
    static const QStringList& MinuteTbl();
    static const QStringList& ActionTbl();
    static const QStringList& ViewTbl();

    // A new row: the default name, wildcards, "DL", "表示".
    static QStringList NewRow();

    // Replaces [year] [month] [day] [hour] [min] [sec] by the JST time.
    static QString ChngSchdName(const QString& name, const Clock& clock);

    explicit KorviSchd(CtrlFile& ctrl) : ctrl_(ctrl) {}

    // Loads every file of the folder with a non-empty name (InitLstData).
    void InitLstData();
    // Empties the folder and writes each row as 00000000.ini, 00000001.ini, ...
    bool SaveLstData();

    QList<QStringList> Rows() const;
    void SetRows(const QList<QStringList>& rows);
    void AddRow(const QStringList& row);
    // Copies the row after itself; false when there is no such row.
    bool CopyRow(int i);
    bool DelRow(int i);
    int Count() const;

private:
    CtrlFile& ctrl_;
    mutable std::mutex mutex_;
    QList<QStringList> rows_;
};

}  // namespace korvi
