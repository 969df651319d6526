#include "server/AccessList.h"

#include "server/HttpSrvrOpt.h"

namespace korvi {

QStringList AccessList::Parse(const QString& text) {
    QString all = text;
    all.replace(u'\r', u'\n');
    return all.split(u'\n');
}

bool AccessList::LineMatches(const QString& line, const QString& path, const QString& client) {
    if (line.startsWith(QStringLiteral("//"))) return false;
    const qsizetype comma = line.indexOf(u',');
    if (comma < 0) return false;
    const QString ip = line.left(comma);
    QString part = line.mid(comma + 1);
    const qsizetype more = part.indexOf(u',');
    if (more >= 0) part.truncate(more);  // further fields do not count
    const bool ipOk = client.startsWith(u'/' + ip);
    const bool pathOk = path.contains(part);
    if (!ip.isEmpty() && !part.isEmpty()) return ipOk && pathOk;
    if (!ip.isEmpty()) return ipOk;
    if (!part.isEmpty()) return pathOk;
    return false;
}

bool AccessList::ChkAccept(int mode, const QStringList& acceptLst, const QStringList& avoidLst,
                           const QString& path, const QString& client) {
    if (mode == HttpSrvrOpt::ACCEPT_AVOID) {
        for (const QString& line : avoidLst) {
            if (LineMatches(line, path, client)) return false;
        }
        return true;
    }
    if (mode == HttpSrvrOpt::ACCEPT_ACCEPT) {
        for (const QString& line : acceptLst) {
            if (LineMatches(line, path, client)) return true;
        }
        return false;
    }
    return true;
}

}  // namespace korvi
