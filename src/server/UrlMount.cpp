#include "server/UrlMount.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>

#include "platform/MemoryUse.h"
#include "shell/Assist.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

UrlMount::UrlMount(CtrlFile& ctrl, Fetch fetch)
    : ctrl_(ctrl), fetch_(std::move(fetch)), addresses_(&UrlMount::LocalAddresses) {}

void UrlMount::LoadSettings() {
    const Assist ini(ctrl_.LoadData(QStringLiteral("server/opt.ini")));
    SetSettings(ini.GetIni(QStringLiteral("UrlMount"), QStringLiteral("use")) == u"1",
                ini.GetIni(QStringLiteral("UrlMount"), QStringLiteral("url")),
                ini.GetIni(QStringLiteral("UrlMount"), QStringLiteral("password")));
}

void UrlMount::SetSettings(bool use, const QString& url, const QString& password) {
    url_ = url;
    password_ = password;
    on_ = use && !url.isEmpty() && !password.isEmpty();
}

QString UrlMount::RequestUrl(const QString& ip) const {
    return url_ + QStringLiteral("?pw=") + password_ + QStringLiteral("&url=http://") + ip + u'/';
}

QStringList UrlMount::SortAddresses(QStringList addresses) {
    auto rank = [](const QString& a) {
        if (a.startsWith(QStringLiteral("127."))) return 3;
        if (a.startsWith(QStringLiteral("192."))) return 2;
        if (a.startsWith(QStringLiteral("0."))) return 1;
        return 0;
    };
    std::stable_sort(addresses.begin(), addresses.end(), [&](const QString& a, const QString& b) {
        const int ra = rank(a);
        const int rb = rank(b);
        return ra != rb ? ra < rb : a < b;
    });
    return addresses;
}

QString UrlMount::ChooseIp(const QStringList& addresses) {
    const QStringList sorted = SortAddresses(addresses);
    return sorted.isEmpty() ? QString("") : sorted.first();
}

QStringList UrlMount::LocalAddresses() {
    QStringList out;
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) out.append(a.toString());
    }
    return out;
}

void UrlMount::LogMemory(const QString& tag) {
    const QString path = QStringLiteral("log/") + ctrl_.GetDayStr() + QStringLiteral(".log");
    ctrl_.SetEnableDir(path);
    ctrl_.SaveAddData(path,
                      tag + QStringLiteral(" Mem   use ") + MemoryUseText(ReadMemoryUse()) + u'\n');
}

bool UrlMount::ChkUM(bool periodic) {
    if (!on_) return false;
    const int minute = ctrl_.GetClock().NowJst().time().minute();
    if (periodic) {
        if (minute == last_minute_) return false;
        last_minute_ = minute;
        if (counter_ != kLimit) {
            ++counter_;
            return false;
        }
        counter_ = 0;
    } else {
        last_minute_ = minute;
    }
    const QString request = RequestUrl(ChooseIp(addresses_()));
    LogMemory(QStringLiteral(">>UM0"));
    if (fetch_) fetch_(request, kTimeoutMs);
    LogMemory(QStringLiteral(">>UM1"));
    return true;
}

}  // namespace korvi
