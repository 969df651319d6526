#include "ui/tools/WinLogSrch.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QHeaderView>
#include <QIntValidator>
#include <QItemSelectionModel>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include "present/RepHistory.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"
#include "ui/common/ToolTipTable.h"
#include "ui/tools/LogSrchModel.h"
#include "ui/tools/ThumbLoader.h"
#include "ui_WinLogSrch.h"

namespace korvi {

namespace {

const QString kNotPic = QStringLiteral("resource/pic/ic_not_pic01.gif");

}  // namespace

WinLogSrch::WinLogSrch(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinLogSrchBody>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinLogSrch"));
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    CmnOpt& opt = gui_.ctx.Cmn().Opt();

    flt_group_ = new QButtonGroup(this);
    flt_group_->addButton(ui_->flt_r_all);
    flt_group_->addButton(ui_->flt_r_in);
    flt_group_->addButton(ui_->flt_r_out);
    siz_group_ = new QButtonGroup(this);
    siz_group_->addButton(ui_->siz_r_all);
    siz_group_->addButton(ui_->siz_r_up);
    siz_group_->addButton(ui_->siz_r_dwn);
    // Both rows share one parent, so the form's own exclusivity leaves only one
    // of their checked buttons; inside their groups each row gets its choice.
    ui_->flt_r_all->setChecked(true);
    if (opt.size_type == QStringLiteral("up"))
        ui_->siz_r_up->setChecked(true);
    else if (opt.size_type == QStringLiteral("down"))
        ui_->siz_r_dwn->setChecked(true);
    else
        ui_->siz_r_all->setChecked(true);
    ui_->siz_txt->setValidator(new QIntValidator(0, 999999999, ui_->siz_txt));
    ui_->siz_txt->setText(QString::number(std::max(opt.size_no, 0)));
    connect(siz_group_, &QButtonGroup::buttonClicked, this, [this] { TakeSizeSettings(); });
    connect(ui_->siz_txt, &QLineEdit::textChanged, this, [this] { TakeSizeSettings(); });

    RepHistory history(kHistory);
    history.Load(gui_.ctx.Cmn());
    ui_->sch_box->addItems(history.Items());
    ui_->sch_box->setEditText(QString());

    thumbs_ = new ThumbLoader(ctrl, 2000, this);
    model_ = new LogSrchModel(*thumbs_, QPixmap(ctrl.Abs(kNotPic)), this);
    model_->toolTip = [this](int row) { return srch_ ? srch_->RowToolTip(row) : QString(); };
    QTableView* table = ui_->srch_tbl;
    table->setModel(model_);
    table->setItemDelegateForColumn(0, new LogSrchThumbDelegate(table));
    // Fixed row heights and no measuring of contents keep a long list cheap.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The text around the hit takes the free width; all six columns fit at the default size.
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    static const int kWidths[] = {50, 160, 130, 130, 60, 50};
    for (int c = 0; c < model_->columnCount(); ++c) table->setColumnWidth(c, kWidths[c]);
    connect(table, &QAbstractItemView::doubleClicked, this, [this] { OpenFile(); });

    connect(ui_->pic_v_cb, &QCheckBox::toggled, this, [this, table](bool on) {
        const int textH = table->fontMetrics().height();
        table->verticalHeader()->setDefaultSectionSize(on ? ThumbLoader::kSize + textH + 10
                                                          : textH + 6);
        table->setColumnWidth(0, on ? ThumbLoader::kSize + 40 : 50);
        model_->SetPictureView(on);
    });

    ui_->ctr_btn_stop->setIcon(QIcon(ctrl.Abs(QStringLiteral("resource/pic/ic_stop01.gif"))));
    ui_->ctr_btn_save->setIcon(QIcon(ctrl.Abs(QStringLiteral("resource/pic/ic_save01.gif"))));
    connect(ui_->sch_btn, &QPushButton::clicked, this, [this] { StartSrch(true); });
    connect(ui_->get_btn, &QPushButton::clicked, this, [this] { StartSrch(false); });
    connect(ui_->ctr_btn_stop, &QPushButton::clicked, this, [this] { PressStop(); });
    connect(ui_->ctr_btn_open, &QPushButton::clicked, this, [this] { OpenFile(); });
    connect(ui_->ctr_btn_save, &QPushButton::clicked, this, [this] { SaveSelected(); });
    connect(ui_->ctr_btn_save_all, &QPushButton::clicked, this, [this] { SaveAll(); });
    connect(ui_->tag_btn_info, &QPushButton::clicked, this, [this] { ShowTagInfo(); });
    connect(ui_->tag_btn_ref_open, &QPushButton::clicked, this, [this] { OpenRef(); });
    connect(ui_->tag_btn_url_open, &QPushButton::clicked, this, [this] { OpenUrl(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });

    MkSrch();
    InitToolTip(this);
    UpdateControls();
}

WinLogSrch::~WinLogSrch() {
    ForceStop();
}

void WinLogSrch::MkSrch() {
    const int serial = ++serial_;
    // Messages of the row actions come on this thread; the end message comes
    // from the walk thread and is queued here.
    auto message = [this, serial](const QString& title, const QString& text) {
        if (QThread::currentThread() == thread()) {
            gui_.dlg.Message(this, title, text);
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, serial, title, text] { OnEnd(serial, title, text); },
            Qt::QueuedConnection);
    };
    srch_ = std::make_unique<LogSrch>(gui_.ctx.Ctrl(), gui_.ctx.Match(), message, DocProgressFn(),
                                      UserOpener(gui_, this,
                                                 QStringLiteral("W_LogSrch Open Exec Error : "
                                                                "cannot open ")));
}

SrchRequest WinLogSrch::Request(bool search) const {
    SrchRequest r;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    r.folder = folder ? folder() : QString();
    if (r.folder.isEmpty()) r.folder = ctrl.Abs(gui_.ctx.Cmn().Opt().log_folder);
    r.words = search ? Assist::Trim(ui_->sch_box->currentText()) : QString();
    r.caseInsensitive = ui_->case_insnstv_cb->isChecked();
    r.filter = ui_->flt_r_in->isChecked()    ? FltMode::In
               : ui_->flt_r_out->isChecked() ? FltMode::Out
                                             : FltMode::All;
    r.filterText = ui_->flt_txt->text();
    r.size = ui_->siz_r_up->isChecked()    ? SizeMode::Up
             : ui_->siz_r_dwn->isChecked() ? SizeMode::Down
                                           : SizeMode::All;
    r.sizeKb = ui_->siz_txt->text().toLongLong();
    return r;
}

void WinLogSrch::StartSrch(bool search) {
    AssertGuiThread("WinLogSrch::StartSrch");
    if (IsRunning()) return;
    const SrchRequest request = Request(search);
    // Without the folder the core warns and the list stays as it is.
    if (!QFileInfo(gui_.ctx.Ctrl().Abs(request.folder)).isDir()) {
        srch_->StartSrch(request);
        return;
    }
    if (search && !request.words.isEmpty()) {
        RepHistory history(kHistory);
        history.Load(gui_.ctx.Cmn());
        history.Add(request.words);
        history.Save(gui_.ctx.Cmn());
        QComboBox* box = ui_->sch_box;
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(history.Items());
        box->setCurrentIndex(0);
    }
    timer_->stop();
    MkSrch();
    model_->Clear();
    thumbs_->Clear();
    words_ = request.words;
    ui_->status_lbl->clear();
    if (!srch_->StartSrch(request)) {
        UpdateControls();
        return;
    }
    UpdateControls();
    timer_->start();
    // The first rows show at the first turn of the event loop.
    QTimer::singleShot(0, this, [this] { Refresh(); });
}

void WinLogSrch::StartExtract(const QString& filterText, int minKb) {
    if (IsRunning()) return;
    ui_->flt_r_in->setChecked(true);
    ui_->flt_txt->setText(filterText);
    ui_->siz_r_up->setChecked(true);
    ui_->siz_txt->setText(QString::number(std::max(minKb, 0)));
    TakeSizeSettings();
    ui_->get_btn->click();
}

void WinLogSrch::PressStop() {
    if (srch_) srch_->Stop();
}

bool WinLogSrch::IsRunning() const {
    return srch_ && srch_->IsRunning();
}

void WinLogSrch::ForceStop() {
    if (!srch_) return;
    ++serial_;  // an end call already queued is dropped
    srch_->Stop();
    srch_->Wait();
    if (timer_) timer_->stop();
    if (model_) {
        Refresh();
        UpdateControls();
    }
}

void WinLogSrch::Refresh() {
    if (!srch_) return;
    model_->Append(srch_->RowsFrom(size_t(model_->rowCount())));
    ui_->status_lbl->setText(srch_->ProgressText());
}

void WinLogSrch::OnEnd(int serial, const QString& title, const QString& text) {
    if (serial != serial_) return;
    srch_->Wait();
    timer_->stop();
    Refresh();
    UpdateControls();
    gui_.dlg.Message(this, title, text);
    Q_EMIT searchEnded();
}

void WinLogSrch::UpdateControls() {
    const bool running = IsRunning();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->sch_box, ui_->case_insnstv_cb, ui_->sch_btn, ui_->get_btn, ui_->flt_r_all,
             ui_->flt_r_in, ui_->flt_r_out, ui_->flt_txt, ui_->siz_r_all, ui_->siz_r_up,
             ui_->siz_r_dwn, ui_->siz_txt})
        w->setEnabled(!running);
    ui_->ctr_btn_stop->setEnabled(running);
}

