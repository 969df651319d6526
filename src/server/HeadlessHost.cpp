#include "server/HeadlessHost.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <QSize>

#include <exception>

#include "engine/lists/InitPanelSelect.h"
#include "schedule/SchdStart.h"
#include "server/LinkListSave.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "shell/RunId.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kDataIni = QStringLiteral("data.ini");
const QString kSearchAction = QStringLiteral("検索");

}  // namespace

struct HeadlessHost::Window {
    explicit Window(CtrlFile& ctrl) : list(ctrl) {}
    InitList list;
    DlSrchOpt opt;
    QString optName;
    QString words;
};

HeadlessHost::HeadlessHost(Context& ctx) : ctx_(ctx) {}

HeadlessHost::~HeadlessHost() = default;

void HeadlessHost::SetRunStarter(RunStarter starter) {
    std::lock_guard lock(seam_mutex_);
    starter_ = std::move(starter);
}

void HeadlessHost::SetRunActive(RunActive active) {
    std::lock_guard lock(seam_mutex_);
    active_ = std::move(active);
}

void HeadlessHost::SetProgress(ProgressFn progress) {
    std::lock_guard lock(seam_mutex_);
    progress_ = std::move(progress);
}

void HeadlessHost::Progress(const QString& line) const {
    ProgressFn fn;
    {
        std::lock_guard lock(seam_mutex_);
        fn = progress_;
    }
    if (fn) fn(line);
}

bool HeadlessHost::HasMainWindow() const {
    std::lock_guard lock(mutex_);
    return window_ != nullptr;
}

std::unique_ptr<HeadlessHost::Window> HeadlessHost::NewWindow(const QString& optName) {
    CtrlFile& ctrl = ctx_.Ctrl();
    auto w = std::make_unique<Window>(ctrl);
    CommonSettings cmn(ctrl);
    cmn.Read(QSize());
    ctx_.Match().SetSearchType(cmn.Opt().search_type);
    ctx_.Match().SetCaseInsensitiveSetting(cmn.Opt().case_insensitive);
    w->optName = optName.isEmpty() ? cmn.Opt().option_type : optName;
    if (!IsValidOptName(w->optName)) w->optName = kDefaultOptName;
    const OptResult applied = ApplyOptUncommon(ctrl, OptPath(w->optName), w->opt);
    for (const OptMessage& m : applied.messages) Progress(m.title + QStringLiteral(": ") + m.text);
    w->list.Select() = SelectFromPanel(w->opt.panel);
    return w;
}

void HeadlessHost::ReadSource(Window& w, const QString& source, bool append) {
    CtrlFile& ctrl = ctx_.Ctrl();
    QString src = Assist::Trim(source);
    if (src.isEmpty()) src = kDataIni;
    const bool isFile = QFileInfo(ctrl.Abs(src)).isFile();
    if (!isFile && src.contains(QStringLiteral("://"))) {
        // A start URL given as it is.
        if (!append) {
            w.list.DelSrchLst();
            w.list.ChngeBaseUrl(src);
        }
        if (w.list.AddSrchLst(src, QString(), QString())) w.list.ChngRangeData();
        return;
    }
    if (!isFile) {
        Progress(QStringLiteral("korvi-run: no list at ") + src);
        return;
    }
    const ReadResult r = w.list.ReadSrchLst(src, append);
    Progress(QStringLiteral("korvi-run: ") + QString::number(r.added) +
             QStringLiteral(" start rows from ") + src);
}

void HeadlessHost::BuildMainWindow(const QString& source) {
    try {
        std::unique_ptr<Window> w = NewWindow(QString());
        ReadSource(*w, source, false);
        std::lock_guard lock(mutex_);
        window_ = std::move(w);
    } catch (const std::exception& e) {
        ctx_.Ctrl().SaveErrLog(QStringLiteral("W_Srvr Build Korvi Err : ") +
                               QString::fromLocal8Bit(e.what()));
    }
}

void HeadlessHost::AppendToInitList(const QString& source) {
    std::lock_guard lock(mutex_);
    if (window_) ReadSource(*window_, source, true);
}

void HeadlessHost::SetSearchWord(const QString& word) {
    std::lock_guard lock(mutex_);
    if (window_) window_->words = word;
}

