#include "platform/MemoryUse.h"

#include <QFile>

namespace korvi {

namespace {
qint64 StatusKb(const QByteArray& status, const QByteArray& key) {
    const qsizetype at = status.indexOf(key);
    if (at < 0) return 0;
    qsizetype i = at + key.size();
    while (i < status.size() && (status.at(i) == ' ' || status.at(i) == '\t')) ++i;
    qint64 v = 0;
    while (i < status.size() && status.at(i) >= '0' && status.at(i) <= '9') {
        v = v * 10 + (status.at(i) - '0');
        ++i;
    }
    return v;  // kibibytes
}
}  // namespace

MemoryUse ReadMemoryUse() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray s = f.readAll();
    return {StatusKb(s, "VmRSS:") * 1024 / 1000, StatusKb(s, "VmSize:") * 1024 / 1000};
}

QString MemoryUseText(const MemoryUse& m) {
    return QString::number(m.used) + QStringLiteral("  total ") + QString::number(m.total);
}

}  // namespace korvi
