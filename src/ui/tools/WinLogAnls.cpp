#include "ui/tools/WinLogAnls.h"

#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"
#include "ui/common/ToolTipTable.h"
#include "ui/tools/AnlsRowModel.h"
#include "ui_WinLogAnls.h"

namespace korvi {

namespace {

const QString kDefaultSplit = QStringLiteral("<BR>");

}  // namespace

WinLogAnls::WinLogAnls(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinLogAnlsBody>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinLogAnls"));

    for (int k = 0; k < 3; ++k) {
        ui_->type_cmb->addItem(LogAnls::KindText(k));
        ui_->ttl_cmb->addItem(LogAnls::TitleKindText(k));
    }
    const CmnOpt& o = gui_.ctx.Cmn().Opt();
    ui_->ttl_cmb->setCurrentIndex(std::clamp(o.title_type, 0, 2));
    ui_->ttl_txt_split->setText(o.title_spliter.isEmpty() ? kDefaultSplit : o.title_spliter);
    // The two keys live in the common settings, saved when the main window closes.
    connect(ui_->ttl_cmb, &QComboBox::currentIndexChanged, this,
            [this](int i) { gui_.ctx.Cmn().Opt().title_type = std::max(i, 0); });
    connect(ui_->ttl_txt_split, &QLineEdit::textChanged, this,
            [this](const QString& t) { gui_.ctx.Cmn().Opt().title_spliter = t; });

    model_ = new AnlsRowModel(this);
    QTableView* table = ui_->anls_tbl;
    table->setModel(model_);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    static const int kWidths[] = {50, 50, 180, 200, 60};
    for (int c = 0; c < model_->columnCount(); ++c) table->setColumnWidth(c, kWidths[c]);
    connect(table, &QAbstractItemView::doubleClicked, this, [this] { OpenRows(); });

    ui_->ctr_btn_stop->setIcon(
        QIcon(gui_.ctx.Ctrl().Abs(QStringLiteral("resource/pic/ic_stop01.gif"))));
    connect(ui_->anls_btn, &QPushButton::clicked, this, [this] { StartAnls(); });
    connect(ui_->ctr_btn_stop, &QPushButton::clicked, this, [this] { PressStop(); });
    connect(ui_->ctr_btn_open, &QPushButton::clicked, this, [this] { OpenRows(); });

    // The core reports the missing folder on this thread and the end on its own.
    anls_ = std::make_unique<LogAnls>(
        gui_.ctx.Ctrl(), [this](const QString& title, const QString& text) {
            if (QThread::currentThread() == thread()) {
                gui_.dlg.Message(this, title, text);
                return;
            }
            const int serial = run_serial_;
            QMetaObject::invokeMethod(
                this, [this, serial, title, text] { OnEnd(serial, title, text); },
                Qt::QueuedConnection);
        });

    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { RefreshProgress(); });

    InitToolTip(this);
}

WinLogAnls::~WinLogAnls() {
    ForceStop();
}

AnlsRequest WinLogAnls::Request() const {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    AnlsRequest r;
    r.folder = selectedFolder ? selectedFolder() : ctrl.Abs(ctrl.LogRoot());
    r.kind = ui_->type_cmb->currentIndex();
    r.titleKind = ui_->ttl_cmb->currentIndex();
    r.separator = ui_->ttl_txt_split->text();
    r.filter = ui_->flt_r_in->isChecked()    ? FltMode::In
               : ui_->flt_r_out->isChecked() ? FltMode::Out
                                             : FltMode::All;
    r.filterText = ui_->flt_txt->text();
    return r;
}

bool WinLogAnls::StartAnls() {
    AssertGuiThread("WinLogAnls::StartAnls");
    if (IsRunning()) return false;
    const AnlsRequest request = Request();
    run_serial_ = ++serial_;
    if (!anls_->Start(request)) return false;
    model_->Reset({});
    ui_->prgrs_lbl->clear();
    SetInputsEnabled(false);
    timer_->start();
    return true;
}

bool WinLogAnls::IsRunning() const {
    return anls_ && anls_->IsRunning();
}

void WinLogAnls::PressStop() {
    if (anls_) anls_->Stop();
}

void WinLogAnls::ForceStop() {
    if (!anls_) return;
    ++serial_;  // an end call already queued is dropped
    anls_->Stop();
    anls_->Wait();
    timer_->stop();
    SetInputsEnabled(true);
}

void WinLogAnls::OnEnd(int serial, const QString& title, const QString& text) {
    if (serial != serial_) return;
    anls_->Wait();
    timer_->stop();
    RefreshProgress();
    model_->Reset(anls_->Rows());
    SetInputsEnabled(true);
    gui_.dlg.Message(this, title, text);
    Q_EMIT anlsEnded();
}

void WinLogAnls::RefreshProgress() {
    ui_->prgrs_lbl->setText(anls_->ProgressText());
}

void WinLogAnls::SetInputsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->type_cmb, ui_->anls_btn, ui_->ttl_cmb,
                                                      ui_->ttl_txt_split, ui_->flt_r_all,
                                                      ui_->flt_r_in, ui_->flt_r_out, ui_->flt_txt})
        w->setEnabled(enabled);
    ui_->ctr_btn_stop->setEnabled(!enabled);
}

void WinLogAnls::OpenRows() {
    const QItemSelectionModel* sel = ui_->anls_tbl->selectionModel();
    if (!sel) return;
    QModelIndexList rows = sel->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& i : rows) {
        const QString url = model_->Row(i.row()).url;
        OpenOrLog(gui_, this, url, QStringLiteral("W_LogAnls Open Button Exec Error : ") + url);
    }
}

QTableView* WinLogAnls::EditTable() {
    return ui_->anls_tbl;
}

OutputRows WinLogAnls::SelectedOutputRows() const {
    OutputRows out;
    out.keys = {QStringLiteral("^no"), QStringLiteral("^rank"), QStringLiteral("^title"),
                QStringLiteral("^url"), QStringLiteral("^extension")};
    std::vector<int> rows;
    if (const QItemSelectionModel* sel = ui_->anls_tbl->selectionModel()) {
        for (const QModelIndex& i : sel->selectedRows()) rows.push_back(i.row());
    }
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) {
        for (int i = 0; i < model_->rowCount(); ++i) rows.push_back(i);
    }
    for (int r : rows) out.rows.push_back(AnlsRowModel::Cells(model_->Row(r)));
    return out;
}

}  // namespace korvi
