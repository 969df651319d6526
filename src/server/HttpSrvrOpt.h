#pragma once

#include <QString>

namespace korvi {

// The [HttpServer] section of "server/opt.ini".
struct HttpSrvrOpt {
    enum Access { ACCEPT_ALL = 0, ACCEPT_AVOID = 1, ACCEPT_ACCEPT = 2 };

    bool use = false;
    int port = 80;  // may be out of range; the listener rejects it
    int reload_sec = 5;
    int access = ACCEPT_ALL;
    QString bind = QStringLiteral("127.0.0.1");
    int read_timeout_ms = 10000;

    // Reads the settings text; false when the text is empty (no settings).
    bool Load(const QString& iniText);
};

}  // namespace korvi
