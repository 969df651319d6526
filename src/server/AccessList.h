#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

// The access lists "server/accept.txt" and "server/avoid.txt": one rule a
// line, address prefix "," path part; "//" starts a comment line.
class AccessList {
public:
    // Carriage returns count as line feeds.
    static QStringList Parse(const QString& text);

    // True when the rule line applies to the request path and the client
    // address text ("/" + dotted address).
    static bool LineMatches(const QString& line, const QString& path, const QString& client);

    // The server's decision for a mode (0 all, 1 avoid, 2 accept; any other
    // mode accepts as 0 does).
    static bool ChkAccept(int mode, const QStringList& acceptLst, const QStringList& avoidLst,
                          const QString& path, const QString& client);
};

}  // namespace korvi
