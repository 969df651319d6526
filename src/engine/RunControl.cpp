#include "engine/RunControl.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>
#include <chrono>

#include "engine/RunRenderer.h"
#include "engine/crawl/HostPacer.h"
#include "engine/crawl/HttpFetch.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/crawl/RobotsCache.h"
#include "engine/page/OfflineLedger.h"
#include "engine/profile/Profile.h"
#include "engine/render/PageRenderer.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

RegionFlags Flags(const RegionBoxes& boxes) {
    RegionFlags f;
    f.domain_out = boxes.domain_out;
    f.directory_out = boxes.directory_out;
    f.directory_in = boxes.directory_in;
    return f;
}

const QString kWaitingResult = QStringLiteral("未");

// Ticks between two attempts to start a worker whose thread could not be made.
constexpr long kStartRetryTicks = 20;

}  // namespace

RunSettings RunSettings::FromOpt(const DlSrchOpt& opt, const QString& baseUrl) {
    RunSettings r;
    SrchThrdSettings& w = r.worker;
    w.filter.base_url = baseUrl;
    w.filter.target = Flags(opt.panel.target);
    w.filter.crs_target = Flags(opt.panel.crs_target);
    w.filter.ext_mode = static_cast<ExtFilterMode>(static_cast<int>(opt.panel.filter_type));
    w.filter.ext_list = opt.panel.filter_string;
    w.filter.filter_start = opt.panel.filter_start;
    w.depthMax = opt.depth_max;
    w.forcedLink = opt.forced_link;
    w.preSearch = opt.pre_search;
    w.preGetUrl = opt.pre_get_url;
    w.stopGetUrl = opt.stop_get_url;
    w.restSharp = opt.rest_sharp;
    w.localLink = opt.mk_local_link ? 0 : 1;
    w.footTag = opt.add_foot_tag ? 0 : 1;
    w.footTagExtension = opt.foot_tag_extension;
    w.userAgent = opt.user_agent;
    w.retryWaitMs = opt.re_time > 0 ? opt.re_time * 1000 : 0;
    w.overwriteType = opt.overwrite_type;
    w.overwriteLocalLoad = opt.overwrite_local_load;
    w.offlineLink = opt.offline_link;
    w.robotsTxt = opt.robots_txt;
    w.renderJs = opt.render_js;
    w.renderKeepSource = opt.render_keep_source;
    w.hostWaitMs = std::max(0, opt.host_wait);
    r.thrdMax = std::max(1, opt.thrd_max);
    r.depthMax = opt.depth_max;
    r.hitMax = opt.hit_max;
    r.pageMax = opt.page_max;
    r.connectSec = opt.connect;
    r.getSec = opt.get;
    r.minutes = opt.min;
    r.overwriteType = opt.overwrite_type;
    r.proxyAddress = opt.address;
    r.proxyPort = opt.port;
    return r;
}

RunControl::RunControl(std::shared_ptr<const CrawlServices> services, const RunSettings& settings)
    : services_(std::make_shared<CrawlServices>(*services)),
      settings_(settings),
      fetches_(static_cast<size_t>(std::max(1, settings.thrdMax))),
      threads_(services->startThread) {
    settings_.thrdMax = std::max(1, settings_.thrdMax);
    settings_.tickMs = std::max(1, settings_.tickMs);
    services_->comment = [this](const QString& url) { return ImageText(url); };
    services_->workerEnded = [this] { Wake(); };
    services_->robots = std::make_shared<RobotsCache>(settings_.worker.userAgent);
    services_->pacer = std::make_shared<HostPacer>();
    if (settings_.worker.renderJs > 0) services_->renderer = MakeRunRenderer(*services_, settings_);
}

RunControl::~RunControl() {
    Abort();
}

qint64 RunControl::Now() const {
    return services_->clock ? services_->clock->NowMs() : 0;
}

