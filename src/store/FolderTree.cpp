#include "store/FolderTree.h"

#include <QFileInfo>

#include "shell/CommonSettings.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kRenameWarn = QStringLiteral("名前変更警告");

bool PlainName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..");
}

}  // namespace

UserMessage FolderTree::NewFldrPrompt() {
    return {QStringLiteral("新規フォルダの作成"), QStringLiteral("新しい名前を入力してください。")};
}

UserMessage FolderTree::RenamePrompt() {
    return {QStringLiteral("名前変更"), QStringLiteral("新しい名前を入力してください。")};
}

FldrNameResult FolderTree::NewFldr(CtrlFile& ctrl, const QString& name) {
    FldrNameResult r;
    const QString clean = CtrlFile::DelPrhbtFName(name);
    if (clean.isEmpty()) return r;
    const QString path = ctrl.Abs(ctrl.LogRoot()) + u'/' + clean;
    // "." and ".." name folders that exist, so they are refused here too.
    if (!PlainName(clean) || QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        r.message = {QStringLiteral("新規フォルダの作成"),
                     QStringLiteral("既に同じ名前が存在します。\n異なる名前を入力して下さい。")};
        return r;
    }
    r.ok = true;
    r.run_id = clean;
    return r;
}

FldrNameResult FolderTree::RenameFldr(CtrlFile& ctrl, bool rootSelected, const QString& name) {
    FldrNameResult r;
    if (rootSelected) {
        r.message = {kRenameWarn, QStringLiteral("ルートのフォルダの名前は変更できません。")};
        return r;
    }
    const QString clean = CtrlFile::DelPrhbtFName(name);
    if (clean.isEmpty()) return r;
    const QString runId = ctrl.RunId();
    const QString root = ctrl.Abs(ctrl.LogRoot());
    if (PlainName(clean) && PlainName(runId) && !runId.contains(u'/') &&
        ctrl.RenameDir(root + u'/' + runId, root + u'/' + clean)) {
        r.ok = true;
        r.run_id = clean;
        return r;
    }
    r.message = {kRenameWarn, QStringLiteral("フォルダ名を変更できませんでした。")};
    return r;
}

UserMessage FolderTree::SaveLogFolderPath(CommonSettings& settings, CtrlFile& ctrl,
                                          const QString& path) {
    if (path.isEmpty() || !QFileInfo(ctrl.Abs(path)).isDir()) {
        return {QStringLiteral("パス・エラー"),
                QStringLiteral("正しいフォルダのパスが入力されていません。\n"
                               "正しいフォルダのパスを入力するようにして下さい。")};
    }
    settings.Opt().log_folder = CommonSettings::TrimLogFolder(path);
    return {};
}

}  // namespace korvi
