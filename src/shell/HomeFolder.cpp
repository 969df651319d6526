#include "shell/HomeFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvi {

namespace {

// A program installed under a prefix (bin/ beside share/korvi/) never keeps
// its home in bin/, even when bin/ is writable (root, or a private prefix).
bool InstalledLayout(const QString& exeDir) {
    return !QFileInfo(exeDir + QStringLiteral("/data")).isDir() &&
           QFileInfo(exeDir + QStringLiteral("/../share/korvi")).isDir();
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
    if (xdg.isEmpty()) xdg = QDir::homePath() + QStringLiteral("/.local/share");
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
    if (!dir.exists() && !QDir().mkpath(home)) {
        if (error) *error = QStringLiteral("cannot create the home folder ") + home;
        return false;
    }
    for (const QString& sub : LayoutFolders()) {
        if (!dir.mkpath(sub)) {
            if (error) *error = QStringLiteral("cannot create ") + dir.filePath(sub);
            return false;
        }
    }
    if (shippedData.isEmpty()) return true;
    const QDir src(shippedData);
    QDirIterator it(shippedData, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString rel = src.relativeFilePath(from);
        const QString to = dir.filePath(rel);
        if (QFileInfo::exists(to)) continue;
        if (!QDir().mkpath(QFileInfo(to).absolutePath()) || !QFile::copy(from, to)) {
            if (error) *error = QStringLiteral("cannot copy ") + from + QStringLiteral(" to ") + to;
            return false;
        }
        QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner);
    }
    return true;
}

}  // namespace korvi
