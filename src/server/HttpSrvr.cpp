#include "server/HttpSrvr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>

#include "server/AccessList.h"
#include "server/HttpChannel.h"
#include "server/HttpSrvrSocket.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kOptFile = QStringLiteral("server/opt.ini");

}  // namespace

HttpSrvr::HttpSrvr(Context& ctx) : ctrl_(ctx.Ctrl()), log_(ctx.Ctrl()) {}

HttpSrvr::~HttpSrvr() {
    Shutdown();
}

void HttpSrvr::SetDocs(HttpSrvrDocs docs) {
    std::lock_guard lock(mutex_);
    seams_.docs = std::move(docs);
}

void HttpSrvr::SetLogSrch(LogSrchFn fn) {
    std::lock_guard lock(mutex_);
    seams_.log_srch = std::move(fn);
}

void HttpSrvr::SetTextProbe(ContentTypeTable::TextProbe probe) {
    std::lock_guard lock(mutex_);
    seams_.text_probe = std::move(probe);
}

void HttpSrvr::SetTimeouts(int readTimeoutMs, int firstByteMs) {
    read_timeout_override_.store(readTimeoutMs > 0 ? readTimeoutMs : 0);
    first_byte_ms_.store(firstByteMs > 0 ? firstByteMs : 0);
}

std::shared_ptr<const HttpSrvr::Tables> HttpSrvr::GetTables() const {
    std::lock_guard lock(mutex_);
    return tables_ ? tables_ : std::make_shared<const Tables>();
}

HttpSrvr::Seams HttpSrvr::GetSeams() const {
    std::lock_guard lock(mutex_);
    return seams_;
}

int HttpSrvr::ReadTimeoutMs() const {
    const int over = read_timeout_override_.load();
    return over > 0 ? over : GetTables()->opt.read_timeout_ms;
}

int HttpSrvr::FirstByteMs() const {
    const int set = first_byte_ms_.load();
    return qMin(set > 0 ? set : kFirstByteMs, ReadTimeoutMs());
}

std::shared_ptr<const HttpSrvrGuard> HttpSrvr::GetGuard() const {
    std::lock_guard lock(mutex_);
    return guard_ ? guard_ : std::make_shared<const HttpSrvrGuard>();
}

QString HttpSrvr::ResultFile(const QString& id) const {
    return ctrl_.Abs(QStringLiteral("server/tmp/") + id + QStringLiteral(".html"));
}

QString HttpSrvr::NewResultId() {
    const QString base = ctrl_.GetDayTimeStr();
    std::lock_guard lock(mutex_);
    QString id = base;
    for (int n = 1; pending_ids_.contains(id) || QFileInfo::exists(ResultFile(id)); ++n) {
        id = base + u'_' + QString::number(n);
    }
    pending_ids_.insert(id);
    PruneResultsLocked();
    return id;
}

void HttpSrvr::PruneResultsLocked() {
    // Newest first; a search under way keeps its file whatever its age.
    const QFileInfoList files =
        QDir(ctrl_.Abs(QStringLiteral("server/tmp")))
            .entryInfoList({QStringLiteral("*.html")}, QDir::Files | QDir::Hidden | QDir::System,
                           QDir::Time);
    const qint64 cutoff = ctrl_.GetClock().NowMs() - kResultAgeMs;
    int kept = 0;
    for (const QFileInfo& f : files) {
        if (pending_ids_.contains(f.completeBaseName())) continue;
        if (kept < kResultsKept && f.lastModified().toMSecsSinceEpoch() >= cutoff) {
            ++kept;
            continue;
        }
        QFile::remove(f.absoluteFilePath());
    }
}

void HttpSrvr::ReleaseResultId(const QString& id) {
    std::lock_guard lock(mutex_);
    pending_ids_.remove(id);
}

QString HttpSrvr::DateText() const {
    return ctrl_.GetClock().NowJst().toString(Qt::TextDate) + u' ';
}

bool HttpSrvr::LoadTables(std::shared_ptr<Tables>* out) {
    auto t = std::make_shared<Tables>();
    const QString optText =
        QFileInfo::exists(ctrl_.Abs(kOptFile)) ? ctrl_.LoadData(kOptFile) : QString("");
    if (!t->opt.Load(optText)) {
        ctrl_.SaveErrLog(QStringLiteral("WinSrvr HttpServerOpt Files Error : no data"));
        *out = t;
        return false;
    }
    auto load = [this](const QString& rel) {
        return QFileInfo::exists(ctrl_.Abs(rel)) ? ctrl_.LoadData(rel) : QString("");
    };
    t->cntnt_typ_tbl.Load(load(QStringLiteral("server/cntnt.txt")));
    t->accept_lst = AccessList::Parse(load(QStringLiteral("server/accept.txt")));
    t->avoid_lst = AccessList::Parse(load(QStringLiteral("server/avoid.txt")));
    *out = t;
    return true;
}

