#include "ui/engine/WinSrch.h"

#include <QHeaderView>
#include <QIcon>
#include <QTimer>

#include <exception>

#include "engine/RunContext.h"
#include "engine/RunJournal.h"
#include "engine/profile/Profile.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/ToolTipTable.h"
#include "ui/engine/RunListModel.h"
#include "ui_WinSrch.h"

namespace korvi {

WinSrch::WinSrch(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinSrchBody>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinSrch"));

    model_ = new RunListModel(this);
    QTableView* table = ui_->srch_tbl;
    table->setModel(model_);
    // Fixed row heights and no measuring of contents keep a long list cheap.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    static const int kWidths[] = {50, 40, 40, 40, 220, 160, 260, 50, 50, 50, 50, 200};
    for (int c = 0; c < model_->columnCount(); ++c) table->setColumnWidth(c, kWidths[c]);
    connect(table, &QAbstractItemView::doubleClicked, this, [this] { OpenUrls(); });

    ui_->ctr_btn_stop->setIcon(
        QIcon(gui_.ctx.Ctrl().Abs(QStringLiteral("resource/pic/ic_stop01.gif"))));
    connect(ui_->ctr_btn_stop, &QPushButton::clicked, this, [this] { PressStop(); });
    connect(ui_->ctr_btn_open, &QPushButton::clicked, this, [this] { OpenUrls(); });
    connect(ui_->ctr_btn_open_l, &QPushButton::clicked, this, [this] { OpenLocal(); });
    connect(ui_->ctr_btn_skip, &QPushButton::clicked, this, [this] { SkipRows(); });
    connect(ui_->ctr_btn_redl, &QPushButton::clicked, this, [this] { RedlRows(); });
    connect(ui_->ctr_btn_resume, &QPushButton::clicked, this, [this] { ResumeRun(); });
    // Typed words go to the rows dispatched from now on.
    connect(ui_->sch_txt, &QLineEdit::textEdited, this, [this](const QString& words) {
        if (run_) run_->Run().SetSearchWords(words);
    });

    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { RefreshView(); });

    InitToolTip(this);
    UpdateControls();
}

WinSrch::~WinSrch() {
    // Ends the run's threads before the window goes: no call reaches it later.
    run_.reset();
}

bool WinSrch::StartDlSearch(const RunRequest& request) {
    AssertGuiThread("WinSrch::StartDlSearch");
    if (IsRunning() || request.rows.empty()) return false;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    QList<StartRow> rows;
    for (const InitRow& row : request.rows) rows.append({row.url, row.ttl, row.ext});
    const QString words = request.search ? request.words : QString();
    return Launch(QStringLiteral("StartDlSearch"), [&] {
        // A start into the same run folder goes on with the run list: rows
        // it already holds are skipped. A new folder starts a new list.
        const bool goOn = run_ && !request.runId.isEmpty() && request.runId == run_id_;
        if (!goOn) {
            DiscardRun();
            if (!request.runId.isEmpty()) ctrl.SetRunId(request.runId);
            run_ = std::make_unique<RunContext>(gui_.ctx, request.opt, rows.first().url);
            run_id_ = request.runId;
        }
        WireEnd(run_->Run(), request.quiet);
        ui_->sch_txt->setText(words);
        run_->Start(rows, words);
    });
}

void WinSrch::DiscardRun() {
    timer_->stop();
    run_.reset();
    model_->Reset(RunListSnapshot());
}

bool WinSrch::Launch(const QString& operation, const std::function<void()>& start) {
    try {
        start();
    } catch (const std::exception& e) {
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("W_Srch ") + operation +
                                   QStringLiteral(" Error : ") + QString::fromLocal8Bit(e.what()));
        run_.reset();
        UpdateControls();
        return false;
    }
    timer_->start();
    RefreshView();
    return IsRunning();
}