void WinLogSrch::TakeSizeSettings() {
    CmnOpt& opt = gui_.ctx.Cmn().Opt();
    opt.size_type = ui_->siz_r_up->isChecked()    ? QStringLiteral("up")
                    : ui_->siz_r_dwn->isChecked() ? QStringLiteral("down")
                                                  : QStringLiteral("all");
    opt.size_no = std::max(0, ui_->siz_txt->text().toInt());
}

std::vector<int> WinLogSrch::SelectedRows() const {
    std::vector<int> rows;
    const QItemSelectionModel* sel = ui_->srch_tbl->selectionModel();
    if (!sel) return rows;
    for (const QModelIndex& i : sel->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int WinLogSrch::CurrentRow() const {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return -1;
    const QModelIndex cur = ui_->srch_tbl->currentIndex();
    if (cur.isValid() && std::binary_search(rows.begin(), rows.end(), cur.row())) return cur.row();
    return rows.front();
}

void WinLogSrch::OpenFile() {
    srch_->OpenFile(CurrentRow(), ui_->h_light_cb->isChecked(), words_);
}

void WinLogSrch::SaveSelected() {
    const std::vector<int> rows = SelectedRows();
    // An empty list or no selection: the core shows the warning.
    if (rows.empty()) {
        srch_->SaveFiles(rows, QString());
        return;
    }
    const QString target = gui_.dlg.ChooseFolder(this, QStringLiteral("ファイルの保存"),
                                                 gui_.ctx.Ctrl().Abs(QString()));
    if (!target.isEmpty()) srch_->SaveFiles(rows, target);
}

void WinLogSrch::SaveAll() {
    if (model_->rowCount() == 0) {
        srch_->SaveFiles({}, QString());
        return;
    }
    const QString target = gui_.dlg.ChooseFolder(this, QStringLiteral("ファイルの保存"),
                                                 gui_.ctx.Ctrl().Abs(QString()));
    if (target.isEmpty()) return;
    // The rows shown, which are all rows once the walk has ended.
    std::vector<int> rows(size_t(model_->rowCount()));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = int(i);
    srch_->SaveFiles(rows, target);
}

void WinLogSrch::ShowTagInfo() {
    srch_->ShowTagInfo(CurrentRow());
}

void WinLogSrch::OpenRef() {
    srch_->OpenRef(CurrentRow());
}

void WinLogSrch::OpenUrl() {
    srch_->OpenUrl(CurrentRow());
}

QTableView* WinLogSrch::EditTable() {
    return ui_->srch_tbl;
}

bool WinLogSrch::EditCommand(const QString& name) {
    if (name == QStringLiteral("mni_info"))
        ShowTagInfo();
    else if (name == QStringLiteral("mni_ref_open"))
        OpenRef();
    else if (name == QStringLiteral("mni_url_open"))
        OpenUrl();
    else
        return false;
    return true;
}

OutputRows WinLogSrch::SelectedOutputRows() const {
    std::vector<SrchRow> rows;
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        rows = model_->Rows();
    } else {
        for (int r : selected) rows.push_back(model_->Row(r));
    }
    const DocTable table = LogSrch::MkDocTable(rows, QString());
    // Without "^serial_no"; the file's name and address also go under the
    // keys the shipped templates link with.
    OutputRows out;
    out.words = words_;
    out.keys = table.header.mid(1) + QStringList{QStringLiteral("^title"), QStringLiteral("^url")};
    const qsizetype name = table.header.indexOf(QStringLiteral("^file_name"));
    const qsizetype href = table.header.indexOf(QStringLiteral("^href"));
    out.rows.reserve(table.rows.size());
    for (const QStringList& r : table.rows)
        out.rows.push_back(r.mid(1) + QStringList{r.value(name), r.value(href)});
    return out;
}

}  // namespace korvi
