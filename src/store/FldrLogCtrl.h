#pragma once

#include <QString>
#include <QStringList>

#include "shell/UserMessage.h"
#include "store/FolderService.h"

namespace korvi {

class CtrlFile;

// A checked request of the folder-operations window. When refusal is set the
// window shows it and stops; otherwise it asks confirm (when set) as a yes/no
// question and on "yes" runs the operation.
struct FldrPlan {
    UserMessage refusal;
    UserMessage confirm;
    QStringList sources;  // entry names below the download root
    QString target;       // merge target entry name
    QString path;         // open / copy: absolute path of the selected folder
    bool all = false;     // delete all / merge all

    bool Ok() const { return refusal.IsEmpty(); }
};

struct FldrReport {
    bool ok = false;
    UserMessage message;
    FldrCounts counts;
};

// The rules of the folder-operations window (delete, delete all, open, copy,
// merge, merge all) over the entries of the download root, with the exact
// confirmation and report texts. Holds no state of its own.
class FldrLogCtrl {
public:
    static inline const QString kStock = QStringLiteral("stock");
    static inline const QString kOpenErrPrefix =
        QStringLiteral("W_COpt Log Open Button Exec Error : ");

    FldrLogCtrl(CtrlFile& ctrl, FolderService& fs);

    // The entries of the download root in name order (both lists show them).
    QStringList Entries() const;

    FldrPlan PlanDel(const QStringList& selected) const;
    FldrPlan PlanDelAll() const;
    FldrReport RunDel(const FldrPlan& plan);  // both delete and delete all

    FldrPlan PlanOpen(const QStringList& selected) const;

    FldrPlan PlanCopy(const QStringList& selected) const;
    FldrReport RunCopy(const FldrPlan& plan, const QString& destination);

    FldrPlan PlanCmb(const QStringList& sources, const QString& target) const;
    FldrPlan PlanCmbAll(const QString& target) const;
    FldrReport RunCmb(const FldrPlan& plan);  // both merge and merge all

    // How a list of folder names appears inside the texts.
    static QString JoinNames(const QStringList& names);
    // The report lines of one group of counts: "・削除ディレクトリ数\t： 3 個\n" ...
    static QString CountLines(const QString& kind, qint64 dirs, qint64 files, qint64 bytes);

private:
    // Absolute path of an entry when the name is a plain entry name and the
    // entry exists below the root; "" otherwise.
    QString EntryPath(const QString& name) const;
    QString RootPath() const;

    CtrlFile& ctrl_;
    FolderService& fs_;
};

}  // namespace korvi