int HttpSrvr::Start() {
    std::lock_guard guard(start_mutex_);
    if (state_.load() == kRunning) return kRunning;
    stop_.store(false);
    std::shared_ptr<Tables> t;
    const bool ok = LoadTables(&t);
    {
        std::lock_guard lock(mutex_);
        tables_ = t;
    }
    if (!ok || !t->opt.use) {
        EndListener();
        state_.store(kNotInUse);
        return kNotInUse;
    }
    // A stopped listener on the same address simply resumes; a changed port
    // or address takes a new listener.
    if (s_socket_ >= 0 && listen_port_ == t->opt.port && listen_bind_ == t->opt.bind) {
        state_.store(kRunning);
        return kRunning;
    }
    EndListener();
    if (!Init(t)) {
        state_.store(kNotStarted);
        return kNotStarted;
    }
    state_.store(kRunning);
    return kRunning;
}

void HttpSrvr::Stop() {
    int running = kRunning;
    state_.compare_exchange_strong(running, kStopped);
}

QString HttpSrvr::LastError() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

bool HttpSrvr::Init(const std::shared_ptr<const Tables>& tables) {
    QString error;
    const int fd = HttpSrvrListen(tables->opt.bind, tables->opt.port, kBacklog, &error);
    {
        std::lock_guard lock(mutex_);
        last_error_ = fd < 0 ? error : QString("");
    }
    if (fd < 0) {
        const QString line = QStringLiteral("HttpSrvr Init Error2 : ") + error;
        OutLog(line);
        ctrl_.SaveErrLog(line);
        return false;
    }
    // Accepting drains the backlog until it would block.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    s_socket_ = fd;
    listen_port_ = tables->opt.port;
    listen_bind_ = tables->opt.bind;
    port_.store(HttpSrvrBoundPort(fd));
    {
        auto guard = std::make_shared<const HttpSrvrGuard>(tables->opt.bind, port_.load());
        std::lock_guard lock(mutex_);
        guard_ = std::move(guard);
    }
    {
        std::lock_guard lock(chnnl_mutex_);
        chnnl_quit_ = false;
    }
    listener_stop_.store(false);
    listener_ = std::thread([this] { Init2(); });
    return true;
}

void HttpSrvr::WaitThrd() {
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
}

void HttpSrvr::Init2() {
    OutLog(DateText() + QStringLiteral("START Web_Server port=") + QString::number(port_.load()));
    const int fd = s_socket_;
    HttpHeadReader reader(kMaxHeld);
    std::vector<pollfd> fds;
    std::vector<HttpArrival> done;
    std::vector<HttpDropped> dropped;
    while (!listener_stop_.load() && !stop_.load()) {
        const int headMs = ReadTimeoutMs();
        const int firstMs = FirstByteMs();
        // Stopped: new connections wait in the backlog; those already taken
        // are still read.
        const bool accepting = state_.load() != kStopped;
        fds.clear();
        fds.push_back({accepting ? fd : -1, POLLIN, 0});
        reader.PollSet(&fds);
        const int wait = reader.NextLimitMs(HttpSrvrSocket::NowMs(), firstMs, headMs, kWaitMs) + 1;
        const int r = ::poll(fds.data(), fds.size(), wait);
        if (r < 0 && errno != EINTR) {
            const QString line = QStringLiteral("HttpSrvr Init Error : ") +
                                 QString::fromLocal8Bit(std::strerror(errno));
            OutLog(line);
            ctrl_.SaveErrLog(line);
            break;
        }
        if (listener_stop_.load() || stop_.load()) break;
        done.clear();
        dropped.clear();
        reader.Step(fds, 1, HttpSrvrSocket::NowMs(), firstMs, headMs, &done, &dropped);
        bool failed = false;
        if (accepting && r > 0 && (fds[0].revents & POLLIN)) {
            // Everything waiting in the backlog, in one go.
            for (int n = 0; n < kMaxHeld; ++n) {
                const int conn = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (conn >= 0) {
                    reader.Add(conn, HttpSrvrSocket::NowMs(), &dropped);
                    continue;
                }
                if (errno == EINTR || errno == ECONNABORTED) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                const QString line = QStringLiteral("HttpSrvr Init Error : ") +
                                     QString::fromLocal8Bit(std::strerror(errno));
                OutLog(line);
                ctrl_.SaveErrLog(line);
                // Running out of descriptors passes; anything else ends the
                // listener.
                if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) {
                    failed = true;
                } else {
                    WaitThrd();
                }
                break;
            }
        }
        Drop(dropped);
        for (HttpArrival& a : done) {
            try {
                SetChnnl(std::move(a));
            } catch (const std::exception& e) {
                ::close(a.fd);
                ctrl_.SaveErrLog(QStringLiteral("HttpSrvr SetChnnl Error : ") +
                                 QString::fromLocal8Bit(e.what()));
            }
        }
        if (failed) break;
    }
    reader.CloseAll();
    OutLog(DateText() + QStringLiteral("End Web_Server"));
}

