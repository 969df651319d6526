#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>

#include "shell/UserMessage.h"

namespace korvi {

class CtrlFile;

// How one search text is matched.
struct RepOptions {
    bool regex = false;
    bool case_insensitive = false;

    bool operator==(const RepOptions&) const = default;
};

// One line of a replace batch file.
struct RepBatchLine {
    QString search;
    QString replacement;
    RepOptions options;

    bool operator==(const RepBatchLine&) const = default;
};

// The text cells of the list rows the replace dialog works on.
using RepRows = QList<QStringList>;
// Progress of a batch, 0..100.
using RepProgressFn = std::function<void(int percent)>;

// The replacing of the replace dialog. A literal search text replaces its
// occurrences by the replacement as written; a regular expression replaces
// its matches, where "$n" and "${name}" in the replacement stand for a group
// and "\" takes the next character literally.
class RepEngine {
public:
    explicit RepEngine(CtrlFile& ctrl) : ctrl_(ctrl) {}

    // Prepares the pair. False when there is nothing to replace: an empty
    // search text, or a pattern that does not compile (logged as
    // "DlgRep RepList Regex Error : ").
    bool SetReg(const QString& search, const QString& replacement, const RepOptions& options);
    // Replaces every match in one text and adds their number to *count. A
    // replacement that refers to a group the pattern lacks is logged
    // ("DlgRep RepStr Regex Error : ") and leaves the text unchanged.
    QString RepStr(const QString& text, int* count = nullptr);
    // True when the last RepStr failed.
    bool Failed() const { return failed_; }

    // Replaces the prepared pair in the rows in scope; the number of
    // replacements. Stops at the first failing text, whose row stays as it was.
    int RepList(RepRows& rows, const QList<int>& selected);
    // Applies every line of a batch file, in file order, to the rows in scope;
    // the number of replacements. A line whose pattern does not compile is
    // logged and skipped.
    int RepList2(RepRows& rows, const QList<int>& selected, const QString& batchPath,
                 const RepProgressFn& progress = {});

    // The rows worked on: the selected ones (in row order) when more than one
    // is selected, else every row.
    static QList<int> Scope(int rowCount, const QList<int>& selected);
    // Lines split at line feeds, fields at TABs: search text, replacement,
    // options ("!r" regular expression, "!i" case-insensitive). Lines without
    // a search text are left out.
    static QList<RepBatchLine> ParseBatch(const QString& text);
    // "置換結果": "置換数は、「 n 」でした。"
    static UserMessage ResultMessage(int count);
    // The title while a batch runs: title + " （ " + percent + " ％ 置換進行）".
    static QString ProgressTitle(const QString& title, int percent);

private:
    int ApplyToRows(RepRows& rows, const QList<int>& scope);

    CtrlFile& ctrl_;
    QString search_;
    QString replacement_;
    RepOptions options_;
    QRegularExpression re_;
    bool ready_ = false;
    bool failed_ = false;
};

}  // namespace korvi
