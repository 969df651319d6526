#include "engine/profile/OptList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

OptMessage Error(const QString& title, const QString& text) {
    return {OptMessage::Kind::kError, title, text};
}

bool NoSelection(const QString& selected, OptResult& result) {
    if (!selected.isEmpty()) return false;
    result.messages.append(
        Error(QStringLiteral("エラー"),
              QStringLiteral("リストが選択されていません。左のリストを選択して下さい。")));
    return true;
}

}  // namespace

QStringList OptList::Names() {
    EnsureDefault();
    QStringList names;
    const QDir dir(ctrl_.Abs(QStringLiteral("option")));
    const QStringList files = dir.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        const QString name = f.left(f.size() - 4);
        if (name != kDefaultOptName) names.append(name);
    }
    names.prepend(kDefaultOptName);
    return names;
}

bool OptList::Exists(const QString& name) const {
    return IsValidOptName(name) && QFileInfo(ctrl_.Abs(OptPath(name))).isFile();
}

bool OptList::EnsureDefault() {
    if (Exists(kDefaultOptName)) return true;
    const QString path = OptPath(kDefaultOptName);
    return ctrl_.SetEnableDir(path) && ctrl_.SaveData(path, OptToStr(DlSrchOpt()));
}

bool OptList::CheckNewName(const QString& name, OptResult& result) const {
    const QString title = QStringLiteral("設定名エラー");
    if (name.isEmpty()) {
        result.messages.append(Error(
            title,
            QStringLiteral("設定名入力欄に名前が入力されていません。名前を入力して下さい。")));
        return false;
    }
    if (!IsValidOptName(name)) {
        result.messages.append(
            Error(title, QStringLiteral("設定名に使用できない文字が含まれています。")));
        return false;
    }
    if (QFileInfo::exists(ctrl_.Abs(OptPath(name)))) {
        result.messages.append(Error(
            title, QStringLiteral("既に同じ名前の設定が存在します。設定名を変更して下さい。")));
        return false;
    }
    return true;
}

OptResult OptList::NewOpt(const QString& name) {
    OptResult result;
    if (!CheckNewName(name, result)) return result;
    if (!EnsureDefault()) return result;
    result.ok = ctrl_.CopyFile(OptPath(kDefaultOptName), OptPath(name));
    return result;
}

OptResult OptList::CopyOpt(const QString& selected) {
    OptResult result;
    if (NoSelection(selected, result)) return result;
    if (!Exists(selected)) return result;
    // Copying never replaces a profile that already has the new name.
    const QString name = QStringLiteral("コピー ～ ") + selected;
    if (!CheckNewName(name, result)) return result;
    result.ok = ctrl_.CopyFile(OptPath(selected), OptPath(name));
    return result;
}

OptResult OptList::RenameOpt(const QString& selected, const QString& newName) {
    OptResult result;
    if (NoSelection(selected, result)) return result;
    if (selected == kDefaultOptName) {
        result.messages.append(
            Error(QStringLiteral("名前変更エラー"),
                  QStringLiteral("デフォルトの名前を変更することはできません。")));
        return result;
    }
    if (!CheckNewName(newName, result)) return result;
    if (!Exists(selected)) return result;
    result.ok = ctrl_.RenameFile(OptPath(selected), OptPath(newName));
    return result;
}

OptMessage OptList::DeleteQuestion(const QString& name) {
    return {OptMessage::Kind::kConfirm, QStringLiteral("削除確認"),
            QStringLiteral("「") + name + QStringLiteral("」の設定を削除しようとしています。\n") +
                QStringLiteral("削除してもよいですか？\n")};
}

OptResult OptList::DeleteOpt(const QString& selected, const Confirm& confirm) {
    OptResult result;
    if (NoSelection(selected, result)) return result;
    if (selected == kDefaultOptName) {
        result.messages.append(
            Error(QStringLiteral("削除エラー"),
                  QStringLiteral("デフォルトの設定を削除することはできません。")));
        return result;
    }
    if (!Exists(selected)) return result;
    if (!confirm || !confirm(DeleteQuestion(selected))) return result;
    const QString path = OptPath(selected);
    result.ok = QFile::remove(ctrl_.Abs(path));
    if (!result.ok) ctrl_.SaveErrLog(QStringLiteral("OptRoot Del Error : cannot delete ") + path);
    return result;
}

}  // namespace korvi
