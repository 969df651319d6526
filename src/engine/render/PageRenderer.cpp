#include "engine/render/PageRenderer.h"

#include <QJsonArray>
#include <QUrl>

#include <algorithm>
#include <chrono>

#include "engine/render/Browser.h"
#include "engine/render/BrowserProcess.h"

namespace korvi {

namespace {

using Clock = std::chrono::steady_clock;

QString Str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

qint64 MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// The document as markup, with one UTF-8 declaration in place of any other
// (the stored copy is written as UTF-8).
const QString kTakeDocument = QStringLiteral(R"JS((() => {
  const d = document;
  for (const m of d.querySelectorAll('meta[charset], meta[http-equiv]'))
    if (m.hasAttribute('charset') || /^content-type$/i.test(m.getAttribute('http-equiv'))) m.remove();
  const m = d.createElement('meta');
  m.setAttribute('charset', 'utf-8');
  (d.head || d.documentElement).prepend(m);
  const t = d.doctype;
  const head = t ? '<!DOCTYPE ' + t.name + (t.publicId ? ' PUBLIC "' + t.publicId + '"' : '') +
      (t.systemId ? ' "' + t.systemId + '"' : '') + '>\n' : '';
  return head + d.documentElement.outerHTML;
})())JS");

// One page in one tab, from navigation to the taken document.
class PageRun {
public:
    PageRun(Browser& b, int slot, const Browser::Tab& tab, const FetchedPage& page,
            const RenderPolicy& policy, const RenderSettings& s)
        : b_(b), slot_(slot), tab_(tab), page_(page), policy_(policy), s_(s) {}

    enum class End { kSettled, kCapped, kGone, kCrashed, kStopped };

    End Settle(RenderResult& out) {
        const auto start = Clock::now();
        CdpPipe& pipe = b_.Pipe();
        // The answer to navigate comes only after the document was answered,
        // so it is not waited for here.
        if (!pipe.Post(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), page_.url}},
                       tab_.sessionId))
            return End::kGone;
        auto last = Clock::now();
        for (;;) {
            if (pipe.Closed()) return End::kGone;
            if (crashed_) return End::kCrashed;
            if (policy_.stop && policy_.stop()) return End::kStopped;
            if (loaded_ && inflight_.empty() && MsSince(last) >= s_.quietMs) return End::kSettled;
            const qint64 left = s_.capMs - MsSince(start);
            if (left <= 0) return End::kCapped;
            const qint64 quietLeft = loaded_ ? s_.quietMs - MsSince(last) : left;
            Browser::Event e;
            if (!b_.NextEvent(
                    slot_, static_cast<int>(std::clamp<qint64>(std::min(left, quietLeft), 1, 100)),
                    &e))
                continue;
            if (Handle(e, out)) last = Clock::now();
        }
    }

