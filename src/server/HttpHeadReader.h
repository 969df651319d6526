#pragma once

#include <QByteArray>
#include <QString>

#include <poll.h>
#include <vector>

namespace korvi {

// A connection whose request head has arrived (or that closed before it
// sent anything: head empty), ready for a channel.
struct HttpArrival {
    int fd = -1;
    QByteArray head;
};

// A connection given up, still open so that its reason is logged before the
// client sees it closed.
struct HttpDropped {
    int fd = -1;
    QString reason;
};

// The listener's connections that have not sent their request head yet. They
// hold no channel: the listener polls them all and passes each on once its
// head is complete.
class HttpHeadReader {
public:
    static constexpr qsizetype kMaxHead = 16 * 1024;
    // The reason given for a connection that never sent a byte.
    static QString Silent() { return QStringLiteral("silent"); }

    explicit HttpHeadReader(int maxHeld) : max_held_(maxHeld) {}
    ~HttpHeadReader() { CloseAll(); }
    HttpHeadReader(const HttpHeadReader&) = delete;
    HttpHeadReader& operator=(const HttpHeadReader&) = delete;

    // Takes a non-blocking connection. When full, the oldest connection that
    // has sent nothing (else the oldest) is dropped to make room.
    void Add(int fd, qint64 nowMs, std::vector<HttpDropped>* dropped);
    // One poll entry per connection, appended.
    void PollSet(std::vector<pollfd>* fds) const;
    // Reads what the poll reported (entries from offset on, in PollSet order)
    // and applies the time limits: nothing within firstByteMs, or no whole
    // head within headMs. A request line whose head never ends is passed on
    // at its limit. The caller closes what lands in dropped.
    void Step(const std::vector<pollfd>& fds, size_t offset, qint64 nowMs, int firstByteMs,
              int headMs, std::vector<HttpArrival>* done, std::vector<HttpDropped>* dropped);
    // Milliseconds until the next time limit, at most capMs.
    int NextLimitMs(qint64 nowMs, int firstByteMs, int headMs, int capMs) const;
    int Held() const { return static_cast<int>(conns_.size()); }
    void CloseAll();

private:
    struct Conn {
        int fd = -1;
        qint64 since = 0;
        QByteArray bytes;
    };
    // Reads what is there; true when the connection is finished with.
    bool ReadSome(Conn& c, std::vector<HttpArrival>* done, std::vector<HttpDropped>* dropped);

    int max_held_;
    std::vector<Conn> conns_;
};

}  // namespace korvi
