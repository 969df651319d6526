#include "server/HttpSrvrLog.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <fcntl.h>
#include <unistd.h>

#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

HttpSrvrLog::~HttpSrvrLog() {
    if (statm_ >= 0) ::close(statm_);
}

// Virtual and resident size of this process in bytes; 0 when unknown.
void HttpSrvrLog::ProcessMemory(qint64* total, qint64* used) {
    *total = 0;
    *used = 0;
    if (statm_ < 0) statm_ = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (statm_ < 0) return;
    char buf[128];
    const ssize_t n = ::pread(statm_, buf, sizeof buf - 1, 0);
    if (n <= 0) return;
    const QList<QByteArray> parts = QByteArray(buf, n).simplified().split(' ');
    if (parts.size() < 2) return;
    static const qint64 page = sysconf(_SC_PAGESIZE);
    *total = parts.at(0).toLongLong() * page;
    *used = parts.at(1).toLongLong() * page;
}

QString HttpSrvrLog::DayFile() const {
    return QStringLiteral("log/") + ctrl_.GetDayStr() + QStringLiteral(".log");
}

void HttpSrvrLog::OutLog(const QString& message) {
    const QString stamp = ctrl_.GetTimeStr();
    const QString path = ctrl_.Abs(DayFile());
    QMutexLocker lock(&mutex_);
    qint64 total = 0;
    qint64 used = 0;
    ProcessMemory(&total, &used);
    const QByteArray text =
        EncodeText(stamp + u' ' + message + u'\n' + QStringLiteral(">>Mem   use ") +
                   QString::number(used / 1000) + QStringLiteral("  total ") +
                   QString::number(total / 1000) + u'\n');
    // A new day, or a file deleted under us, opens the file again.
    if (file_.isOpen() && (file_.fileName() != path || !QFileInfo::exists(path))) file_.close();
    if (!file_.isOpen()) {
        file_.setFileName(path);
        if (!ctrl_.SetEnableDir(path) || !file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
            if (!failed_once_) {
                ctrl_.SaveErrLog(QStringLiteral("HttpSrvr OutLog Error : ") + file_.errorString() +
                                 u' ' + path);
            }
            failed_once_ = true;
            return;
        }
    }
    if (file_.write(text) != text.size() || !file_.flush()) {
        ctrl_.SaveErrLog(QStringLiteral("HttpSrvr OutLog Error : ") + file_.errorString());
        file_.close();
    }
}

}  // namespace korvi
