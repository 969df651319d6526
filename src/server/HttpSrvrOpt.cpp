#include "server/HttpSrvrOpt.h"

#include <QHostAddress>

#include "shell/Assist.h"

namespace korvi {

namespace {

const QString kSection = QStringLiteral("HttpServer");

// A canonical decimal number of 0 or more, else the fallback.
int NonNegative(const Assist& ini, const QString& key, int fallback) {
    const QString text = ini.GetIni(kSection, key);
    if (text.isEmpty()) return fallback;
    const int value = Assist::StrToInt(text);
    if (value == 0 && text != QStringLiteral("0")) return fallback;  // not a number
    return value >= 0 ? value : fallback;
}

}  // namespace

bool HttpSrvrOpt::Load(const QString& iniText) {
    *this = HttpSrvrOpt();
    if (Assist::Trim(iniText).isEmpty()) return false;
    const Assist ini(iniText);
    use = ini.GetIni(kSection, QStringLiteral("use")) == QStringLiteral("1");
    // A port that parses keeps its value even out of range, so that the
    // listener can reject it as it should.
    const QString portText = ini.GetIni(kSection, QStringLiteral("port"));
    if (!portText.isEmpty()) {
        const int p = Assist::StrToInt(portText);
        if (p != 0 || portText == QStringLiteral("0")) port = p;
    }
    reload_sec = NonNegative(ini, QStringLiteral("q_reload_sec"), 5);
    if (reload_sec <= 0) reload_sec = 5;
    access = NonNegative(ini, QStringLiteral("access"), ACCEPT_ALL);
    const QString address = ini.GetIni(kSection, QStringLiteral("bind"));
    if (!address.isEmpty() && QHostAddress(address).protocol() == QAbstractSocket::IPv4Protocol) {
        bind = address;
    }
    const int timeout = NonNegative(ini, QStringLiteral("read_timeout_sec"), 10);
    read_timeout_ms = (timeout > 0 ? timeout : 10) * 1000;
    return true;
}

}  // namespace korvi
