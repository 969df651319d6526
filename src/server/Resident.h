#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

#include "server/SrvrCtl.h"
#include "server/UrlMount.h"

namespace korvi {

class Context;
class HttpSrvr;
class KorviSchd;
class MessageListener;
class ResidentHost;
class SchdCheck;
class SchdHost;
class WinSrvrCore;

// One resident process: the message field and its loop, the HTTP server,
// the schedule check, the URL mount and the local socket through which other
// processes hand in text. Start and Stop are called on a thread with an
// event loop (the socket's notifications arrive there).
class Resident : public SrvrCtl {
public:
    struct Options {
        UrlMount::Fetch fetch;  // the mount request; empty sends nothing
        int loopMs = 200;
    };

    Resident(Context& ctx, ResidentHost& host, SchdHost& schd, Options options);
    ~Resident() override;
    Resident(const Resident&) = delete;
    Resident& operator=(const Resident&) = delete;

    // Takes the local socket of the home, starts the server as "server/opt.ini"
    // says, loads schedules and mount settings, puts message into the field
    // (when not empty) and starts the loop. False, with nothing started, when
    // another instance holds the socket.
    bool Start(const QString& message, QString* error = nullptr);
    void Stop();
    bool Running() const { return running_; }

    WinSrvrCore& Core() { return *core_; }
    HttpSrvr& Http() { return *http_; }
    KorviSchd& Schedules() { return *table_; }
    UrlMount& Mount() { return *mount_; }

    // SrvrCtl: the settings window's start and stop buttons and "mount now".
    int SrvrState() const override;
    int StartSrvr(QString* error) override;
    void StopSrvr() override;
    bool MountNow(QString* url) override;

private:
    Context& ctx_;
    Options options_;
    std::unique_ptr<WinSrvrCore> core_;
    std::unique_ptr<HttpSrvr> http_;
    std::unique_ptr<KorviSchd> table_;
    std::unique_ptr<SchdCheck> check_;
    std::unique_ptr<UrlMount> mount_;
    std::unique_ptr<MessageListener> listener_;
    bool running_ = false;
    // The mount runs on the loop's thread and on the "mount now" worker.
    std::mutex mount_mutex_;
    std::atomic<bool> mount_reload_{false};
};

}  // namespace korvi
