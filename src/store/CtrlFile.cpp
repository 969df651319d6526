#include "store/CtrlFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>

#include "shell/Clock.h"
#include "store/RegularFile.h"
#include "store/TextCodec.h"

namespace korvi {

CtrlFile::CtrlFile(const QString& home, const Clock& clock)
    : home_(QDir::cleanPath(QDir(home).absolutePath())), clock_(clock) {}

QString CtrlFile::LogRoot() const {
    QMutexLocker lock(&state_mutex_);
    return log_root_;
}

void CtrlFile::SetLogRoot(const QString& root) {
    QMutexLocker lock(&state_mutex_);
    log_root_ = root;
}

QString CtrlFile::RunId() const {
    QMutexLocker lock(&state_mutex_);
    return run_id_;
}

void CtrlFile::SetRunId(const QString& id) {
    QMutexLocker lock(&state_mutex_);
    run_id_ = id;
}

QString CtrlFile::RunFolder() const {
    QMutexLocker lock(&state_mutex_);
    return log_root_ + u'/' + run_id_;
}

QString CtrlFile::Abs(const QString& path) const {
    if (path.isEmpty()) return home_;
    if (QDir::isAbsolutePath(path)) return path;
    return home_ + u'/' + path;
}

QByteArray CtrlFile::LoadBytes(const QString& path) {
    QByteArray bytes;
    QString failure;
    if (!ReadRegularFile(Abs(path), -1, &bytes, &failure)) {
        SaveErrLog(QStringLiteral("C_File Read Data Error : ") + failure + u' ' + path);
        return QByteArray();
    }
    return bytes;
}

QString CtrlFile::LoadData(const QString& path) {
    QByteArray bytes;
    QString failure;
    if (!ReadRegularFile(Abs(path), kSettingsFileMax, &bytes, &failure)) {
        SaveErrLog(QStringLiteral("C_File Read Data Error : ") + failure + u' ' + path);
        return QString("");
    }
    const QString text = DecodeText(bytes);
    if (text.isEmpty()) return QString("");
    // Every line, the last one too, comes back ending in "\n".
    QString out = UnixLineBreaks(text);
    if (!out.endsWith(u'\n')) out += u'\n';
    return out;
}

bool CtrlFile::SaveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile f(Abs(path));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        SaveErrLog(QStringLiteral("C_File File Write Error : ") + f.errorString() + u' ' + path);
        return false;
    }
    return true;
}

bool CtrlFile::SaveData(const QString& path, const QString& text) {
    return SaveBytes(path, EncodeText(text));
}

bool CtrlFile::SaveAddData(const QString& path, const QString& text) {
    QFile f(Abs(path));
    const QByteArray bytes = EncodeText(text);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size()) {
        SaveErrLog(QStringLiteral("C_File File Write Error : ") + f.errorString() + u' ' + path);
        return false;
    }
    return true;
}

bool CtrlFile::SetEnableDir(const QString& path) {
    const QString parent = QFileInfo(Abs(path)).absolutePath();
    if (QFileInfo(parent).isDir()) return true;
    if (!QDir().mkpath(parent)) {
        SaveErrLog(QStringLiteral("SetEnableDir Error : cannot create ") + parent);
        return false;
    }
    return true;
}

bool CtrlFile::SetEnableStoreDir(const QString& path, bool* made) {
    const QString parent = QFileInfo(Abs(path)).absolutePath();
    if (!folders_.Ensure(parent, made)) {
        SaveErrLog(QStringLiteral("SetEnableDir Error : cannot create ") + parent);
        return false;
    }
    return true;
}

void CtrlFile::ForgetDir(const QString& path) {
    folders_.Forget(QFileInfo(Abs(path)).absolutePath());
}

void CtrlFile::ForgetDirs() {
    folders_.Clear();
}

bool CtrlFile::CopyFile(const QString& from, const QString& to) {
    QFile in(Abs(from));
    if (!in.open(QIODevice::ReadOnly)) {
        SaveErrLog(QStringLiteral("C_File Copy File Error : ") + in.errorString() + u' ' + from);
        return false;
    }
    QSaveFile out(Abs(to));
    if (!out.open(QIODevice::WriteOnly)) {
        SaveErrLog(QStringLiteral("C_File Copy File Error : ") + out.errorString() + u' ' + to);
        return false;
    }
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buf.data(), buf.size());
        if (got < 0) {
            SaveErrLog(QStringLiteral("C_File Copy File Error : ") + in.errorString() + u' ' +
                       from);
            out.cancelWriting();
            return false;
        }
        if (got == 0) break;
        if (out.write(buf.constData(), got) != got) {
            SaveErrLog(QStringLiteral("C_File Copy File Error : ") + out.errorString() + u' ' + to);
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        SaveErrLog(QStringLiteral("C_File Copy File Error : ") + out.errorString() + u' ' + to);
        return false;
    }
    return true;
}

bool CtrlFile::RenameFile(const QString& from, const QString& to) {
    const QString a = Abs(from);
    const QString b = Abs(to);
    QString failure;
    if (!QFileInfo(a).isFile()) {
        failure = QStringLiteral("not a file");
    } else if (QFileInfo::exists(b)) {
        failure = QStringLiteral("target exists");
    } else if (!QFile::rename(a, b)) {
        failure = QStringLiteral("rename failed");
    } else {
        return true;
    }
    SaveErrLog(QStringLiteral("C_File Rename File Error : ") + failure + QStringLiteral("  ") +
               from + QStringLiteral("  ") + to);
    return false;
}

bool CtrlFile::RenameDir(const QString& from, const QString& to) {
    const QString a = Abs(from);
    const QString b = Abs(to);
    if (!QFileInfo(a).isDir()) return false;
    if (QFileInfo::exists(b) || !QDir().rename(a, b)) {
        SaveErrLog(QStringLiteral("C_File RenameDir Error : cannot rename  ") + from +
                   QStringLiteral("  ") + to);
        return false;
    }
    return true;
}

QString CtrlFile::GetUrlExtnsn(const QString& url) {
    if (url.isEmpty()) return QString("");
    QStringView path(url);
    // Only the last path segment counts; query and fragment are not part of it.
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) == u'?' || path.at(i) == u'#') {
            path = path.left(i);
            break;
        }
    }
    const qsizetype scheme = path.indexOf(u"://");
    if (scheme >= 0) {
        const qsizetype slash = path.indexOf(u'/', scheme + 3);
        path = slash < 0 ? QStringView() : path.mid(slash);
    }
    const QStringView last = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    if (dot < 0 || dot == last.size() - 1) return QStringLiteral("-");
    return last.mid(dot + 1).toString().toLower();
}

QString CtrlFile::AdjustExtnsn(const QString& extension) {
    if (extension.toLower().startsWith(QStringLiteral("php"))) return QStringLiteral("php");
    return extension;
}

QString CtrlFile::DelPrhbtFName(const QString& name) {
    static const QString bad = QStringLiteral("\r\n\\/:,;*?\"<>|");
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (!bad.contains(c)) out += c;
    }
    return out;
}

}  // namespace korvi
