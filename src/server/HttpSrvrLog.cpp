#include "server/HttpSrvrLog.h"

#include <QFile>
#include <QMutexLocker>

#include <unistd.h>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

// Virtual and resident size of this process in bytes; 0 when unknown.
void ProcessMemory(qint64* total, qint64* used) {
    *total = 0;
    *used = 0;
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return;
    const QList<QByteArray> parts = f.readAll().simplified().split(' ');
    if (parts.size() < 2) return;
    const qint64 page = sysconf(_SC_PAGESIZE);
    *total = parts.at(0).toLongLong() * page;
    *used = parts.at(1).toLongLong() * page;
}

}  // namespace

QString HttpSrvrLog::DayFile() const {
    return QStringLiteral("log/") + ctrl_.GetDayStr() + QStringLiteral(".log");
}

void HttpSrvrLog::OutLog(const QString& message) {
    qint64 total = 0;
    qint64 used = 0;
    ProcessMemory(&total, &used);
    const QString text = ctrl_.GetTimeStr() + u' ' + message + u'\n' +
                         QStringLiteral(">>Mem   use ") + QString::number(used / 1000) +
                         QStringLiteral("  total ") + QString::number(total / 1000) + u'\n';
    QMutexLocker lock(&mutex_);
    const QString file = ctrl_.Abs(DayFile());
    if (!ctrl_.SetEnableDir(file)) return;
    ctrl_.SaveAddData(file, text);
}

}  // namespace korvi