QString RunControl::FailureText(int status) {
    switch (status) {
        case -1:
            return QStringLiteral("- URL取得失敗 -");
        case -2:
            return QStringLiteral("- リンク・リスト失敗 -");
        case -3:
            return QStringLiteral("- 接続タイム・アウト -");
        case -4:
            return QStringLiteral("- 取得タイム・アウト -");
        case -16:
            return QStringLiteral("- 既獲得データ -");
        case -32:
            return QStringLiteral("- スキップ -");
        case -64:
            return QStringLiteral("- サイズ付き拡張子フィルタ -");
        case -128:
            return QStringLiteral("- robots.txt 除外 -");
        default:
            return QStringLiteral("- 未知のエラー -");
    }
}

void RunControl::AddWinSrchLst(const QList<StartRow>& rows) {
    for (const StartRow& s : rows) {
        RunRow r;
        r.depth = 1;
        r.title = s.title;
        r.url = s.url;
        r.ext = s.ext;
        r.size = QStringLiteral("-");
        JournalRow(list_.Append(std::move(r)));
    }
    Wake();
}

void RunControl::KeepJournal(const QList<QPair<QString, QString>>& values) {
    journal_on_ = true;
    journal_values_ = values;
}

void RunControl::Resume(const JournalData& journal) {
    from_store_ = true;
    for (RunRow r : journal.rows) {
        // A row's last record is its add, end or reset record: one that did
        // not end (waiting or running at the crash) is queued again.
        if (r.result == kWaitingResult) r.state = 0;
        list_.Append(std::move(r));
    }
    Wake();
}

void RunControl::JournalRow(int index) {
    if (journal_on_ && index >= 0) journal_.Row(list_.Row(index));
}

bool RunControl::StoredWhole(const QString& path, const RunRow& row) const {
    if (path.isEmpty() || row.url.startsWith(QStringLiteral("file:/"))) return false;
    CtrlFile& ctrl = *services_->ctrl;
    const QString abs = ctrl.Abs(path);
    if (!QFileInfo(abs).isFile()) return false;
    // The trailer tag is the worker's last step: without it the copy may
    // lack its link list and local links, and is fetched again.
    const SrchThrdSettings& w = settings_.worker;
    const QString ext = row.ext.toLower();
    if (w.footTag == 0 && !w.footTagExtension.isEmpty() && !ext.isEmpty() &&
        CtrlFile::FootTagApplies(QString::number(w.footTag), w.footTagExtension, ext))
        return !ctrl.GetFootTag(path).isEmpty();
    return true;
}

void RunControl::StartDlSearch(ProxySettings& proxy, const QList<StartRow>& rows) {
    proxy.Apply(settings_.proxyAddress, settings_.proxyPort);
    AddWinSrchLst(rows);
    StartManual();
}

bool RunControl::StartManual() {
    if (token_.load()) return false;
    if (supervisor_.joinable()) supervisor_.join();
    if (expander_.joinable()) expander_.join();
    services_->robots->Clear();                          // each run asks the servers again
    if (services_->ctrl) services_->ctrl->ForgetDirs();  // and looks at the store again
    {
        std::lock_guard lock(slot_mutex_);
        slots_.assign(static_cast<size_t>(settings_.thrdMax), nullptr);
        idle_ticks_ = 0;
        tick_ = 0;
    }
    {
        std::lock_guard lock(queue_mutex_);
        finished_.clear();
        expander_busy_ = false;
        expander_stop_ = false;
    }
    {
        std::lock_guard lock(end_mutex_);
        ended_ = false;
    }
    if (onStarting) onStarting();
    if (services_->ctrl) warc_.Open(*services_->ctrl, Now(), *services_);
    if (journal_on_ && services_->ctrl) {
        CtrlFile& ctrl = *services_->ctrl;
        const RunListSnapshot snap = list_.Snapshot();
        std::vector<RunRow> rows;
        rows.reserve(static_cast<size_t>(snap.Count()));
        for (int i = 0; i < snap.Count(); ++i) rows.push_back(snap.Row(i));
        if (!journal_.Begin(ctrl.Abs(ctrl.RunFolder()), journal_values_, rows))
            ctrl.SaveErrLog(QStringLiteral("Run Journal Error : ") + ctrl.RunFolder());
    }
    end_kind_.store(EndKind::kNone);
    paused_.store(false);
    start_ms_.store(Now());
    token_.store(true);
    UpdateLabel(QString());
    Wake();  // the start rows are served at once
    supervisor_ = std::thread([this] { Supervise(); });
    expander_ = std::thread([this] { ExpandList(); });
    return true;
}

