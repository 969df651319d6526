#pragma once

#include <QJsonObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/render/BrowserProcess.h"
#include "engine/render/CdpPipe.h"

namespace korvi {

// One running browser: its process, its protocol pipe and its tabs. Every
// request any page makes is paused browser-wide; the reader thread routes each
// message to the tab it belongs to (by session, by frame), and the thread that
// holds the tab handles it. Messages for a tab nobody holds are refused.
class Browser {
public:
    struct Event {
        QString method;
        QJsonObject params;
        QString session;
    };
    struct Tab {
        QString targetId;
        QString sessionId;
    };

    // Starts chromium and waits for its version answer; null with *error set
    // (*noAnswer when it started but stayed silent).
    static std::shared_ptr<Browser> Launch(const QString& program, const QString& userAgent,
                                           int answerTimeoutMs, QString* error, bool* noAnswer);
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    CdpPipe& Pipe() { return *pipe_; }
    bool Closed() const { return pipe_->Closed(); }
    pid_t Group() const { return process_.Pid(); }

    // Takes a free tab slot of the first `slots`, waiting while all are held;
    // -1 when the browser went away. The slot's tab is opened on first use.
    int Acquire(int slots, Tab* tab);
    void Release(int slot);
    // Forgets (and closes) the slot's tab; the next holder opens a new one.
    void DropTab(int slot);
    // Waits up to ms for the next message of the held slot; false on time-out
    // or when the browser went away.
    bool NextEvent(int slot, int ms, Event* event);
    // Messages of this child session go to the slot too.
    void AddSession(int slot, const QString& sessionId);
    // Closes the pipe and ends the process group.
    void Shutdown();

    static constexpr int kMaxTabs = 4;

private:
    Browser() = default;
    void Route(const QString& method, const QJsonObject& params, const QString& session);
    bool OpenTab(int slot);

    BrowserProcess process_;
    std::unique_ptr<CdpPipe> pipe_;
    std::mutex mutex_;
    std::condition_variable cv_;
    struct Slot {
        Tab tab;
        bool held = false;
        std::deque<Event> events;
    };
    Slot slots_[kMaxTabs];
    std::map<QString, int> sessions_;  // session -> slot
    std::map<QString, int> frames_;    // frame -> slot
};

}  // namespace korvi