void WinSrch::WireEnd(RunControl& run, bool quiet) {
    run.SetQuiet(quiet);
    const int serial = ++serial_;
    // Both are called on the supervisor thread: queue them to this window.
    run.onEndMessage = [this, serial](const QString& title, const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, serial, title, text] { OnRunEnd(serial, title, text, false); },
            Qt::QueuedConnection);
    };
    run.onQuietEnd = [this, serial] {
        QMetaObject::invokeMethod(
            this, [this, serial] { OnRunEnd(serial, QString(), QString(), true); },
            Qt::QueuedConnection);
    };
}

bool WinSrch::CanResume() const {
    const CtrlFile& ctrl = gui_.ctx.Ctrl();
    return !IsRunning() && RunJournal::Interrupted(ctrl.Abs(ctrl.RunFolder()));
}

bool WinSrch::ResumeRun() {
    AssertGuiThread("WinSrch::ResumeRun");
    if (IsRunning()) return false;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    ResumeSource source;
    QString why;
    if (!source.Read(ctrl.Abs(ctrl.RunFolder()), &why)) {
        gui_.dlg.Message(this, QStringLiteral("続きから再開"),
                         QStringLiteral("DL先フォルダ「") + ctrl.RunId() +
                             QStringLiteral("」には、続きから再開できるDL＆検索がありません。"));
        return false;
    }
    return Launch(QStringLiteral("ResumeRun"), [&] {
        DiscardRun();
        run_ = std::make_unique<RunContext>(gui_.ctx, source.Opt(), source.base);
        run_id_ = ctrl.RunId();
        WireEnd(run_->Run(), false);
        ui_->sch_txt->setText(source.words);
        run_->Resume(source.journal, source.words);
    });
}

bool WinSrch::IsRunning() const {
    return run_ && run_->Run().IsRunning();
}

void WinSrch::ForceStop() {
    if (!run_) return;
    const bool wasRunning = IsRunning();
    ++serial_;  // an end call already queued is dropped
    run_->Run().Abort();
    timer_->stop();
    RefreshView();
    if (wasRunning) Q_EMIT runEnded();
}

void WinSrch::DropRun() {
    ForceStop();
    DiscardRun();
    run_id_.clear();
    UpdateControls();
}

RunControl* WinSrch::Run() {
    return run_ ? &run_->Run() : nullptr;
}

void WinSrch::RefreshView() {
    if (!run_) {
        UpdateControls();
        return;
    }
    RunControl& run = run_->Run();
    model_->Refresh(run.List().Snapshot());
    ++refreshes_;
    ui_->thrd_lbl->setText(run.VwThrdMv());
    ui_->status_lbl->setText(run.StatusLabel());
    UpdateControls();
}

void WinSrch::OnRunEnd(int serial, const QString& title, const QString& text, bool quiet) {
    if (serial != serial_) return;
    timer_->stop();
    RefreshView();
    if (!quiet) gui_.dlg.Message(this, title, text);
    Q_EMIT runEnded();
}

void WinSrch::UpdateControls() {
    const bool running = IsRunning();
    const QString caption = run_ ? run_->Run().StopButtonText() : QStringLiteral("停止");
    if (ui_->ctr_btn_stop->text() != caption) {
        ui_->ctr_btn_stop->setText(caption);
        ui_->ctr_btn_stop->setIcon(QIcon(gui_.ctx.Ctrl().Abs(
            caption == QStringLiteral("停止") ? QStringLiteral("resource/pic/ic_stop01.gif")
                                              : QStringLiteral("resource/pic/ic_re_dl01.gif"))));
    }
    ui_->ctr_btn_stop->setEnabled(running);
    ui_->ctr_btn_skip->setEnabled(running);
    ui_->ctr_btn_resume->setEnabled(CanResume());
}

void WinSrch::PressStop() {
    if (!IsRunning()) return;
    RunControl& run = run_->Run();
    run.PressStopButton();
    ui_->thrd_lbl->setText(run.VwThrdMv());
    UpdateControls();
}

}  // namespace korvi
