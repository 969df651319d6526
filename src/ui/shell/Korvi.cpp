#include "ui/shell/Korvi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMoveEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/RunControl.h"
#include "engine/RunJournal.h"
#include "engine/profile/OptList.h"
#include "schedule/KorviSchd.h"
#include "schedule/SchdCheck.h"
#include "schedule/SchdStart.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "shell/RunId.h"
#include "store/CtrlFile.h"
#include "store/DelOldLog.h"
#include "store/FolderTree.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/HelpPage.h"
#include "ui/common/OpenOrLog.h"
#include "ui/common/ThemeApply.h"
#include "ui/common/ToolTipTable.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/WinSrch.h"
#include "ui/guide/WinGuide.h"
#include "ui/schedule/WinSchd.h"
#include "ui/shell/KorviLogfMenu.h"
#include "ui/shell/LogfModel.h"
#include "ui/shell/WinOpt.h"
#include "ui/tools/WinLogAnls.h"
#include "ui/tools/WinLogSrch.h"
#include "ui_Korvi.h"

namespace korvi {

namespace {

const QString kTitle = QStringLiteral("Korvi ver. ");
const QStringList kWorkNames = {QStringLiteral("DL＆検索 初期化"), QStringLiteral("DL＆検索 実行"),
                                QStringLiteral("DLファイル検索"), QStringLiteral("DLファイル解析"),
                                QStringLiteral("スケジュール")};
const QStringList kWorkHelp = {
    QStringLiteral("win_main_work.html#ds_init"), QStringLiteral("win_main_work.html#ds_act"),
    QStringLiteral("win_main_work.html#dl_srch"), QStringLiteral("win_main_work.html#dl_anly"),
    QStringLiteral("win_main_work.html#schd")};

QSize ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

}  // namespace

Korvi::Korvi(GuiContext& gui, QWidget* parent)
    : QMainWindow(parent), gui_(gui), ui_(std::make_unique<Ui::KorviBody>()) {
    setObjectName(QStringLiteral("Korvi"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAcceptDrops(true);
}

Korvi::~Korvi() = default;

void Korvi::InitKorvi(const QString& source, bool shown, bool forSchedule) {
    AssertGuiThread("Korvi::InitKorvi");
    building_ = true;
    if (forSchedule) schd_run_ = true;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    setWindowTitle(kTitle + kVersion);
    setWindowIcon(QIcon(ctrl.Abs(QStringLiteral("resource/pic/icon.gif"))));
    // The run folder of the next run; in force once the folder tree is there.
    const QString startId = InitSrchStartID(gui_.ctx.GetClock());
    MkKorviBody();
    MoveSrchStartId(startId);

    // The init list from the argument, or the hand-over file.
    const QString src = source.isNull() ? kDataIni : source;
    if (!src.isEmpty() && (QFileInfo(ctrl.Abs(src)).isFile() || src.contains(u':')))
        init_->ReadSource(src, false);

    if (gui_.progress) gui_.progress(QStringLiteral("  メイン・ウィンドウ中身作成中..."));
    WinPosition();
    if (shown) show();
    if (shown && !schd_run_ && gui_.ctx.Cmn().Opt().GuideOpensAtStart()) OpenGuide();
    GetEnvPrm();
    building_ = false;
    if (gui_.progress) gui_.progress(QString());
}

void Korvi::MkKorviBody() {
    CommonSettings& cmn = gui_.ctx.Cmn();
    if (gui_.progress) gui_.progress(QStringLiteral("  テーマの読み込み中..."));
    ApplyTheme(gui_.ctx, QString());
    if (gui_.progress) gui_.progress(QStringLiteral("  メイン・ウィンドウの設定を読み込み中..."));
    cmn.Read(ScreenSize());
    gui_.ctx.Match().SetSearchType(cmn.Opt().search_type);
    gui_.ctx.Match().SetCaseInsensitiveSetting(cmn.Opt().case_insensitive);
    if (gui_.progress) gui_.progress(QStringLiteral("  メイン・ウィンドウの各パーツを初期化中..."));
    auto* body = new QWidget(this);
    ui_->setupUi(body);
    setCentralWidget(body);
    InitWorkPnl();
    InitTreeWork();
    InitTreeLogf();
    InitOptBox();
    InitFooter();
    ui_->split_main->setStretchFactor(0, 0);
    ui_->split_main->setStretchFactor(1, 1);
    ui_->split_main->setSizes({210, 600});
    if (gui_.progress) gui_.progress(QStringLiteral("  メイン・ウィンドウのメニューを初期化中..."));
    InitMenu();
    InitToolTip(this);
    statusBar()->setSizeGripEnabled(true);
    SelWork(kDsInit);
}

void Korvi::InitWorkPnl() {
    if (gui_.progress)
        gui_.progress(QStringLiteral("  メイン・ウィンドウの検索リストを初期化中..."));
    init_ = new KorviDlSrchInit(gui_, ui_->stack_work);
    srch_ = new WinSrch(gui_, ui_->stack_work);
    ui_->stack_work->addWidget(init_);
    ui_->stack_work->addWidget(srch_);
    logsrch_ = new WinLogSrch(gui_, ui_->stack_work);
    ui_->stack_work->addWidget(logsrch_);
    // The walk starts from the folder selected in the folder tree.
    logsrch_->folder = [this] { return LogfSelected(); };
    anls_ = new WinLogAnls(gui_, ui_->stack_work);
    anls_->selectedFolder = [this] { return LogfSelected(); };
    ui_->stack_work->addWidget(anls_);
    if (!schd_table_) {
        own_schd_ = std::make_unique<KorviSchd>(gui_.ctx.Ctrl());
        schd_table_ = own_schd_.get();
    }
    schd_ = new WinSchd(gui_, *schd_table_, ui_->stack_work);
    ui_->stack_work->addWidget(schd_);
    init_->startRun = [this](const RunRequest& request) {
        RunRequest r = request;
        r.runId = run_id_;
        r.quiet = r.quiet || quiet_next_;
        if (!srch_->StartDlSearch(r)) return false;
        SelWork(kDsAct);
        Q_EMIT runStateChanged(true);
        return true;
    };
    // "DL進行の初期化": the run list goes and the next run gets a new folder.
    init_->resetRun = [this] {
        srch_->DropRun();
        MoveSrchStartId(InitSrchStartID(gui_.ctx.GetClock()));
    };
    srch_->sendToInit = [this](const LinkList& rows) {
        gui_.dlg.Show(this, init_->List().AddSentRows(rows));
    };
    connect(srch_, &WinSrch::runEnded, this, [this] {
        Q_EMIT runStateChanged(false);
        // A hidden schedule window has no user to close it: it closes once
        // its run ended, so that the next due schedule can start.
        if (schd_run_ && !isVisible() && !closed_) QTimer::singleShot(0, this, &Korvi::ForceClose);
    });
}

void Korvi::InitTreeWork() {
    QTreeWidget* tree = ui_->tree_work;
    auto* root = new QTreeWidgetItem(tree, {QStringLiteral("仕事")});
    for (const QString& name : kWorkNames) new QTreeWidgetItem(root, {name});
    tree->expandAll();
    // Every category stays in view without scrolling.
    const int rowH = std::max(tree->fontMetrics().height() + 6, 20);
    tree->setMinimumHeight(rowH * 6 + 2 * tree->frameWidth() + 4);
    tree->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    tree->setFixedHeight(tree->minimumHeight());
    connect(tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item || !item->parent()) return;
        SelWork(item->parent()->indexOfChild(item));
    });
}

void Korvi::InitTreeLogf() {
    logf_model_ = new LogfModel(this);
    logf_model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    logf_model_->setReadOnly(true);
    ui_->tree_logf->setModel(logf_model_);
    for (int c = 1; c < logf_model_->columnCount(); ++c) ui_->tree_logf->hideColumn(c);
    SetLogfRoot(gui_.ctx.Ctrl().Abs(gui_.ctx.Cmn().Opt().log_folder));
    connect(ui_->tree_logf, &QTreeView::clicked, this, &Korvi::SelectLogFolder);
    connect(ui_->btn_new_savef, &QPushButton::clicked, this, [this] {
        const UserMessage p = FolderTree::NewFldrPrompt();
        const QString name = gui_.dlg.Input(this, p.title, p.text);
        if (name.isNull()) return;
        const FldrNameResult r = FolderTree::NewFldr(gui_.ctx.Ctrl(), name);
        if (r.ok)
            MoveSrchStartId(r.run_id);
        else
            gui_.dlg.Show(this, r.message);
    });
    connect(ui_->btn_rename_savef, &QPushButton::clicked, this, [this] {
        const QModelIndex cur = ui_->tree_logf->currentIndex();
        const bool rootSelected = !cur.isValid() || logf_model_->filePath(cur) == logf_root_;
        QString name;
        if (!rootSelected) {
            const UserMessage p = FolderTree::RenamePrompt();
            name = gui_.dlg.Input(this, p.title, p.text, run_id_);
            if (name.isNull()) return;
        }
        const FldrNameResult r = FolderTree::RenameFldr(gui_.ctx.Ctrl(), rootSelected, name);
        if (r.ok)
            MoveSrchStartId(r.run_id);
        else
            gui_.dlg.Show(this, r.message);
    });
    connect(ui_->btn_open_savef, &QPushButton::clicked, this, [this] {
        const QString path = LogfSelected();
        OpenOrLog(gui_, this, path, QStringLiteral("btn_open_savef_al Error : ") + path);
    });
    connect(ui_->btn_move_savef, &QPushButton::clicked, this, [this] {
        const QString dir =
            gui_.dlg.ChooseFolder(this, QStringLiteral("ルートのフォルダの変更"), logf_root_);
        if (!dir.isEmpty()) SetLogfRoot(dir);
    });
    connect(ui_->btn_back_logf, &QPushButton::clicked, this,
            [this] { SetLogfRoot(gui_.ctx.Ctrl().Abs(gui_.ctx.Cmn().Opt().log_folder)); });
    InitLogfMenu(
        gui_, this, ui_->tree_logf, [this] { return LogfSelected(); },
        [this] { return IsRunFolder(LogfSelected()) && RunJournal::Interrupted(LogfSelected()); },
        [this] { ResumeSelected(); });
}

QString Korvi::LogfSelected() const {
    const QModelIndex cur = ui_->tree_logf->currentIndex();
    return cur.isValid() ? logf_model_->filePath(cur) : logf_root_;
}

void Korvi::SetLogfRoot(const QString& path) {
    logf_root_ = QDir::cleanPath(path);
    ui_->tree_logf->setRootIndex(logf_model_->setRootPath(logf_root_));
}

bool Korvi::IsRunFolder(const QString& path) const {
    // Only a folder directly below the download root is a run folder.
    const QString root = QDir::cleanPath(gui_.ctx.Ctrl().Abs(gui_.ctx.Cmn().Opt().log_folder));
    return QDir::cleanPath(QFileInfo(path).absolutePath()) == root;
}

void Korvi::SelectLogFolder(const QModelIndex& index) {
    if (!index.isValid()) return;
    const QString path = logf_model_->filePath(index);
    if (!IsRunFolder(path)) return;
    MoveSrchStartId(QFileInfo(path).fileName());
}

void Korvi::ResumeSelected() {
    const QString path = LogfSelected();
    if (srch_->IsRunning() || !IsRunFolder(path)) return;
    if (!MoveSrchStartId(QFileInfo(path).fileName())) return;
    if (!srch_->ResumeRun()) return;
    SelWork(kDsAct);
    Q_EMIT runStateChanged(true);
}

bool Korvi::MoveSrchStartId(const QString& runId) {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    if (!korvi::MoveSrchStartId(ctrl, gui_.ctx.Cmn().Opt().log_folder, runId)) return false;
    run_id_ = runId;
    statusBar()->showMessage(QStringLiteral("DL先フォルダ : ") + run_id_);
    if (srch_) srch_->RefreshView();
    return true;
}

void Korvi::InitOptBox() {
    OptList list(gui_.ctx.Ctrl());
    list.EnsureDefault();
    ui_->opt_box->clear();
    ui_->opt_box->addItems(list.Names());
    QString name = gui_.ctx.Cmn().Opt().option_type;
    if (ui_->opt_box->findText(name) < 0) name = kDefaultOptName;
    ui_->opt_box->setCurrentText(name);
    init_->ApplyProfile(name);
    connect(ui_->opt_btn_apl, &QPushButton::clicked, this,
            [this] { UseProfile(ui_->opt_box->currentText()); });
    connect(ui_->opt_btn_edt, &QPushButton::clicked, this, [this] {
        if (WinOpt* opt = OpenOptions(QStringLiteral("DL＆検索 設定")))
            opt->SelectProfile(ui_->opt_box->currentText());
    });
}

void Korvi::UseProfile(const QString& name) {
    if (ui_->opt_box->findText(name) >= 0) ui_->opt_box->setCurrentText(name);
    init_->ApplyProfile(name);
    gui_.ctx.Cmn().Opt().option_type = name;
}

void Korvi::InitFooter() {
    connect(ui_->close_btn, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->help_btn, &QPushButton::clicked, this, [this] {
        const int work = GetTypeWork();
        OpenHelp(gui_, this,
                 work >= 0 && work < kWorkHelp.size() ? kWorkHelp[work]
                                                      : QStringLiteral("win_main.html"));
    });
    connect(ui_->guide_btn, &QPushButton::clicked, this, &Korvi::OpenGuide);
}

void Korvi::OpenGuide() {
    if (!guide_) {
        auto* guide = new WinGuide(gui_, *this, this);
        guide->setAttribute(Qt::WA_DeleteOnClose);
        guide->resize(guide->sizeHint().expandedTo(QSize(600, 0)));
        // Over the middle of the main window.
        guide->move(geometry().center() - guide->rect().center());
        guide_ = guide;
    }
    guide_->show();
    guide_->raise();
    guide_->activateWindow();
}

void Korvi::ShowPictures(const QString& filter, int minKb) {
    SelWork(kLogSrch);
    logsrch_->StartExtract(filter, minKb);
}

QMetaObject::Connection Korvi::OnRunState(QObject* receiver, std::function<void(bool)> fn) {
    return connect(this, &Korvi::runStateChanged, receiver, std::move(fn));
}

DlSrchOpt Korvi::NextOpt() const {
    return init_->Opt();
}

void Korvi::SetNextOpt(const DlSrchOpt& opt) {
    init_->SetOpt(opt);
}

InitList& Korvi::StartList() {
    return init_->List();
}

void Korvi::ReadStartSource(const QString& source, bool append) {
    init_->ReadSource(source, append);
}

void Korvi::StartListChanged() {
    init_->Refresh();
}

bool Korvi::RunListFilled() {
    RunControl* run = srch_ ? srch_->Run() : nullptr;
    return run && run->List().Count() > 0 && init_->resetRun;
}

void Korvi::ResetRunList() {
    if (init_->resetRun) init_->resetRun();
}

WinOpt* Korvi::OpenOptions(const QString& category) {
    auto* opt = new WinOpt(gui_, this);
    opt->setAttribute(Qt::WA_DeleteOnClose);
    connect(opt, &WinOpt::profilesChanged, this, [this] {
        const QString cur = ui_->opt_box->currentText();
        OptList list(gui_.ctx.Ctrl());
        ui_->opt_box->clear();
        ui_->opt_box->addItems(list.Names());
        ui_->opt_box->setCurrentText(ui_->opt_box->findText(cur) >= 0 ? cur : kDefaultOptName);
    });
    connect(opt, &WinOpt::commonChanged, this, [this] {
        // A new download root: the next run's folder and the tree follow.
        const QString root = gui_.ctx.Cmn().Opt().log_folder;
        if (root == gui_.ctx.Ctrl().LogRoot()) return;
        MoveSrchStartId(run_id_);
        SetLogfRoot(gui_.ctx.Ctrl().Abs(root));
    });
    if (!category.isEmpty()) opt->SelectCategory(category);
    opt->show();
    return opt;
}

int Korvi::GetTypeWork() const {
    return ui_ && ui_->stack_work ? ui_->stack_work->currentIndex() : -1;
}

void Korvi::SelWork(int work) {
    if (work < 0 || work >= ui_->stack_work->count()) return;
    ui_->stack_work->setCurrentIndex(work);
    QTreeWidgetItem* root = ui_->tree_work->topLevelItem(0);
    if (root && root->child(work) && ui_->tree_work->currentItem() != root->child(work))
        ui_->tree_work->setCurrentItem(root->child(work));
    ShowEditSections();
}

WorkPanel* Korvi::CurrentPanel() const {
    switch (GetTypeWork()) {
        case kDsInit:
            return init_;
        case kDsAct:
            return srch_;
        case kLogSrch:
            return logsrch_;
        case kLogAnly:
            return anls_;
        case kSchd:
            return schd_;
        default:
            return nullptr;
    }
}

void Korvi::AppendSource(const QString& source) {
    AssertGuiThread("Korvi::AppendSource");
    QString src = source;
    if (src.isNull()) src = init_->HeldSource().isEmpty() ? kDataIni : init_->HeldSource();
    init_->ReadSource(src, true);
}

void Korvi::SetSearchWord(const QString& word) {
    init_->SetSearchWord(word);
}

void Korvi::StartDlSearch(bool search) {
    init_->StartDlSearch(search);
}

void Korvi::FocusUrlField() {
    if (isVisible()) init_->FocusUrlField();
}

void Korvi::StartSchedule(const DueSchd& entry, const QString& saveName) {
    AssertGuiThread("Korvi::StartSchedule");
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    schd_run_ = true;
    const SchdStart start = ResolveSchdStart(ctrl, gui_.ctx.GetClock(), entry, saveName);
    if (!start.favorite.isEmpty()) {
        init_->LoadFav(start.favorite);
        if (!MoveSrchStartId(start.runId)) {
            ctrl.SaveErrLog(QStringLiteral("W_Srvr StartSchd Err : illegal folder name ") +
                            saveName);
            MoveSrchStartId(InitSrchStartID(gui_.ctx.GetClock()));
        }
        if (init_->List().AddWinSrchLst(0, {}).empty()) {
            // Starting would ask the user; nobody may be there to answer.
            ctrl.SaveErrLog(QStringLiteral("W_Srvr StartSchd Err : no start URL ") + entry.option);
        } else {
            quiet_next_ = true;
            init_->StartDlSearch(entry.action == QStringLiteral("検索"));
            quiet_next_ = false;
        }
    }
    if (isVisible()) {
        raise();
        activateWindow();
    } else if (!srch_->IsRunning()) {
        // Nothing started: a hidden window would only block later schedules.
        QTimer::singleShot(0, this, &Korvi::ForceClose);
    }
}

void Korvi::GetEnvPrm() {
    // The script host is a separate process: ask it off the GUI thread and
    // fill the two menus when it answers.
    // The task keeps its own runner: the window and the context may be gone
    // before the script ends.
    QPointer<Korvi> self(this);
    QThreadPool::globalInstance()->start([self, scripts = gui_.ctx.Scripts()] {
        const QString out = scripts.RunText(QStringLiteral("func/GetEnvPrm.js"), {});
        QMetaObject::invokeMethod(
            qApp,
            [self, out] {
                if (self) self->SetEnvPrm(out);
            },
            Qt::QueuedConnection);
    });
}

void Korvi::SetEnvPrm(const QString& scriptOutput) {
    const Assist ini(scriptOutput);
    favorites_dir_ = ini.GetIni(QStringLiteral("EnvPrm"), QStringLiteral("Favorites"));
    sendto_dir_ = ini.GetIni(QStringLiteral("EnvPrm"), QStringLiteral("SendTo"));
    if (QMenu* m = menus_.value(QStringLiteral("mn_iefav_sel")))
        FillShortcutMenu(m, favorites_dir_, false);
    if (QMenu* m = menus_.value(QStringLiteral("mn_sendto")))
        FillShortcutMenu(m, sendto_dir_, true);
}

void Korvi::TakeWinPosition() {
    if (building_ || !isVisible()) return;
    CmnOpt& o = gui_.ctx.Cmn().Opt();
    if (isMinimized()) return;
    o.state = isMaximized() ? 6 : 0;
    if (isMaximized()) return;
    const QRect g = geometry();
    o.x = g.x();
    o.y = g.y();
    o.w = g.width();
    o.h = g.height() - (menuBar() ? menuBar()->height() : 0);
}

void Korvi::WinPosition() {
    const CmnOpt& o = gui_.ctx.Cmn().Opt();
    const int menuH = menuBar() ? menuBar()->sizeHint().height() : 0;
    QSize size(std::max(o.w, 320), std::max(o.h, 240) + menuH);
    const QSize screen = ScreenSize();
    if (screen.isValid()) size = size.boundedTo(screen);
    resize(size.expandedTo(minimumSizeHint()));
    move(o.x, o.y);
    if (o.state == 6) setWindowState(windowState() | Qt::WindowMaximized);
}

void Korvi::SaveCmnOpt() {
    gui_.ctx.Cmn().Opt().option_type = ui_->opt_box->currentText();
    gui_.ctx.Cmn().Save();
}

void Korvi::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    TakeWinPosition();
}