void RunControl::Abort() {
    token_.store(false);
    Wake();
    if (supervisor_.joinable() && supervisor_.get_id() != std::this_thread::get_id())
        supervisor_.join();
    {
        std::lock_guard lock(queue_mutex_);
        expander_stop_ = true;
    }
    queue_cv_.notify_all();
    if (expander_.joinable() && expander_.get_id() != std::this_thread::get_id()) expander_.join();
    ReapReleased(true);
    threads_.Stop();
}

bool RunControl::WaitEnd(int timeoutMs) const {
    std::unique_lock lock(end_mutex_);
    return end_cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return ended_; });
}

void RunControl::TmpStopManual() {
    if (!token_.load()) return;
    paused_.store(true);
    UpdateLabel(QStringLiteral("Wait"));
}

void RunControl::RestartManual() {
    paused_.store(false);
    Wake();
}

void RunControl::PressStopButton() {
    if (StopButtonText() == QStringLiteral("停止"))
        TmpStopManual();
    else
        RestartManual();
}

QString RunControl::StopButtonText() const {
    return paused_.load() ? QStringLiteral("再開") : QStringLiteral("停止");
}

void RunControl::Skip(const QList<int>& rows) {
    std::lock_guard lock(slot_mutex_);
    for (const auto& w : slots_) {
        if (w && rows.contains(w->RowNo() - 1)) w->SetOutsideStatus(SrchThrd::kSkipped);
    }
}

void RunControl::Redownload(const QList<int>& rows) {
    for (int index : rows)
        if (list_.ResetForRedownload(index)) JournalRow(index);
    Wake();
}

void RunControl::SetSearchWords(const QString& words) {
    QMutexLocker lock(&text_mutex_);
    search_words_ = words;
}

QString RunControl::SearchWords() const {
    QMutexLocker lock(&text_mutex_);
    return search_words_;
}

QString RunControl::EndMessage() const {
    QMutexLocker lock(&text_mutex_);
    return end_message_;
}

QString RunControl::VwThrdMv() const {
    QMutexLocker lock(&text_mutex_);
    return label_;
}

QString RunControl::StatusLabel() const {
    QMutexLocker lock(&text_mutex_);
    return status_label_;
}

void RunControl::SetStatusPrefix(const QString& prefix) {
    QMutexLocker lock(&text_mutex_);
    status_prefix_ = prefix;
}

QString RunControl::ImageText(const QString& url) const {
    QMutexLocker lock(&text_mutex_);
    return image_texts_.value(url, QString(""));
}

int RunControl::ImageTextCount() const {
    QMutexLocker lock(&text_mutex_);
    return static_cast<int>(image_texts_.size());
}

int RunControl::BusySlots() const {
    std::lock_guard lock(slot_mutex_);
    return static_cast<int>(
        std::count_if(slots_.begin(), slots_.end(), [](const auto& w) { return w != nullptr; }));
}

int RunControl::LiveWorkers() const {
    std::lock_guard lock(slot_mutex_);
    int n = 0;
    for (const auto& w : slots_) n += w && w->Running() ? 1 : 0;
    for (const auto& w : released_) n += w->Running() ? 1 : 0;
    return n;
}

