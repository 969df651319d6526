#include "store/FldrLogCtrl.h"

#include <QFileInfo>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kNone = QStringLiteral("「DL先フォルダ」がありません。");
const QString kNoneToMerge = QStringLiteral("統合する「DL先フォルダ」がありません。");

bool PlainName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(u'/') && !name.contains(QChar(0));
}

FldrPlan Refuse(const QString& title, const QString& text) {
    FldrPlan p;
    p.refusal = {title, text};
    return p;
}

}  // namespace

FldrLogCtrl::FldrLogCtrl(CtrlFile& ctrl, FolderService& fs) : ctrl_(ctrl), fs_(fs) {}

QString FldrLogCtrl::RootPath() const {
    return ctrl_.Abs(ctrl_.LogRoot());
}

QStringList FldrLogCtrl::Entries() const {
    return fs_.LsDir(RootPath());
}

QString FldrLogCtrl::EntryPath(const QString& name) const {
    if (!PlainName(name)) return QString();
    const QString path = RootPath() + u'/' + name;
    const QFileInfo fi(path);
    return (fi.exists() || fi.isSymLink()) ? path : QString();
}

QString FldrLogCtrl::JoinNames(const QStringList& names) {
    return names.join(u'、');
}

QString FldrLogCtrl::CountLines(const QString& kind, qint64 dirs, qint64 files, qint64 bytes) {
    return QStringLiteral("・") + kind + QStringLiteral("ディレクトリ数\t： ") +
           QString::number(dirs) + QStringLiteral(" 個\n・") + kind +
           QStringLiteral("ファイル数\t： ") + QString::number(files) + QStringLiteral(" 個\n・") +
           kind + QStringLiteral("ファイル・サイズ\t： ") + QString::number(bytes / 1000) +
           QStringLiteral(" KB\n");
}

FldrPlan FldrLogCtrl::PlanDel(const QStringList& selected) const {
    const QString title = QStringLiteral("DL先フォルダ削除");
    if (selected.isEmpty())
        return Refuse(title, QStringLiteral("削除する「DL先フォルダ」がありません。"));
    for (const QString& name : selected) {
        if (!PlainName(name)) {
            return Refuse(title, QStringLiteral("削除する「DL先フォルダ」がありません。"));
        }
    }
    FldrPlan p;
    p.sources = selected;
    p.confirm = {QStringLiteral("削除確認"),
                 QStringLiteral("「") + JoinNames(selected) +
                     QStringLiteral("」の「DL先フォルダ」を削除しようとしています。\n") +
                     QStringLiteral("削除してもよいですか？\n")};
    return p;
}

FldrPlan FldrLogCtrl::PlanDelAll() const {
    FldrPlan p;
    p.all = true;
    p.sources = Entries();
    p.confirm = {
        QStringLiteral("削除確認"),
        QStringLiteral("「DL先フォルダ」を全て削除しようとしています。\n削除してもよいですか？\n")};
    return p;
}

FldrReport FldrLogCtrl::RunDel(const FldrPlan& plan) {
    FldrReport r;
    if (!plan.Ok()) return r;
    fs_.ResetCounts();
    r.ok = true;
    // Delete all takes the root as it is now, not as it was when asked.
    const QStringList names = plan.all ? Entries() : plan.sources;
    QStringList kept;
    for (const QString& name : names) {
        const QString path = EntryPath(name);
        if (!path.isEmpty() && !fs_.DelDir(path)) {
            r.ok = false;
            kept.append(name);
        }
    }
    r.counts = fs_.Counts();
    const QString lines = QStringLiteral("削除した「DL先フォルダ」の情報は以下の通りです。\n\n") +
                          CountLines(QStringLiteral("削除"), r.counts.del_dirs, r.counts.del_files,
                                     r.counts.del_bytes);
    if (plan.all) {
        r.message = {QStringLiteral("DL先フォルダ全削除"), lines};
    } else {
        r.message = {QStringLiteral("DL先フォルダ削除"),
                     QStringLiteral("「") + JoinNames(plan.sources) +
                         QStringLiteral("」についての結果。\n\n") + lines};
    }
    // A failed deletion must not read as a complete one.
    if (!kept.isEmpty()) {
        r.message.text += QStringLiteral("\n「") + JoinNames(kept) +
                          QStringLiteral("」は削除できませんでした。\n");
    }
    return r;
}

FldrPlan FldrLogCtrl::PlanOpen(const QStringList& selected) const {
    if (selected.isEmpty()) return Refuse(QStringLiteral("DL先フォルダ開く01"), kNone);
    const QString path = EntryPath(selected.first());
    if (path.isEmpty()) return Refuse(QStringLiteral("DL先フォルダ開く02"), kNone);
    FldrPlan p;
    p.sources = {selected.first()};
    p.path = path;
    return p;
}

FldrPlan FldrLogCtrl::PlanCopy(const QStringList& selected) const {
    if (selected.isEmpty()) return Refuse(QStringLiteral("DL先フォルダ複製01"), kNone);
    const QString path = EntryPath(selected.first());
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        return Refuse(QStringLiteral("DL先フォルダ複製02"), kNone);
    }
    FldrPlan p;
    p.sources = {selected.first()};
    p.path = path;
    return p;
}

