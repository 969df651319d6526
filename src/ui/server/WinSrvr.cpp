#include "ui/server/WinSrvr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/profile/Profile.h"
#include "schedule/SchdCheck.h"
#include "server/MountFetch.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "ui/present/Dialogs.h"
#include "ui/present/ThemeApply.h"
#include "ui/server/GuiHost.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

WinSrvr::WinSrvr(GuiContext& gui, QWidget* parent)
    : QWidget(parent),
      gui_(gui),
      host_(std::make_unique<GuiHost>(gui.ctx, *this)),
      quit_([](int status) { QCoreApplication::exit(status); }) {
    setObjectName(QStringLiteral("WinSrvr"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(gui.ctx.Ctrl().Abs(QStringLiteral("resource/pic/icon.gif"))));
    ApplyTheme(gui.ctx, QStringLiteral("W_Srvr "));
    InitMes();
    InitToolTip(this);
    resize(420, 300);
}

WinSrvr::~WinSrvr() {
    // Ending without Close still stores what the main window holds.
    if (korvi_ && !closing_) korvi_->ForceClose();
    if (gui_.server == resident_.get()) gui_.server = nullptr;
    host_->Shutdown();
    if (resident_) resident_->Stop();
}

void WinSrvr::InitMes() {
    auto* layout = new QVBoxLayout(this);
    auto* mesLabel = new QLabel(QStringLiteral("メッセージ"), this);
    mes_ = new QPlainTextEdit(this);
    mes_->setObjectName(QStringLiteral("txt_mes"));
    mes_->setMaximumHeight(64);
    mesLabel->setBuddy(mes_);
    auto* logLabel = new QLabel(QStringLiteral("アクセス・ログ"), this);
    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("txt_accs_log"));
    log_->setReadOnly(true);
    logLabel->setBuddy(log_);
    start_btn_ = new QPushButton(QStringLiteral("Korvi開始"), this);
    start_btn_->setObjectName(QStringLiteral("btn_korvi_strt"));
    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(start_btn_);
    layout->addWidget(mesLabel);
    layout->addWidget(mes_);
    layout->addWidget(logLabel);
    layout->addWidget(log_, 1);
    layout->addLayout(footer);

    connect(start_btn_, &QPushButton::clicked, this, [this] {
        if (!resident_) return;
        resident_->Core().SetMessage(WinSrvrCore::kPrefix + QStringLiteral("StartKorvi\n") +
                                     WinSrvrCore::kPrefix + QStringLiteral("HideServer"));
        SyncField();
    });
    connect(mes_, &QPlainTextEdit::textChanged, this, &WinSrvr::OnUserEdit);
    sync_ = new QTimer(this);
    sync_->setInterval(100);
    connect(sync_, &QTimer::timeout, this, &WinSrvr::SyncField);
}

bool WinSrvr::Start(const QString& message, QString* error) {
    Context& ctx = gui_.ctx;
    // The mount request goes out with the proxy and User-Agent of the
    // common profile.
    DlSrchOpt mountOpt;
    const QString optName =
        IsValidOptName(ctx.Cmn().Opt().option_type) ? ctx.Cmn().Opt().option_type : kDefaultOptName;
    ApplyOptUncommon(ctx.Ctrl(), OptPath(optName), mountOpt);
    Resident::Options options;
    options.fetch = MkMountFetch(ctx.Ctrl(), mountOpt);
    resident_ = std::make_unique<Resident>(ctx, *host_, *host_, options);
    if (!resident_->Start(message, error)) {
        resident_.reset();
        return false;
    }
    gui_.server = resident_.get();
    sync_->start();
    SyncField();
    return true;
}

void WinSrvr::SyncField() {
    if (!resident_) return;
    WinSrvrCore& core = resident_->Core();
    const QString text = core.Message();
    if (text != shown_field_) {
        shown_field_ = text;
        syncing_ = true;
        mes_->setPlainText(text);
        syncing_ = false;
    }
    const QStringList log = core.AccessLog();
    if (log != log_shown_) {
        log_shown_ = log;
        log_->setPlainText(log.join(u'\n'));
        log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    }
}