// "( a/b ) : " with a = finished rows and b = all rows, then the state word or
// the turning mark.
void RunControl::UpdateLabel(const QString& word, bool turn) {
    static const QString kMarks[] = {QStringLiteral("＼"), QStringLiteral("─"),
                                     QStringLiteral("／"), QStringLiteral("｜")};
    static const QString kBars[] = {QStringLiteral("*-*-*-*-*"), QStringLiteral("*-*-*-*"),
                                    QStringLiteral("*-*-*"), QStringLiteral("*-*")};
    const QString head = QStringLiteral("( ") + QString::number(list_.Done()) + u'/' +
                         QString::number(list_.Count()) + QStringLiteral(" ) : ");
    QMutexLocker lock(&text_mutex_);
    if (!word.isEmpty()) {
        label_ = head + word;
        return;
    }
    label_ = head + kMarks[turn_] + u' ' + kBars[turn_];
    if (turn) turn_ = (turn_ + 1) % 4;
}

void RunControl::Wake() {
    {
        std::lock_guard lock(wake_mutex_);
        wake_ = true;
    }
    wake_cv_.notify_one();
}

bool RunControl::WaitTick(SteadyTime& next) {
    std::unique_lock lock(wake_mutex_);
    wake_cv_.wait_until(lock, next, [this] { return wake_; });
    wake_ = false;
    lock.unlock();
    const SteadyTime now = std::chrono::steady_clock::now();
    if (now < next) return false;
    next += std::chrono::milliseconds(settings_.tickMs);
    if (next <= now) next = now + std::chrono::milliseconds(settings_.tickMs);
    return true;
}

// Ticks keep their period; a worker that ends, rows that arrive or a resume
// wake the supervisor in between, so a free slot takes the next row at once.
// Idle ticks are counted on ticks only.
void RunControl::Supervise() {
    SteadyTime next =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(settings_.tickMs);
    while (token_.load()) {
        const bool tick = WaitTick(next);
        if (!token_.load()) break;
        if (tick && journal_on_) journal_.Flush();
        if (paused_.load()) continue;
        const bool busy = CtrlSrchThrd(tick);
        const int done = list_.Done();
        const int hits = list_.Hits();
        if (settings_.hitMax > 0 && hits >= settings_.hitMax) {
            EndRun(EndKind::kHits);
            break;
        }
        if (settings_.pageMax > 0 && done >= settings_.pageMax) {
            EndRun(EndKind::kPages);
            break;
        }
        if (settings_.minutes > 0 && services_->ctrl &&
            services_->ctrl->GetPastTime_MinNo(start_ms_.load()) >= settings_.minutes) {
            EndRun(EndKind::kTimeOut);
            break;
        }
        bool allFree = false;
        {
            std::lock_guard lock(slot_mutex_);
            if (busy)
                idle_ticks_ = 0;
            else if (tick)
                ++idle_ticks_;
            allFree = idle_ticks_ > 2;
        }
        if (allFree) {
            std::unique_lock lock(queue_mutex_);
            // Rows the expander appended after this pass's dispatch still count.
            if (finished_.empty() && !expander_busy_ && !list_.HasWaiting()) {
                lock.unlock();
                EndRun(EndKind::kNormal);
                break;
            }
        }
    }
    if (end_kind_.load() == EndKind::kNone) EndRun(EndKind::kAborted);
}

bool RunControl::CtrlSrchThrd(bool tick) {
    bool busy = false;
    bool again = false;
    starved_.store(true);
    {
        std::lock_guard lock(slot_mutex_);
        if (tick) ++tick_;
        bool anyFree = false;
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i]) CtrlRunThrd(i, tick);
            if (!slots_[i] && CtrlWaitNewThrd(i)) again = true;
            busy = busy || slots_[i] != nullptr;
            anyFree = anyFree || slots_[i] == nullptr;
        }
        // Every slot is busy: a slot frees only when its worker ends, which
        // wakes this loop anyway.
        if (!anyFree) starved_.store(false);
    }
    // A row kept locally ends without a thread: its slot is served again at once.
    if (again) Wake();
    ReapReleased(false);
    UpdateLabel(QString(), tick);
    return busy;
}