private:
    // True when the message was page traffic (it restarts the quiet period).
    bool Handle(const Browser::Event& e, RenderResult& out) {
        CdpPipe& pipe = b_.Pipe();
        const QJsonObject& p = e.params;
        if (e.method == u"Fetch.requestPaused") {
            Paused(p, out);
            return true;
        }
        if (e.method == u"Network.requestWillBeSent") {
            inflight_.insert(Str(p, "requestId"));
            return true;
        }
        if (e.method == u"Network.loadingFinished" || e.method == u"Network.loadingFailed") {
            inflight_.erase(Str(p, "requestId"));
            return true;
        }
        if (e.method == u"Page.loadEventFired" && e.session == tab_.sessionId) {
            loaded_ = served_;
            return true;
        }
        if (e.method == u"Page.navigatedWithinDocument" && Str(p, "frameId") == tab_.targetId) {
            // A hash route of the page already shown: no load event follows.
            loaded_ = true;
            return true;
        }
        if (e.method == u"Target.attachedToTarget") {
            const QString child = Str(p, "sessionId");
            b_.AddSession(slot_, child);
            pipe.Post(QStringLiteral("Page.enable"), {}, child);
            pipe.Post(QStringLiteral("Network.enable"), {}, child);
            pipe.Post(QStringLiteral("Target.setAutoAttach"),
                      {{QStringLiteral("autoAttach"), true},
                       {QStringLiteral("waitForDebuggerOnStart"), true},
                       {QStringLiteral("flatten"), true}},
                      child);
            pipe.Post(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, child);
            return true;
        }
        if (e.method == u"Inspector.targetCrashed" && e.session == tab_.sessionId) crashed_ = true;
        return false;
    }

    void Paused(const QJsonObject& p, RenderResult& out) {
        CdpPipe& pipe = b_.Pipe();
        const QString id = Str(p, "requestId");
        const QJsonObject request = p.value(QStringLiteral("request")).toObject();
        const QString url = Str(request, "url");
        const bool document = Str(p, "resourceType") == u"Document";
        const bool mainFrame = Str(p, "frameId") == tab_.targetId;
        if (document && mainFrame && !served_) {
            // The page itself: answered from the bytes already fetched.
            served_ = true;
            QJsonArray headers{QJsonObject{
                {QStringLiteral("name"), QStringLiteral("Content-Type")},
                {QStringLiteral("value"),
                 QString::fromLatin1(page_.contentType.isEmpty() ? QByteArray("text/html")
                                                                 : page_.contentType)}}};
            pipe.Post(QStringLiteral("Fetch.fulfillRequest"),
                      {{QStringLiteral("requestId"), id},
                       {QStringLiteral("responseCode"), page_.status > 0 ? page_.status : 200},
                       {QStringLiteral("responseHeaders"), headers},
                       {QStringLiteral("body"), QString::fromLatin1(page_.body.toBase64())}});
            return;
        }
        // The page leaving itself (a script redirect) is never followed here:
        // the document stays the one being rendered. The browser's own look
        // for a site icon is no request of the page.
        const bool ownIcon =
            Str(p, "resourceType") == u"Other" && QUrl(url).path() == u"/favicon.ico";
        const bool allowed = !(document && mainFrame) && !ownIcon &&
                             (!policy_.allow || policy_.allow(url)) &&
                             (!policy_.pace || policy_.pace(url));
        if (allowed) {
            out.requested << url;
            pipe.Post(QStringLiteral("Fetch.continueRequest"), {{QStringLiteral("requestId"), id}});
        } else {
            out.refused << url;
            // An aborted navigation leaves no error page in place of the document.
            pipe.Post(QStringLiteral("Fetch.failRequest"),
                      {{QStringLiteral("requestId"), id},
                       {QStringLiteral("errorReason"),
                        document ? QStringLiteral("Aborted") : QStringLiteral("BlockedByClient")}});
        }
    }

    Browser& b_;
    int slot_;
    Browser::Tab tab_;
    const FetchedPage& page_;
    const RenderPolicy& policy_;
    const RenderSettings& s_;
    bool served_ = false;
    bool loaded_ = false;
    bool crashed_ = false;
    std::set<QString> inflight_;
};

}  // namespace

PageRenderer::PageRenderer(const RenderSettings& settings, LogFn log)
    : settings_(settings), log_(std::move(log)) {
    settings_.tabs = std::clamp(settings_.tabs, 1, Browser::kMaxTabs);
}

PageRenderer::~PageRenderer() {
    Stop();
}

void PageRenderer::Stop() {
    std::shared_ptr<Browser> b;
    {
        std::lock_guard lock(mutex_);
        b.swap(browser_);
        starts_ = 0;
        gave_up_ = false;
        logged_.clear();
    }
    if (b) b->Shutdown();
}

qint64 PageRenderer::BrowserRssKb(bool proportional) {
    std::lock_guard lock(mutex_);
    return browser_ && !browser_->Closed()
               ? BrowserProcess::GroupRssKb(browser_->Group(), proportional)
               : 0;
}

qint64 PageRenderer::BrowserGroup() {
    std::lock_guard lock(mutex_);
    return browser_ && !browser_->Closed() ? browser_->Group() : 0;
}

