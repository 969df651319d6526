#include "shell/HomeFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/MoveNoReplace.h"

namespace korvi {

namespace {

// A program installed under a prefix (bin/ beside share/korvi/) never keeps
// its home in bin/, even when bin/ is writable (root, or a private prefix).
bool InstalledLayout(const QString& exeDir) {
    return !QFileInfo(exeDir + QStringLiteral("/data")).isDir() &&
           QFileInfo(exeDir + QStringLiteral("/../share/korvi")).isDir();
}

// The user's home folder: $HOME, else the password database's entry (a
// service started without HOME must not end up in "/").
QString UserHome() {
    const QString env = qEnvironmentVariable("HOME");
    if (!env.isEmpty()) return env;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    struct passwd pw = {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return QString::fromLocal8Bit(found->pw_dir);
    return QDir::homePath();
}

// Folders and files that hold log-in data are the user's alone, whatever
// the umask.
const QString kPrivateFolder = QStringLiteral("auto_login");
constexpr QFile::Permissions kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

// Makes a folder; one that another process made meanwhile is as good.
bool MakeFolder(const QString& path) {
    return QDir().mkpath(path) || QFileInfo(path).isDir();
}

// Copies a shipped file under a temporary name beside its target, then moves
// it into place in one step, so that nobody ever reads half a file. A target
// that appeared meanwhile (another process seeding the same home, or the
// user) is kept: that is success.
bool CopyMissing(const QString& from, const QString& to, bool priv, QString* error) {
    if (QFileInfo::exists(to)) return true;
    const QFileInfo target(to);
    if (!MakeFolder(target.absolutePath())) {
        if (error) *error = QStringLiteral("cannot create ") + target.absolutePath();
        return false;
    }
    QFile in(from);
    QTemporaryFile tmp(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                       QStringLiteral(".XXXXXX"));
    bool written = in.open(QIODevice::ReadOnly) && tmp.open();
    while (written && !in.atEnd()) {
        const QByteArray chunk = in.read(64 * 1024);
        written = !chunk.isEmpty() && tmp.write(chunk) == chunk.size();
    }
    written = written && tmp.flush() &&
              tmp.setPermissions(priv ? kPrivateFile
                                      : in.permissions() | QFile::ReadOwner | QFile::WriteOwner);
    QString reason = written ? QString() : in.errorString() + u' ' + tmp.errorString();
    if (written) {
        tmp.close();
        if (MoveNoReplace(tmp.fileName(), to, &reason) != MoveResult::Failed) return true;
    }
    if (error) {
        *error = QStringLiteral("cannot copy ") + from + QStringLiteral(" to ") + to +
                 QStringLiteral(": ") + reason.trimmed();
    }
    return false;
}

}  // namespace

QString HomeFolder::Resolve(const QString& explicitHome, const QString& exeDir) {
    if (!explicitHome.isEmpty()) return QDir(explicitHome).absolutePath();
    const QString env = qEnvironmentVariable("KORVI_HOME");
    if (!env.isEmpty()) return QDir(env).absolutePath();
    if (!exeDir.isEmpty() && !InstalledLayout(exeDir)) {
        const QFileInfo info(exeDir);
        if (info.isDir() && info.isWritable()) return info.absoluteFilePath();
    }
    QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdg.isEmpty()) xdg = UserHome() + QStringLiteral("/.local/share");
    return QDir(xdg + QStringLiteral("/korvi")).absolutePath();
}

QString HomeFolder::ShippedData(const QString& exeDir) {
    const QString beside = exeDir + QStringLiteral("/data");
    if (QFileInfo(beside).isDir()) return QDir(beside).absolutePath();
    const QString installed = exeDir + QStringLiteral("/../share/korvi");
    if (QFileInfo(installed).isDir()) return QDir(installed).absolutePath();
    return QString();
}

QStringList HomeFolder::LayoutFolders() {
    return {
        QStringLiteral("log"),       QStringLiteral("log/tmp"),      QStringLiteral("log_err"),
        QStringLiteral("option"),    QStringLiteral("favorite"),     QStringLiteral("out_templet"),
        QStringLiteral("server"),    QStringLiteral("stock"),        QStringLiteral("tmp"),
        QStringLiteral("func"),      QStringLiteral("resource/pic"), QStringLiteral("doc"),
        QStringLiteral("tool"),      QStringLiteral("theme"),        QStringLiteral("avoid"),
        QStringLiteral("overwrite"), QStringLiteral("auto_login"),   QStringLiteral("schedule")};
}

bool HomeFolder::Prepare(const QString& home, const QString& shippedData, QString* error) {
    QDir dir(home);
    if (!MakeFolder(home)) {
        if (error) *error = QStringLiteral("cannot create the home folder ") + home;
        return false;
    }
    for (const QString& sub : LayoutFolders()) {
        if (!MakeFolder(dir.filePath(sub))) {
            if (error) *error = QStringLiteral("cannot create ") + dir.filePath(sub);
            return false;
        }
    }
    QFile::setPermissions(dir.filePath(kPrivateFolder),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (shippedData.isEmpty()) return true;
    const QDir src(shippedData);
    QDirIterator it(shippedData, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString rel = src.relativeFilePath(from);
        const bool priv = rel.startsWith(kPrivateFolder + u'/');
        if (!CopyMissing(from, dir.filePath(rel), priv, error)) return false;
    }
    return true;
}

}  // namespace korvi