void WinSrvr::OnUserEdit() {
    if (syncing_ || !resident_) return;
    shown_field_ = mes_->toPlainText();
    resident_->Core().SetMessage(shown_field_);
}

void WinSrvr::BuildKorvi(const QString& source, bool shown, bool forSchedule) {
    AssertGuiThread("WinSrvr::BuildKorvi");
    if (closing_) return;
    if (korvi_) {
        AppendToKorvi(source);
        return;
    }
    korvi_ = new Korvi(gui_);
    connect(korvi_, &Korvi::closed, this, &WinSrvr::DelKorvi);
    connect(korvi_, &Korvi::exitServerRequested, this, &WinSrvr::Close);
    connect(korvi_, &Korvi::runStateChanged, this,
            [this](bool running) { host_->SetRunOpen(running); });
    host_->SetMainOpen(true);
    if (resident_) korvi_->SetSchedules(&resident_->Schedules());
    korvi_->InitKorvi(source, shown, forSchedule);
}

void WinSrvr::AppendToKorvi(const QString& source) {
    AssertGuiThread("WinSrvr::AppendToKorvi");
    if (!korvi_) return;
    korvi_->AppendSource(source);
    // A schedule's hidden window comes up when the user asks for the window.
    if (!korvi_->isVisible()) korvi_->show();
}

void WinSrvr::SetKorviWord(const QString& word) {
    AssertGuiThread("WinSrvr::SetKorviWord");
    if (korvi_) korvi_->SetSearchWord(word);
}

void WinSrvr::StartKorviRun() {
    AssertGuiThread("WinSrvr::StartKorviRun");
    if (korvi_) korvi_->StartDlSearch(true);
}

void WinSrvr::FocusKorviUrl() {
    if (korvi_) korvi_->FocusUrlField();
}

void WinSrvr::SetShown(bool shown) {
    AssertGuiThread("WinSrvr::SetShown");
    if (closing_) return;
    if (shown) {
        if (isMinimized()) showNormal();
        show();
    } else {
        hide();
    }
}

void WinSrvr::SetTitleProgress(const QString& progress) {
    AssertGuiThread("WinSrvr::SetTitleProgress");
    setWindowTitle(kTitle + progress);
}

void WinSrvr::StartSchedule(const DueSchd& entry, const QString& saveName) {
    AssertGuiThread("WinSrvr::StartSchedule");
    if (closing_ || korvi_) return;
    BuildKorvi(QString(), entry.view == QStringLiteral("表示"), true);
    if (korvi_) korvi_->StartSchedule(entry, saveName);
}

void WinSrvr::DelKorvi() {
    host_->SetMainOpen(false);
    host_->SetRunOpen(false);
    // Deleted only while no dialog runs: a deletion posted inside a dialog's
    // event loop would run there, under the panel that waits for the answer.
    const QPointer<Korvi> gone = korvi_;
    korvi_ = nullptr;
    if (gone)
        gui_.dlg.WhenIdle(this, [gone] {
            if (gone) gone->deleteLater();
        });
}

void WinSrvr::SetUnVisible() {
    hide();
    if (resident_) {
        resident_->Core().SetMessage(WinSrvrCore::kPrefix + QStringLiteral("HideServer"));
        SyncField();
    }
}

void WinSrvr::Close() {
    AssertGuiThread("WinSrvr::Close");
    if (closing_) return;
    if (gui_.dlg.Busy()) {
        // The program ends: open questions count as cancelled, and the close
        // order runs once their windows have taken the answer.
        gui_.dlg.DismissAll();
        gui_.dlg.WhenIdle(this, [this] { Close(); });
        return;
    }
    closing_ = true;
    host_->Shutdown();
    sync_->stop();
    if (korvi_) korvi_->ForceClose();
    if (resident_) resident_->Stop();
    hide();
    quit_(0);
}

void WinSrvr::closeEvent(QCloseEvent* event) {
    Close();
    event->accept();
}

void WinSrvr::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !closing_) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) SetUnVisible();
        });
    }
}

}  // namespace korvi
