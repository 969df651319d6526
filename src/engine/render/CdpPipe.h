#pragma once

// engine/render: pages rendered by a headless browser (the DevTools pipe, the
// browser process, the page renderer and the test for pages that need it).
// Stands on match and page only.

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace korvi {

// A DevTools-protocol client over a pair of descriptors: JSON messages each
// ended by a NUL byte. One reader thread takes every message; replies wake the
// caller that waits for that id, events go to the event function (on the
// reader thread, so it must not block).
class CdpPipe {
public:
    using EventFn = std::function<void(const QString& method, const QJsonObject& params,
                                       const QString& sessionId)>;
    struct Reply {
        bool ok = false;     // an answer without an error came
        QJsonObject result;  // the answer's result
        QString error;       // the protocol's error text, or why no answer came
    };

    // Takes both descriptors (closed on destruction). Writes never raise SIGPIPE
    // when writeFd is a socket.
    CdpPipe(int writeFd, int readFd, EventFn onEvent);
    ~CdpPipe();
    CdpPipe(const CdpPipe&) = delete;
    CdpPipe& operator=(const CdpPipe&) = delete;

    // Sends a command and waits for its answer at most timeoutMs.
    Reply Call(const QString& method, const QJsonObject& params = {}, const QString& sessionId = {},
               int timeoutMs = 10000);
    // Sends a command whose answer nobody waits for. False when the pipe is closed.
    bool Post(const QString& method, const QJsonObject& params = {}, const QString& sessionId = {});
    // The other end went away (or a write failed).
    bool Closed() const { return closed_.load(); }
    // Stops reading and waits for the reader, so no event comes after it;
    // waiting callers return at once.
    void Close();

private:
    int Send(const QString& method, const QJsonObject& params, const QString& sessionId);
    void ReadLoop();
    void Dispatch(const QByteArray& message);
    void MarkClosed();

    int write_fd_;
    int read_fd_;
    int wake_fds_[2] = {-1, -1};  // wakes the reader for Close
    EventFn on_event_;
    std::atomic<bool> closed_{false};
    std::mutex write_mutex_;
    std::mutex join_mutex_;
    std::mutex mutex_;
    std::condition_variable cv_;
    int next_id_ = 1;
    struct Pending {
        bool done = false;
        Reply reply;
    };
    std::map<int, Pending> pending_;
    std::thread reader_;
};

}  // namespace korvi
