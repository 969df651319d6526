#include "engine/profile/AutoLoginFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/profile/AutoLogin.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kExt = QStringLiteral(".ini");
const QString kNameError = QStringLiteral("ファイル名エラー");

// The dialog of a file operation that failed on the disk.
// A log-in file holds passwords: only its owner reads it, whatever the umask.
bool MakePrivate(const CtrlFile& ctrl, const QString& path) {
    return QFile::setPermissions(ctrl.Abs(path), QFile::ReadOwner | QFile::WriteOwner);
}

void Failed(AutoLoginResult& r, const QString& title, const QString& name) {
    r.message = {title, QStringLiteral("「") + name + QStringLiteral("」を処理できませんでした。")};
}

UserMessage NoSelection() {
    return {QStringLiteral("エラー"),
            QStringLiteral("リストが選択されていません。左のリストを選択して下さい。")};
}

}  // namespace

QString AutoLoginFiles::FileName(const QString& input) {
    QString name = CtrlFile::DelPrhbtFName(input).trimmed();
    if (name.isEmpty()) return QString("");
    if (!name.endsWith(kExt, Qt::CaseInsensitive)) name += kExt;
    return name;
}

QString AutoLoginFiles::Path(const QString& name) const {
    return AutoLogin::kFolder + u'/' + name;
}

QStringList AutoLoginFiles::Names() const {
    const QDir dir(ctrl_.Abs(AutoLogin::kFolder));
    return dir.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
}

QString AutoLoginFiles::Load(const QString& name) const {
    const QString path = Path(name);
    if (name.isEmpty() || !QFileInfo(ctrl_.Abs(path)).isFile()) return QString("");
    return ctrl_.LoadData(path);
}

QString AutoLoginFiles::NewName(const QString& input, AutoLoginResult& result) const {
    const QString name = FileName(input);
    if (name.isEmpty()) return name;
    // Names made only of dots would leave the folder.
    if (name.startsWith(u'.')) {
        result.message = {kNameError, QStringLiteral("ファイル名に使用できない名前です。")};
        return QString("");
    }
    if (QFileInfo::exists(ctrl_.Abs(Path(name)))) {
        result.message = {kNameError, QStringLiteral("既に同じ名前のファイルが存在します。\n"
                                                     "異なる名前を入力して下さい。")};
        return QString("");
    }
    return name;
}

AutoLoginResult AutoLoginFiles::New(const QString& input) {
    AutoLoginResult r;
    const QString name = NewName(input, r);
    if (name.isEmpty()) return r;
    r.ok = ctrl_.SetEnableDir(Path(name)) && ctrl_.SaveData(Path(name), kNewText) &&
           MakePrivate(ctrl_, Path(name));
    if (r.ok)
        r.name = name;
    else
        Failed(r, QStringLiteral("新規作成エラー"), name);
    return r;
}

AutoLoginResult AutoLoginFiles::Copy(const QString& selected, const QString& input) {
    AutoLoginResult r;
    if (selected.isEmpty()) {
        r.message = NoSelection();
        return r;
    }
    const QString name = NewName(input, r);
    if (name.isEmpty()) return r;
    r.ok = ctrl_.CopyFile(Path(selected), Path(name)) && MakePrivate(ctrl_, Path(name));
    if (r.ok)
        r.name = name;
    else
        Failed(r, QStringLiteral("複製エラー"), selected);
    return r;
}

AutoLoginResult AutoLoginFiles::Rename(const QString& selected, const QString& input) {
    AutoLoginResult r;
    if (selected.isEmpty()) {
        r.message = NoSelection();
        return r;
    }
    if (IsProtected(selected)) {
        r.message = {QStringLiteral("名前変更エラー"),
                     kSample + QStringLiteral("の名前は変更できません。")};
        return r;
    }
    const QString name = NewName(input, r);
    if (name.isEmpty()) return r;
    r.ok = ctrl_.RenameFile(Path(selected), Path(name));
    if (r.ok)
        r.name = name;
    else
        Failed(r, QStringLiteral("名前変更エラー"), selected);
    return r;
}

UserMessage AutoLoginFiles::DeleteQuestion(const QString& name) {
    return {QStringLiteral("削除確認"), QStringLiteral("「") + name +
                                            QStringLiteral("」を削除しようとしています。\n") +
                                            QStringLiteral("削除してもよいですか？")};
}

AutoLoginResult AutoLoginFiles::Delete(const QString& selected) {
    AutoLoginResult r;
    if (selected.isEmpty()) {
        r.message = NoSelection();
        return r;
    }
    if (IsProtected(selected)) {
        r.message = {QStringLiteral("削除エラー"), kSample + QStringLiteral("は削除できません。")};
        return r;
    }
    const QString path = Path(selected);
    r.ok = QFile::remove(ctrl_.Abs(path));
    if (!r.ok) {
        ctrl_.SaveErrLog(QStringLiteral("AutoLogin Del Error : cannot delete ") + path);
        Failed(r, QStringLiteral("削除エラー"), selected);
    }
    return r;
}

AutoLoginResult AutoLoginFiles::Save(const QString& name, const QString& text) {
    AutoLoginResult r;
    if (name.isEmpty()) {
        r.message = NoSelection();
        return r;
    }
    if (IsProtected(name)) {
        r.message = {QStringLiteral("保存エラー"), kSample + QStringLiteral("は変更できません。")};
        return r;
    }
    r.ok = ctrl_.SetEnableDir(Path(name)) && ctrl_.SaveData(Path(name), text) &&
           MakePrivate(ctrl_, Path(name));
    if (r.ok)
        r.name = name;
    else
        Failed(r, QStringLiteral("保存エラー"), name);
    return r;
}

}  // namespace korvi