FldrReport FldrLogCtrl::RunCopy(const FldrPlan& plan, const QString& destination) {
    FldrReport r;
    if (!plan.Ok() || plan.path.isEmpty() || destination.isEmpty()) return r;
    fs_.ResetCounts();
    r.ok = fs_.CopyDir(plan.path, destination);
    r.counts = fs_.Counts();
    if (r.ok) {
        r.message = {QStringLiteral("DL先フォルダ複製終了"),
                     QStringLiteral("「DL先フォルダ」の複製が終了しました。")};
    } else {
        r.message = {QStringLiteral("DL先フォルダ複製エラー"),
                     QStringLiteral("「DL先フォルダ」を複製できませんでした。")};
    }
    return r;
}

FldrPlan FldrLogCtrl::PlanCmb(const QStringList& sources, const QString& target) const {
    if (sources.isEmpty()) return Refuse(QStringLiteral("DL先フォルダ統合01"), kNoneToMerge);
    const QString targetPath = EntryPath(target);
    if (targetPath.isEmpty() || !QFileInfo(targetPath).isDir()) {
        return Refuse(QStringLiteral("DL先フォルダ統合02"), kNoneToMerge);
    }
    for (const QString& name : sources) {
        const QString path = EntryPath(name);
        if (path.isEmpty() || !QFileInfo(path).isDir()) {
            return Refuse(QStringLiteral("DL先フォルダ統合04"), kNoneToMerge);
        }
    }
    if (sources.contains(kStock)) {
        return Refuse(QStringLiteral("DL先フォルダ統合03"),
                      QStringLiteral("「stock」フォルダは対象にできません。"));
    }
    if (sources.contains(target)) {
        return Refuse(QStringLiteral("DL先フォルダ統合05"),
                      QStringLiteral("同名のDL先フォルダを選択しています。\n同名のDL先フォルダでは"
                                     "なく、名前の違う「DL先フォルダ」を選択してください。\n"));
    }
    FldrPlan p;
    p.sources = sources;
    p.target = target;
    const QString names = JoinNames(sources);
    p.confirm = {
        QStringLiteral("統合確認"),
        QStringLiteral("「") + names + QStringLiteral("」のDL先フォルダを\n") +
            QStringLiteral("「") + target + QStringLiteral("」に統合しようとしています。\n") +
            QStringLiteral("統合された「DL先フォルダ ") + names +
            QStringLiteral("」は削除されます。\n") + QStringLiteral("統合してもよいですか？\n")};
    return p;
}

FldrPlan FldrLogCtrl::PlanCmbAll(const QString& target) const {
    const QString targetPath = EntryPath(target);
    if (targetPath.isEmpty() || !QFileInfo(targetPath).isDir()) {
        return Refuse(QStringLiteral("DL先フォルダ全統合01"), kNoneToMerge);
    }
    QStringList sources;
    for (const QString& name : Entries()) {
        if (name == target || name == kStock) continue;
        const QFileInfo fi(RootPath() + u'/' + name);
        if (fi.isDir() && !fi.isSymLink()) sources.append(name);
    }
    if (sources.isEmpty()) return Refuse(QStringLiteral("DL先フォルダ全統合02"), kNoneToMerge);
    FldrPlan p;
    p.all = true;
    p.sources = sources;
    p.target = target;
    p.confirm = {QStringLiteral("統合確認"),
                 QStringLiteral("全てのDL先フォルダを\n「") + target +
                     QStringLiteral("」に統合しようとしています。\n") +
                     QStringLiteral("統合された「DL先フォルダ」は全て削除されます。\n") +
                     QStringLiteral("統合してもよいですか？\n")};
    return p;
}

FldrReport FldrLogCtrl::RunCmb(const FldrPlan& plan) {
    FldrReport r;
    if (!plan.Ok() || plan.target.isEmpty()) return r;
    const QString target = EntryPath(plan.target);
    if (target.isEmpty()) return r;
    fs_.ResetCounts();
    r.ok = true;
    QStringList kept;
    for (const QString& name : plan.sources) {
        if (name == kStock || name == plan.target) continue;
        const QString path = EntryPath(name);
        if (path.isEmpty()) continue;
        if (!fs_.CmbDir(path, target)) {
            r.ok = false;
            if (QFileInfo::exists(path)) kept.append(name);
        }
    }
    const FldrCounts& c = r.counts = fs_.Counts();
    QString text =
        QStringLiteral("「") + JoinNames(plan.sources) + QStringLiteral("」についての結果。\n\n") +
        QStringLiteral("統合した「DL先フォルダ」の情報は以下の通りです。\n\n") +
        CountLines(QStringLiteral("移動"), c.mov_dirs, c.mov_files, c.mov_bytes) + u'\n' +
        QStringLiteral("削除した「DL先フォルダ」の情報は以下の通りです。\n\n") +
        CountLines(QStringLiteral("削除"), c.del_dirs, c.del_files, c.del_bytes) + u'\n' +
        QStringLiteral("重複していた「DL先フォルダ」の情報は以下の通りです。\n\n") +
        CountLines(QStringLiteral("重複"), c.dup_dirs, c.dup_files, c.dup_bytes);
    // A partial merge must not read as a complete one.
    if (!kept.isEmpty()) {
        text += QStringLiteral("\n統合できなかったファイルは「") + JoinNames(kept) +
                QStringLiteral("」に残しました。\n");
    }
    r.message = {
        plan.all ? QStringLiteral("DL先フォルダ全統合") : QStringLiteral("DL先フォルダ統合"), text};
    return r;
}

}  // namespace korvi
