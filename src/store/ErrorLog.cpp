#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <cstdio>

#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

void CtrlFile::SaveErrLog(const QString& message) {
    QMutexLocker lock(&err_mutex_);
    const QString folder = Abs(QStringLiteral("log_err"));
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        std::fprintf(stderr, "Err Log Output Error:cannot create %s\n", qPrintable(folder));
        return;
    }
    const QString name = RunId() + QStringLiteral(".log");
    // Keep at most ten logs, counting the one this line goes to; the
    // alphabetically first (the oldest run) goes first. Only files count and
    // go: a folder or a link to one is never followed or emptied.
    for (;;) {
        QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        if (entries.contains(name)) {
            if (entries.size() <= 10) break;
        } else if (entries.size() < 10) {
            break;
        }
        entries.removeAll(name);
        if (entries.isEmpty()) break;
        const QString victim = folder + u'/' + entries.first();
        if (!QFile::remove(victim)) {
            std::fprintf(stderr, "Err Log Output Error:cannot delete %s\n", qPrintable(victim));
            break;
        }
    }
    QFile f(folder + u'/' + name);
    const QByteArray line = EncodeText(GetTimeStr() + QStringLiteral("  ") + message + u'\n');
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size()) {
        std::fprintf(stderr, "Err Log Output Error:%s\n", qPrintable(f.errorString()));
    }
}

}  // namespace korvi