bool HeadlessHost::RunGoing() const {
    RunActive active;
    {
        std::lock_guard lock(seam_mutex_);
        active = active_;
    }
    return active && active();
}

bool HeadlessHost::Start(RunRequest request) {
    RunStarter starter;
    {
        std::lock_guard lock(seam_mutex_);
        starter = starter_;
    }
    if (!starter) {
        Progress(QStringLiteral("korvi-run: runs cannot be started here"));
        return false;
    }
    if (RunGoing()) {
        Progress(QStringLiteral("korvi-run: a run is going on"));
        return false;
    }
    if (request.rows.empty()) {
        Progress(QStringLiteral("korvi-run: no start rows to run"));
        return false;
    }
    bool ok = false;
    try {
        ok = starter(request);
    } catch (const std::exception& e) {
        ctx_.Ctrl().SaveErrLog(QStringLiteral("W_Srvr Start Run Err : ") +
                               QString::fromLocal8Bit(e.what()));
    }
    if (ok) {
        ++runs_started_;
        Progress(QStringLiteral("korvi-run: run ") + request.runId + QStringLiteral(" started"));
    } else {
        Progress(QStringLiteral("korvi-run: run ") + request.runId +
                 QStringLiteral(" did not start"));
    }
    return ok;
}

void HeadlessHost::StartDlSearch() {
    RunRequest r;
    {
        std::lock_guard lock(mutex_);
        if (!window_) return;
        r.rows = window_->list.AddWinSrchLst(0, {});
        r.opt = window_->opt;
        r.select = window_->list.Select();
        r.words = window_->words;
    }
    r.search = true;
    r.quiet = false;
    r.runId = InitSrchStartID(ctx_.GetClock());
    Start(std::move(r));
}

bool HeadlessHost::SaveLinkList(const QString& listFile, const QString& target) {
    return korvi::SaveLinkList(ctx_.Ctrl(), listFile, target);
}

void HeadlessHost::Exit() {
    exit_requested_.store(true);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    }
}

bool HeadlessHost::IsRunWindowOpen() const {
    return HasMainWindow() && RunGoing();
}

void HeadlessHost::StartSchedule(const DueSchd& entry, const QString& saveName) {
    CtrlFile& ctrl = ctx_.Ctrl();
    try {
        const SchdStart start = ResolveSchdStart(ctrl, ctx_.GetClock(), entry, saveName);
        if (start.favorite.isEmpty()) {
            Progress(QStringLiteral("korvi-run: schedule ") + entry.name +
                     QStringLiteral(": no favourite ") + entry.option);
            return;
        }
        std::unique_ptr<Window> w = NewWindow(QString());
        const FavOpt favOpt = w->list.LoadFav_Opt(start.favorite);
        ReadOptSections(favOpt.profile, w->opt);
        w->list.Select() = SelectFromPanel(w->opt.panel);
        w->words = favOpt.searchWords;
        ReadSource(*w, start.favorite, false);

        RunRequest r;
        r.rows = w->list.AddWinSrchLst(0, {});
        r.opt = w->opt;
        r.select = w->list.Select();
        r.words = w->words;
        r.search = entry.action == kSearchAction;
        r.quiet = true;
        r.runId = start.runId;
        {
            std::lock_guard lock(mutex_);
            window_ = std::move(w);
        }
        Progress(QStringLiteral("korvi-run: schedule ") + entry.name + QStringLiteral(" due"));
        Start(std::move(r));
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("W_Srvr StartSchd Err : ") +
                        QString::fromLocal8Bit(e.what()));
    }
}

void HeadlessHost::CloseMainWindow() {
    std::lock_guard lock(mutex_);
    window_.reset();
}

std::vector<InitRow> HeadlessHost::Rows() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->list.Rows() : std::vector<InitRow>();
}

QString HeadlessHost::BaseUrl() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->list.BaseUrl() : QString();
}

QString HeadlessHost::SearchWord() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->words : QString();
}

DlSrchOpt HeadlessHost::Opt() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->opt : DlSrchOpt();
}

QString HeadlessHost::OptName() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->optName : QString();
}

InitSelect HeadlessHost::Select() const {
    std::lock_guard lock(mutex_);
    return window_ ? window_->list.Select() : InitSelect();
}

}  // namespace korvi
