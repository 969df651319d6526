#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace korvi {

class CtrlFile;

// Reports this machine's address to a remote mount script at start and
// every 11 minutes, and on demand.
class UrlMount {
public:
    // Fetches url within timeoutMs (the crawler's memory-only fetch with the
    // profile's proxy and User-Agent); the answer is not used.
    using Fetch = std::function<bool(const QString& url, int timeoutMs)>;
    static constexpr int kTimeoutMs = 10000;
    static constexpr int kLimit = 10;

    UrlMount(CtrlFile& ctrl, Fetch fetch);

    // Reads section UrlMount of "server/opt.ini": on only when "use" is 1 and
    // both "url" and "password" are set.
    void LoadSettings();
    void SetSettings(bool use, const QString& url, const QString& password);
    bool On() const { return on_; }
    const QString& Url() const { return url_; }

    // periodic: the resident loop's call; otherwise the "mount now" button.
    // True when a request was sent.
    bool ChkUM(bool periodic);
    QString RequestUrl(const QString& ip) const;

    // Address order: others (text order), then "0.", "192.", "127." ones.
    static QStringList SortAddresses(QStringList addresses);
    static QString ChooseIp(const QStringList& addresses);
    static QStringList LocalAddresses();

    // Where addresses come from; tests replace it.
    void SetAddressSource(std::function<QStringList()> source) { addresses_ = std::move(source); }
    int Counter() const { return counter_; }

private:
    void LogMemory(const QString& tag);

    CtrlFile& ctrl_;
    Fetch fetch_;
    std::function<QStringList()> addresses_;
    bool on_ = false;
    QString url_;
    QString password_;
    int last_minute_ = -1;
    int counter_ = 8;
};

}  // namespace korvi