void Korvi::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    TakeWinPosition();
}

void Korvi::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) TakeWinPosition();
}

bool Korvi::DoClose(bool ask) {
    (void)ask;
    if (closed_) return true;
    closed_ = true;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    CommonSettings& cmn = gui_.ctx.Cmn();
    if (schd_) schd_->StoreOnClose(GetTypeWork() == kSchd);
    // The file search and the analysis walk folders that the deletion below may remove.
    logsrch_->ForceStop();
    anls_->ForceStop();
    gui_.dlg.Show(this, cmn.CheckLogFldr());
    SaveCmnOpt();
    const DelOldLogResult del =
        DelOldLog(ctrl, gui_.ctx.Fldr(), cmn.Opt().log_del, [this](const QString& text) {
            statusBar()->showMessage(text);
            if (gui_.progress) gui_.progress(QStringLiteral("  ") + text);
        });
    (void)del;
    if (gui_.progress) gui_.progress(QString());
    srch_->ForceStop();
    if (guide_) {
        guide_->hide();
        guide_->deleteLater();
    }
    Q_EMIT closed();
    return true;
}

void Korvi::ForceClose() {
    // A panel waiting for its dialog's answer resumes on this window.
    if (gui_.dlg.Busy()) {
        gui_.dlg.WhenIdle(this, [this] { ForceClose(); });
        return;
    }
    DoClose(false);
    hide();
}

void Korvi::closeEvent(QCloseEvent* event) {
    if (gui_.dlg.DeferClose(this, event)) return;
    DoClose(true);
    event->accept();
}

void Korvi::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText()) event->acceptProposedAction();
}

void Korvi::dropEvent(QDropEvent* event) {
    ReadDropped(event->mimeData());
    event->acceptProposedAction();
}

void Korvi::ReadDropped(const QMimeData* data) {
    if (!data) return;
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls())
            init_->ReadSource(url.isLocalFile() ? url.toLocalFile() : url.toString(), true);
    } else if (data->hasText()) {
        init_->List().AddUrlText(data->text());
        init_->Refresh();
    }
    SelWork(kDsInit);
}

}  // namespace korvi
