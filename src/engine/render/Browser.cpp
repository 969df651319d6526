#include "engine/render/Browser.h"

#include <QJsonArray>

#include <algorithm>
#include <chrono>

namespace korvi {

namespace {

QString Str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

// Child targets (cross-site frames, workers) attach paused, report their
// frames and traffic to the tab, then run.
void PrepareSession(CdpPipe& pipe, const QString& session) {
    pipe.Post(QStringLiteral("Page.enable"), {}, session);
    pipe.Post(QStringLiteral("Network.enable"), {}, session);
    pipe.Post(QStringLiteral("Target.setAutoAttach"),
              {{QStringLiteral("autoAttach"), true},
               {QStringLiteral("waitForDebuggerOnStart"), true},
               {QStringLiteral("flatten"), true}},
              session);
}

}  // namespace

std::shared_ptr<Browser> Browser::Launch(const QString& program, const QString& userAgent,
                                         int answerTimeoutMs, QString* error, bool* noAnswer) {
    *noAnswer = false;
    std::shared_ptr<Browser> b(new Browser());
    int to = -1, from = -1;
    if (!b->process_.Start(program, userAgent, &to, &from, error)) return nullptr;
    Browser* raw = b.get();
    b->pipe_ = std::make_unique<CdpPipe>(
        to, from,
        [raw](const QString& m, const QJsonObject& p, const QString& s) { raw->Route(m, p, s); });
    const CdpPipe::Reply version =
        b->pipe_->Call(QStringLiteral("Browser.getVersion"), {}, {}, answerTimeoutMs);
    if (!version.ok) {
        *noAnswer = true;
        *error = version.error;
        b->Shutdown();
        return nullptr;
    }
    // Every request of every page waits for a decision.
    const QJsonArray patterns{
        QJsonObject{{QStringLiteral("urlPattern"), QStringLiteral("*")},
                    {QStringLiteral("requestStage"), QStringLiteral("Request")}}};
    const CdpPipe::Reply fetch =
        b->pipe_->Call(QStringLiteral("Fetch.enable"), {{QStringLiteral("patterns"), patterns}}, {},
                       answerTimeoutMs);
    if (!fetch.ok) {
        *error = QStringLiteral("Fetch.enable: ") + fetch.error;
        b->Shutdown();
        return nullptr;
    }
    return b;
}

Browser::~Browser() {
    Shutdown();
}

void Browser::Shutdown() {
    if (pipe_) pipe_->Close();
    {
        std::lock_guard lock(mutex_);
        cv_.notify_all();
    }
    process_.Stop();
}

void Browser::Route(const QString& method, const QJsonObject& params, const QString& session) {
    std::unique_lock lock(mutex_);
    int slot = -1;
    if (!session.isEmpty()) {
        const auto it = sessions_.find(session);
        if (it != sessions_.end()) slot = it->second;
    } else if (method == u"Fetch.requestPaused") {
        const auto it = frames_.find(Str(params, "frameId"));
        if (it != frames_.end()) slot = it->second;
    }
    if (slot >= 0 && method == u"Target.attachedToTarget") {
        const QString child = Str(params, "sessionId");
        sessions_[child] = slot;
        frames_[Str(params.value(QStringLiteral("targetInfo")).toObject(), "targetId")] = slot;
    } else if (slot >= 0 && method == u"Page.frameAttached") {
        frames_[Str(params, "frameId")] = slot;
    }
    if (slot >= 0 && slots_[slot].held) {
        slots_[slot].events.push_back({method, params, session});
        cv_.notify_all();
        return;
    }
    lock.unlock();
    // Nobody holds the page: its requests are refused, its children let go.
    if (method == u"Fetch.requestPaused") {
        pipe_->Post(QStringLiteral("Fetch.failRequest"),
                    {{QStringLiteral("requestId"), Str(params, "requestId")},
                     {QStringLiteral("errorReason"), QStringLiteral("BlockedByClient")}});
    } else if (method == u"Target.attachedToTarget") {
        pipe_->Post(QStringLiteral("Runtime.runIfWaitingForDebugger"), {},
                    Str(params, "sessionId"));
    }
}

bool Browser::OpenTab(int slot) {
    const CdpPipe::Reply made =
        pipe_->Call(QStringLiteral("Target.createTarget"),
                    {{QStringLiteral("url"), QStringLiteral("about:blank")}});
    if (!made.ok) return false;
    const QString target = Str(made.result, "targetId");
    {
        std::lock_guard lock(mutex_);
        frames_[target] = slot;
    }
    const CdpPipe::Reply attached =
        pipe_->Call(QStringLiteral("Target.attachToTarget"),
                    {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}});
    if (!attached.ok) return false;
    const QString session = Str(attached.result, "sessionId");
    {
        std::lock_guard lock(mutex_);
        sessions_[session] = slot;
        slots_[slot].tab = {target, session};
    }
    PrepareSession(*pipe_, session);
    // The first answer on the session tells that the setup went through.
    return pipe_->Call(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, session).ok;
}

int Browser::Acquire(int slots, Tab* tab) {
    slots = std::clamp(slots, 1, kMaxTabs);
    int slot = -1;
    {
        std::unique_lock lock(mutex_);
        const auto ready = [&] {
            if (!pipe_ || pipe_->Closed()) return true;
            for (int i = 0; i < slots; ++i) {
                if (!slots_[i].held) {
                    slot = i;
                    return true;
                }
            }
            return false;
        };
        // The pipe's end wakes nobody here, so the wait looks again now and then.
        while (!ready()) cv_.wait_for(lock, std::chrono::milliseconds(200));
        if (slot < 0) return -1;
        slots_[slot].held = true;
        slots_[slot].events.clear();
    }
    if (slots_[slot].tab.targetId.isEmpty() && !OpenTab(slot)) {
        DropTab(slot);
        Release(slot);
        return -1;
    }
    std::lock_guard lock(mutex_);
    *tab = slots_[slot].tab;
    return slot;
}

void Browser::Release(int slot) {
    std::lock_guard lock(mutex_);
    slots_[slot].held = false;
    slots_[slot].events.clear();
    cv_.notify_all();
}

void Browser::DropTab(int slot) {
    QString target;
    {
        std::lock_guard lock(mutex_);
        target = slots_[slot].tab.targetId;
        slots_[slot].tab = {};
        for (auto it = sessions_.begin(); it != sessions_.end();)
            it = it->second == slot ? sessions_.erase(it) : std::next(it);
        for (auto it = frames_.begin(); it != frames_.end();)
            it = it->second == slot ? frames_.erase(it) : std::next(it);
    }
    if (!target.isEmpty() && pipe_)
        pipe_->Post(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), target}});
}

void Browser::AddSession(int slot, const QString& sessionId) {
    std::lock_guard lock(mutex_);
    sessions_[sessionId] = slot;
}

bool Browser::NextEvent(int slot, int ms, Event* event) {
    std::unique_lock lock(mutex_);
    const bool got = cv_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [&] {
        return !slots_[slot].events.empty() || !pipe_ || pipe_->Closed();
    });
    if (!got || slots_[slot].events.empty()) return false;
    *event = std::move(slots_[slot].events.front());
    slots_[slot].events.pop_front();
    return true;
}

}  // namespace korvi