void PageRenderer::LogOnce(Failure kind, const QString& detail) {
    {
        std::lock_guard lock(mutex_);
        if (!logged_.insert(kind).second) return;
    }
    QString text;
    switch (kind) {
        case Failure::kNoBrowser:
            text = QStringLiteral("ブラウザ（chromium）がないため、取得したままのページを使います");
            break;
        case Failure::kNoAnswer:
            text = QStringLiteral("ブラウザが応答しないため、取得したままのページを使います");
            break;
        case Failure::kCrash:
            text = QStringLiteral("ブラウザが異常終了しました。取得したままのページを使います");
            break;
        case Failure::kBusy:
            text = QStringLiteral(
                "応答しないページのスクリプトを止め、取得したままのページを使います");
            break;
        case Failure::kTab:
            text = QStringLiteral("ブラウザのタブを開けないため、取得したままのページを使います");
            break;
    }
    if (log_) log_(QStringLiteral("S_Thrd Render Error : ") + text + QStringLiteral("  ") + detail);
}

std::shared_ptr<Browser> PageRenderer::Ready() {
    std::unique_lock lock(mutex_);
    if (browser_ && !browser_->Closed()) return browser_;
    std::shared_ptr<Browser> dead;
    dead.swap(browser_);
    if (dead) {
        // It went away between pages.
        lock.unlock();
        LogOnce(Failure::kCrash, QString());
        lock.lock();
    }
    // A browser that went away is started again once per run.
    if (gave_up_ || starts_ >= 2) return nullptr;
    ++starts_;
    QString program =
        settings_.program.isEmpty() ? BrowserProcess::FindChromium() : settings_.program;
    QString error;
    bool noAnswer = false;
    std::shared_ptr<Browser> b =
        program.isEmpty()
            ? nullptr
            : Browser::Launch(program, settings_.userAgent, settings_.answerMs, &error, &noAnswer);
    if (!b) {
        if (program.isEmpty() || !noAnswer) gave_up_ = true;
        lock.unlock();
        if (dead) dead->Shutdown();
        LogOnce(noAnswer ? Failure::kNoAnswer : Failure::kNoBrowser,
                program.isEmpty() ? QStringLiteral("chromium") : program + u' ' + error);
        return nullptr;
    }
    browser_ = b;
    lock.unlock();
    if (dead) dead->Shutdown();
    return b;
}

RenderResult PageRenderer::Render(const FetchedPage& page, const RenderPolicy& policy) {
    RenderResult out;
    std::shared_ptr<Browser> b = Ready();
    if (!b) return out;
    Browser::Tab tab;
    const int slot = b->Acquire(settings_.tabs, &tab);
    if (slot < 0) {
        if (b->Closed())
            LogOnce(Failure::kCrash, page.url);
        else
            LogOnce(Failure::kTab, page.url);
        return out;
    }
    PageRun run(*b, slot, tab, page, policy, settings_);
    const PageRun::End end = run.Settle(out);
    if (end == PageRun::End::kGone || end == PageRun::End::kStopped) {
        if (end == PageRun::End::kGone) LogOnce(Failure::kCrash, page.url);
        b->Release(slot);
        return out;
    }
    if (end != PageRun::End::kCrashed) {
        const CdpPipe::Reply taken =
            b->Pipe().Call(QStringLiteral("Runtime.evaluate"),
                           {{QStringLiteral("expression"), kTakeDocument},
                            {QStringLiteral("returnByValue"), true}},
                           tab.sessionId, end == PageRun::End::kCapped ? 2000 : 5000);
        const QJsonObject value = taken.result.value(QStringLiteral("result")).toObject();
        if (taken.ok && value.value(QStringLiteral("type")).toString() == u"string") {
            out.html = value.value(QStringLiteral("value")).toString();
            out.ok = true;
            b->Release(slot);
            return out;
        }
        if (b->Closed()) {
            LogOnce(Failure::kCrash, page.url);
            b->Release(slot);
            return out;
        }
        // A page whose script never yields: stop it and give up the tab.
        b->Pipe().Post(QStringLiteral("Runtime.terminateExecution"), {}, tab.sessionId);
        LogOnce(Failure::kBusy, page.url);
    } else {
        LogOnce(Failure::kCrash, page.url);
    }
    b->DropTab(slot);
    b->Release(slot);
    return out.ok ? out : RenderResult{};
}

}  // namespace korvi