bool RunControl::CtrlWaitNewThrd(size_t slot) {
    // A pause pressed while a pass is under way holds the rows from then on.
    if (paused_.load()) return false;
    const int index = list_.TakeWaiting();
    if (index < 0) return false;
    const RunRow row = list_.Row(index);
    CtrlFile& ctrl = *services_->ctrl;
    const QString path =
        services_->mapPath ? services_->mapPath(row.url) : ctrl.GetLogFrdr(row.url);
    SrchThrdSettings ws = settings_.worker;
    ws.searchWords = SearchWords();
    ws.depthMax = settings_.depthMax;
    std::shared_ptr<SrchThrd> w = SrchThrd::Create(services_, ws);
    w->SetRow(row.no, row.url, row.title, row.ext, row.depth, row.ref);
    w->SetLocalPath(path);
    // A resumed run serves whole stored copies from the store and fetches
    // again what the crash cut short; it keeps nothing by the policy.
    if (from_store_) {
        if (StoredWhole(path, row))
            w->SetFromStore(true);
        else
            w->SetRefetch(true);
    }
    const bool looks = !from_store_ && !row.url.startsWith(QStringLiteral("file:/")) &&
                       settings_.overwriteType == 0 && !path.isEmpty();
    const bool stored = looks && QFileInfo(ctrl.Abs(path)).isFile();
    const bool keep = stored && !(services_->mustFetch && services_->mustFetch(path, row.url));
    if (looks && !stored) w->SetNoStoredCopy(true);
    slots_[slot] = w;
    if (keep) {
        w->SetStatus(SrchThrd::kKeptLocal);
        return true;
    }
    w->SetStatus(SrchThrd::kStatusDispatched);
    w->SetFetch(fetches_.Take());
    // A thread that cannot be made now leaves the row waiting in its slot;
    // CtrlRunThrd tries the start again.
    if (!w->StartOn(threads_, slot)) w->SetStatus(SrchThrd::kStatusRetryWait);
    return false;
}