void HttpSrvr::Drop(const std::vector<HttpDropped>& dropped) {
    // A silent connection is no error (browsers open some ahead); the rest
    // are logged once per reason, so that a flood does not flood the logs.
    QStringList reasons;
    for (const HttpDropped& d : dropped) reasons.append(d.reason);
    QStringList seen;
    for (const QString& reason : reasons) {
        if (reason == HttpHeadReader::Silent() || seen.contains(reason)) continue;
        seen.append(reason);
        const qsizetype n = reasons.count(reason);
        const QString line = QStringLiteral("HttpSrvr ResReq Error2 : ") + reason +
                             (n > 1 ? QStringLiteral(" (") + QString::number(n) + u')' : QString());
        OutLog(line);
        ctrl_.SaveErrLog(line);
    }
    for (const HttpDropped& d : dropped) ::close(d.fd);
}

void HttpSrvr::EndListener() {
    listener_stop_.store(true);
    if (listener_.joinable()) listener_.join();
    if (s_socket_ >= 0) ::close(s_socket_);
    s_socket_ = -1;
    listen_port_ = -1;
    listen_bind_.clear();
    port_.store(-1);
}

void HttpSrvr::SetChnnl(HttpArrival arrival) {
    std::unique_lock lock(chnnl_mutex_);
    if (static_cast<int>(arrivals_.size()) >= kMaxQueued || chnnl_quit_) {
        lock.unlock();
        Refuse(arrival.fd);
        OutLog(QStringLiteral("HttpSrvr SetChnnl : all channels busy, 503 answered"));
        return;
    }
    arrivals_.push_back(std::move(arrival));
    // A new channel only when the idle ones cannot take every waiting request.
    if (static_cast<int>(arrivals_.size()) > idle_chnnl_) {
        for (int i = 0; i < max_chnnl; ++i) {
            if (chnnl_lst_[i]) continue;
            chnnl_lst_[i] = std::make_unique<HttpChannel>(*this, i);
            OutLog(QStringLiteral("The Channel[") + QString::number(i + 1) +
                   QStringLiteral("] has been created."));
            break;
        }
    }
    lock.unlock();
    arrived_.notify_one();
}

bool HttpSrvr::TakeArrival(HttpArrival* out) {
    std::unique_lock lock(chnnl_mutex_);
    ++idle_chnnl_;
    arrived_.wait(lock, [this] { return !arrivals_.empty() || chnnl_quit_; });
    --idle_chnnl_;
    if (chnnl_quit_) return false;
    *out = std::move(arrivals_.front());
    arrivals_.pop_front();
    return true;
}

void HttpSrvr::Refuse(int fd) {
    static const char kBusy[] =
        "HTTP/1.0 503 Service Unavailable\r\nConnection: close\r\nRetry-After: 1\r\n\r\n";
    (void)::send(fd, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

int HttpSrvr::CreatedChannels() const {
    std::lock_guard lock(chnnl_mutex_);
    int n = 0;
    for (const auto& c : chnnl_lst_) n += c ? 1 : 0;
    return n;
}

int HttpSrvr::BusyChannels() const {
    std::lock_guard lock(chnnl_mutex_);
    int n = 0;
    for (const auto& c : chnnl_lst_) n += (c && c->Busy()) ? 1 : 0;
    return n;
}

void HttpSrvr::Shutdown() {
    std::lock_guard guard(start_mutex_);
    stop_.store(true);
    EndListener();
    std::array<std::unique_ptr<HttpChannel>, max_chnnl> channels;
    std::deque<HttpArrival> waiting;
    {
        std::lock_guard lock(chnnl_mutex_);
        chnnl_quit_ = true;
        channels.swap(chnnl_lst_);
        waiting.swap(arrivals_);
    }
    arrived_.notify_all();
    for (auto& c : channels) {
        if (c) c->Quit();
    }
    channels = {};
    for (const HttpArrival& a : waiting) ::close(a.fd);
    // Searches see the stop flag and end; their result pages are written.
    srch_pool_.Drain();
    if (state_.load() != kNotInUse) state_.store(kNotStarted);
}

}  // namespace korvi
