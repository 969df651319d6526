#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "server/ContentTypeTable.h"
#include "server/HttpHeadReader.h"
#include "server/HttpSrvrGuard.h"
#include "server/HttpSrvrLog.h"
#include "server/HttpSrvrOpt.h"
#include "server/HttpSrvrSeams.h"
#include "server/HttpSrvrSrchPool.h"

namespace korvi {

class Context;
class CtrlFile;
class HttpChannel;

// The local HTTP/1.0 server: one listener thread and a pool of at most eight
// channels, each serving one connection at a time. The listener reads request
// heads itself, so a connection takes a channel only once its request is
// there; requests wait in line for a free channel. Searches run in a pool of
// their own. The resident program owns one instance; Start and Stop are its
// start and stop buttons.
class HttpSrvr {
public:
    enum State { kNotStarted = 0, kRunning = 1, kStopped = 2, kNotInUse = 3 };
    static constexpr int max_chnnl = 8;
    static constexpr int kBacklog = 1024;
    static constexpr int kWaitMs = 200;
    // Connections still sending their head, and requests waiting for a
    // channel; beyond the second the server answers 503 at once.
    static constexpr int kMaxHeld = 1024;
    static constexpr int kMaxQueued = 1024;
    // How long a new connection may stay silent.
    static constexpr int kFirstByteMs = 2000;

    // Settings, tables and lists as the last Start read them.
    struct Tables {
        HttpSrvrOpt opt;
        ContentTypeTable cntnt_typ_tbl;
        QStringList accept_lst;
        QStringList avoid_lst;
    };

    // What a channel needs from outside, copied per request.
    struct Seams {
        HttpSrvrDocs docs;
        LogSrchFn log_srch;
        ContentTypeTable::TextProbe text_probe;
    };

    explicit HttpSrvr(Context& ctx);
    ~HttpSrvr();
    HttpSrvr(const HttpSrvr&) = delete;
    HttpSrvr& operator=(const HttpSrvr&) = delete;

    void SetDocs(HttpSrvrDocs docs);
    void SetLogSrch(LogSrchFn fn);
    void SetTextProbe(ContentTypeTable::TextProbe probe);
    // Overrides the read time-out of the settings (ms, > 0: the time a whole
    // request head may take) and the time a new connection may stay silent
    // (ms, > 0; otherwise kFirstByteMs, never more than the read time-out).
    void SetTimeouts(int readTimeoutMs, int firstByteMs = 0);

    // Reads the settings again and starts (or resumes) serving when "use" is
    // on; returns the new state.
    int Start();
    // Pauses accepting; connections wait in the backlog.
    void Stop();
    // Ends the listener and every channel (program end).
    void Shutdown();

    int GetState() const { return state_.load(); }
    // Why the last Start could not open its listener; "" when it could.
    QString LastError() const;
    // The port actually listened on (useful with port 0); -1 when none.
    int Port() const { return port_.load(); }
    // Channels created so far and those serving now.
    int CreatedChannels() const;
    int BusyChannels() const;

    // Used by the channels.
    std::shared_ptr<const Tables> GetTables() const;
    Seams GetSeams() const;
    int ReadTimeoutMs() const;
    int FirstByteMs() const;
    std::shared_ptr<const HttpSrvrGuard> GetGuard() const;
    HttpSrvrSrchPool& SrchPool() { return srch_pool_; }
    // Waits for a request; false when the channels are to end.
    bool TakeArrival(HttpArrival* out);
    CtrlFile& Ctrl() { return ctrl_; }
    void OutLog(const QString& message) { log_.OutLog(message); }
    const std::atomic<bool>& StopFlag() const { return stop_; }
    // Result pages kept in server/tmp besides those of searches under way:
    // the newest hundred, none older than a day.
    static constexpr int kResultsKept = 100;
    static constexpr qint64 kResultAgeMs = 24LL * 3600 * 1000;
    // A result-file id that no other pending search uses; older result
    // files go as it is taken.
    QString NewResultId();
    void ReleaseResultId(const QString& id);
    // Result file of an id, absolute.
    QString ResultFile(const QString& id) const;

private:
    bool LoadTables(std::shared_ptr<Tables>* out);
    void PruneResultsLocked();
    bool Init(const std::shared_ptr<const Tables>& tables);
    void Init2();
    // Hands a request to the channels (creating one when none is free), or
    // answers 503 when too many wait already.
    void SetChnnl(HttpArrival arrival);
    static void Refuse(int fd);
    // Logs why connections were given up, then closes them.
    void Drop(const std::vector<HttpDropped>& dropped);
    void WaitThrd();
    void EndListener();
    QString DateText() const;

    CtrlFile& ctrl_;
    HttpSrvrLog log_;
    std::atomic<int> state_{kNotStarted};
    std::atomic<int> port_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<bool> listener_stop_{false};
    std::atomic<int> read_timeout_override_{0};
    std::atomic<int> first_byte_ms_{0};

    mutable std::mutex mutex_;  // tables, seams, ids, last error
    std::shared_ptr<const Tables> tables_;
    std::shared_ptr<const HttpSrvrGuard> guard_;
    Seams seams_;
    QSet<QString> pending_ids_;

    std::mutex start_mutex_;  // Start, Stop, Shutdown
    int s_socket_ = -1;
    QString listen_bind_;
    QString last_error_;
    int listen_port_ = -1;
    std::thread listener_;

    mutable std::mutex chnnl_mutex_;  // the pool and the line of requests
    std::condition_variable arrived_;
    std::deque<HttpArrival> arrivals_;
    int idle_chnnl_ = 0;
    bool chnnl_quit_ = false;
    std::array<std::unique_ptr<HttpChannel>, max_chnnl> chnnl_lst_;

    HttpSrvrSrchPool srch_pool_;
};

}  // namespace korvi