void RunControl::CtrlRunThrd(size_t slot, bool tick) {
    const std::shared_ptr<SrchThrd> w = slots_[slot];
    const int index = w->RowNo() - 1;
    if (tick && !w->Started() && w->Status() == SrchThrd::kStatusRetryWait &&
        tick_ % kStartRetryTicks == 0) {
        w->SetStatus(SrchThrd::kStatusDispatched);
        if (!w->StartOn(threads_, slot)) w->SetStatus(SrchThrd::kStatusRetryWait);
    }
    int status = w->Status();
    const qint64 now = Now();
    const bool inFlight = status >= 0 && status < SrchThrd::kStatusFinished;
    if (inFlight && settings_.connectSec > 0 && w->DataStartMs() == 0 && w->FetchStartMs() != 0 &&
        (now - w->FetchStartMs()) / 1000 >= settings_.connectSec) {
        w->SetOutsideStatus(SrchThrd::kConnectTimeOut);
        status = SrchThrd::kConnectTimeOut;
    } else if (inFlight && settings_.getSec > 0 && w->DataStartMs() != 0 &&
               (now - w->DataStartMs()) / 1000 >= settings_.getSec) {
        w->SetOutsideStatus(SrchThrd::kStopped);
        status = SrchThrd::kStopped;
    }
    const qint64 downloaded = w->Downloaded();
    const qint64 length = w->ContentLength();
    const bool final = status >= SrchThrd::kStatusFinished || status < 0;
    if (!final) {
        list_.Update(index, [&](RunRow& r) {
            r.state = status;
            r.dlLen = QString::number(downloaded / 1000);
            if (length > 0) r.planLen = QString::number(std::max<qint64>(1, length / 1000));
        });
        return;
    }

    if (settings_.depthMax == 0 || w->Depth() + 1 <= settings_.depthMax) {
        const LinkList images = w->ImageTexts();
        QMutexLocker lock(&text_mutex_);
        for (qsizetype i = 0; i < images.size(); ++i)
            image_texts_.insert(images.url[i], images.title[i]);
    }
    const QString match = w->MatchResult();
    const bool redirected = w->Redirected();
    const QString finalUrl = w->Url();
    const qint64 size = w->SizeKb();
    if (redirected) list_.AddListed(finalUrl);
    if (status >= SrchThrd::kStatusFinished && services_->stored) services_->stored(w->LocalPath());
    list_.Update(index, [&](RunRow& r) {
        r.state = status >= SrchThrd::kStatusFinished ? 100 : status;
        r.httpCode = status < 0 ? static_cast<int>(w->LastHttpCode()) : 0;
        r.dlLen = QString::number(downloaded / 1000);
        if (length > 0) r.planLen = QString::number(std::max<qint64>(1, length / 1000));
        if (status < 0) {
            r.result = QStringLiteral("断");
            r.context = FailureText(status);
        } else if (!match.isEmpty()) {
            r.result = QStringLiteral("一致");
            r.context = match;
        } else {
            r.result = QStringLiteral("不");
            r.context = QStringLiteral("- non -");
        }
        r.size = QString::number(size);
        if (redirected) r.url = finalUrl;
    });
    // The expander gets the page once its final URL counts as listed, so a
    // link back to that URL adds no second row.
    {
        std::lock_guard lock(queue_mutex_);
        finished_.push_back(w->clone());
    }
    queue_cv_.notify_all();
    // A worker that still runs (released or stopped) is kept until its job
    // ends. One the run gave up on may be held up in its transfer: its thread
    // leaves the slot, which gets a fresh one. Any other is at its last step
    // and the slot's next row waits behind it on the same thread.
    if (w->Running()) {
        w->RequestStop();
        if (w->Abandoned()) threads_.Lose(slot);
        released_.push_back(w);
    } else {
        Retire(w);
    }
    slots_[slot] = nullptr;
}

void RunControl::Retire(const std::shared_ptr<SrchThrd>& w) {
    w->Join();
    fetches_.Give(w->TakeFetch());
}

void RunControl::ReleaseAll() {
    std::lock_guard lock(slot_mutex_);
    for (auto& w : slots_) {
        if (!w) continue;
        w->RequestStop();
        released_.push_back(w);
        w = nullptr;
    }
}

void RunControl::ReapReleased(bool wait) {
    std::vector<std::shared_ptr<SrchThrd>> done;
    {
        std::lock_guard lock(slot_mutex_);
        for (auto it = released_.begin(); it != released_.end();) {
            if (wait || !(*it)->Running()) {
                done.push_back(*it);
                it = released_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& w : done) {
        w->RequestStop();
        Retire(w);
    }
    threads_.Reap(wait);
}

void RunControl::EndRun(EndKind kind) {
    token_.store(false);
    paused_.store(false);
    ReleaseAll();
    ReapReleased(true);
    threads_.Stop();
    fetches_.Clear();
    warc_.Close(*services_);
    if (services_->renderer) services_->renderer->Stop();
    // Every worker has ended: offline references to copies that never came
    // now point at what was stored, or at the web.
    if (services_->offline && services_->ctrl) services_->offline->Settle(*services_->ctrl);
    {
        std::unique_lock lock(queue_mutex_);
        expander_stop_ = true;
        queue_cv_.notify_all();
        // The page the expander works on is recorded whole; pages left in
        // the queue are recorded as they ended, without their links.
        queue_cv_.wait(lock, [this] { return !expander_busy_; });
        for (const auto& w : finished_) JournalRow(w->RowNo() - 1);
        finished_.clear();
    }
    if (journal_on_) {
        if (kind == EndKind::kAborted)
            journal_.Close();
        else
            journal_.End();
    }
    if (onStopped) onStopped();
    UpdateLabel(QStringLiteral("End"));
    const int hits = list_.Hits();
    const int done = list_.Done();
    const QString elapsed =
        services_->ctrl ? services_->ctrl->GetPastTime(start_ms_.load()) : QString();
    const QString tail = QStringLiteral("ヒット数は、 ") + QString::number(hits) +
                         QStringLiteral(" 件でした。\n\n") + QStringLiteral("DL＆検索時間は ") +
                         elapsed + QStringLiteral("でした。");
    QString text;
    switch (kind) {
        case EndKind::kHits:
            text = QStringLiteral("最大ヒット数 ") + QString::number(settings_.hitMax) +
                   QStringLiteral(" 件のDL＆検索が終了しました。\n") + tail;
            break;
        case EndKind::kPages:
            text = QStringLiteral("最大検索終了数 ") + QString::number(settings_.pageMax) +
                   QStringLiteral(" 件のDL＆検索が終了しました。\n") + tail;
            break;
        case EndKind::kTimeOut:
            text = QStringLiteral("全体タイム・アウト ") + QString::number(settings_.minutes) +
                   QStringLiteral(" 分以上の時間が経過しました。\n") + tail;
            break;
        case EndKind::kNormal:
            text = QStringLiteral("DL＆検索が終了しました。\nDL＆検索数は、 ") +
                   QString::number(done) + QStringLiteral(" 件でした。\n") + tail;
            break;
        default:
            break;
    }
    {
        QMutexLocker lock(&text_mutex_);
        end_message_ = text;
    }
    end_kind_.store(kind);
    if (kind != EndKind::kAborted) {
        if (quiet_.load()) {
            if (onQuietEnd) onQuietEnd();
        } else if (onEndMessage) {
            onEndMessage(QStringLiteral("DL＆検索終了"), text);
        }
    }
    {
        std::lock_guard lock(end_mutex_);
        ended_ = true;
    }
    end_cv_.notify_all();
}

void RunControl::ExpandList() {
    for (;;) {
        std::shared_ptr<SrchThrd> w;
        {
            std::unique_lock lock(queue_mutex_);
            queue_cv_.wait(lock, [this] { return expander_stop_ || !finished_.empty(); });
            if (expander_stop_) {
                expander_busy_ = false;
                return;
            }
            w = finished_.front();
            finished_.pop_front();
            expander_busy_ = true;
        }
        const QString ref = w->Url();
        int added = 0;
        auto addAll = [&](const LinkList& links, int depth, const QString& what) {
            for (qsizetype i = 0; i < links.size(); ++i) {
                RunRow r;
                r.depth = depth;
                r.context = QStringLiteral("-");
                r.title = links.title[i];
                r.url = links.url[i];
                r.ext = links.ext[i];
                r.ref = ref;
                const int index = list_.Append(std::move(r));
                JournalRow(index);
                if (index >= 0 && ++added % 10 == 0) {
                    const QString elapsed = services_->ctrl
                                                ? services_->ctrl->GetPastTime(start_ms_.load())
                                                : QString();
                    QMutexLocker lock(&text_mutex_);
                    status_label_ = status_prefix_ + what + QString::number(added) +
                                    QStringLiteral(" / ") + elapsed;
                }
            }
        };
        addAll(w->ObjectLinks(), w->Depth(), QStringLiteral(" / Page 内オブジェクト追加 "));
        if (settings_.depthMax == 0 || w->Depth() + 1 <= settings_.depthMax)
            addAll(w->PageLinks(), w->Depth() + 1, QStringLiteral(" / link 追加 "));
        // The page's end is recorded after its links: a journal that holds
        // the end holds the rows it added.
        JournalRow(w->RowNo() - 1);
        {
            std::lock_guard lock(queue_mutex_);
            expander_busy_ = false;
        }
        queue_cv_.notify_all();
        // New rows wake the supervisor only when its last pass left a slot
        // free (the flag is set before that pass took rows, so none is missed).
        if (added > 0 && starved_.exchange(false)) Wake();
    }
}

}  // namespace korvi
