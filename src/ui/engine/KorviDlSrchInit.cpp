#include "ui/engine/KorviDlSrchInit.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSignalBlocker>

#include <exception>

#include "engine/lists/InitPanelSelect.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/engine/InitListModel.h"
#include "ui/engine/InitRepTarget.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OpenOrLog.h"
#include "ui/shell/ToolTipTable.h"
#include "ui_KorviDlSrchInit.h"

namespace korvi {

namespace {

const QString kVersion = QStringLiteral("1.302");
const QString kFavFolder = QStringLiteral("favorite");
const QString kListFilter =
    QStringLiteral("リスト (*.ini *.txt *.url *.desktop *.html *.htm);;全て (*)");
const QString kIniFilter = QStringLiteral("設定 (*.ini);;全て (*)");

}  // namespace

KorviDlSrchInit::KorviDlSrchInit(GuiContext& gui, QWidget* parent)
    : QWidget(parent),
      gui_(gui),
      ui_(std::make_unique<Ui::KorviDlSrchInitForm>()),
      list_(gui.ctx.Ctrl()) {
    setObjectName(QStringLiteral("KorviDlSrchInit"));
    ui_->setupUi(this);

    list_.SetVersion(kVersion);
    list_.SetAsk([this](const QString& title, const QString& text, const QString& initial) {
        return gui_.dlg.Input(this, title, text, initial);
    });
    list_.SetConfirm([this](const QString& title, const QString& text) {
        return gui_.dlg.Confirm(this, title, text);
    });
    list_.SetScriptRunner([this](const QString& script, const QString& arg) {
        return gui_.ctx.Scripts().RunText(script, {arg}, 30000);
    });
    list_.SetStatus([this](const QString& text) {
        if (gui_.progress) gui_.progress(text);
    });

    model_ = new InitListModel(list_, this);
    QTableView* table = ui_->init_tbl;
    table->setModel(model_);
    rep_ = std::make_unique<InitRepTarget>(list_, *model_, *table);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->resizeSection(0, 44);
    header->resizeSection(1, 56);
    header->resizeSection(2, 160);
    header->resizeSection(4, 60);
    // The URL column takes the width the others leave, so all five stay in view.
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        list_.SortHeader(column);
        Refresh();
    });
    connect(model_, &InitListModel::checkToggled, this, &KorviDlSrchInit::UpdateCount);

    connect(ui_->tgt_cb_all, &QCheckBox::clicked, this,
            [this] { TargetSwitched(TargetBox::kAll); });
    connect(ui_->tgt_cb_dm_out, &QCheckBox::clicked, this,
            [this] { TargetSwitched(TargetBox::kDmOut); });
    connect(ui_->tgt_cb_dm_in, &QCheckBox::clicked, this,
            [this] { TargetSwitched(TargetBox::kDmIn); });
    connect(ui_->tgt_cb_dr_out, &QCheckBox::clicked, this,
            [this] { TargetSwitched(TargetBox::kDrOut); });
    connect(ui_->tgt_cb_dr_in, &QCheckBox::clicked, this,
            [this] { TargetSwitched(TargetBox::kDrIn); });
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(ui_->flt_r_all),
                               static_cast<QAbstractButton*>(ui_->flt_r_in),
                               static_cast<QAbstractButton*>(ui_->flt_r_out),
                               static_cast<QAbstractButton*>(ui_->flt_cb_start)}) {
        connect(b, &QAbstractButton::clicked, this, [this] {
            TakeSelect();
            ApplyRange();
        });
    }
    connect(ui_->flt_txt, &QLineEdit::textEdited, this, [this] { TakeSelect(); });
    connect(ui_->flt_txt, &QLineEdit::editingFinished, this, [this] {
        TakeSelect();
        if (list_.Select().fltStart) ApplyRange();
    });

    connect(ui_->b_url_btn, &QPushButton::clicked, this, &KorviDlSrchInit::ChangeBaseUrl);
    connect(ui_->add_b_url_btn, &QPushButton::clicked, this, &KorviDlSrchInit::AddBaseUrl);
    connect(ui_->lst_btn_open, &QPushButton::clicked, this, &KorviDlSrchInit::OpenSelected);
    connect(ui_->sch_btn, &QPushButton::clicked, this, [this] { StartDlSearch(true); });
    connect(ui_->dl_btn, &QPushButton::clicked, this, [this] { StartDlSearch(false); });
    connect(ui_->dl_ini_btn, &QPushButton::clicked, this, &KorviDlSrchInit::ResetRun);
    connect(ui_->case_insnstv_cb, &QCheckBox::toggled, this, &KorviDlSrchInit::CaseSwitched);

    {
        const QSignalBlocker block(ui_->case_insnstv_cb);
        ui_->case_insnstv_cb->setChecked(gui_.ctx.Cmn().Opt().case_insensitive != 1);
    }
    list_.Select() = SelectFromPanel(opt_.panel);
    ShowSelect();
    InitToolTip(this);
    Refresh();
}

KorviDlSrchInit::~KorviDlSrchInit() = default;

// ---- list and controls ----

void KorviDlSrchInit::Refresh() {
    model_->Reset();
    ui_->b_url_txt->setText(list_.BaseUrl());
    ui_->b_url_txt->setCursorPosition(0);
    UpdateCount();
}

void KorviDlSrchInit::UpdateCount() {
    ui_->cnt_lbl->setText(list_.CntSrchTgt());
}

std::vector<int> KorviDlSrchInit::SelectedRows() const {
    return SelectedRowsOf(*ui_->init_tbl);
}

void KorviDlSrchInit::ShowSelect() {
    const InitSelect& s = list_.Select();
    const auto set = [](QAbstractButton* b, bool on) {
        const QSignalBlocker block(b);
        b->setChecked(on);
    };
    set(ui_->tgt_cb_all, s.all);
    set(ui_->tgt_cb_dm_out, s.dmOut);
    set(ui_->tgt_cb_dm_in, s.dmIn);
    set(ui_->tgt_cb_dr_out, s.drOut);
    set(ui_->tgt_cb_dr_in, s.drIn);
    set(s.fltMode == 1   ? static_cast<QAbstractButton*>(ui_->flt_r_in)
        : s.fltMode == 2 ? static_cast<QAbstractButton*>(ui_->flt_r_out)
                         : static_cast<QAbstractButton*>(ui_->flt_r_all),
        true);
    set(ui_->flt_cb_start, s.fltStart);
    {
        const QSignalBlocker block(ui_->flt_txt);
        ui_->flt_txt->setText(s.fltTxt);
        ui_->flt_txt->setCursorPosition(0);
    }
    PanelFromSelect(s, opt_.panel);
}

void KorviDlSrchInit::TakeSelect() {
    InitSelect& s = list_.Select();
    s.all = ui_->tgt_cb_all->isChecked();
    s.dmOut = ui_->tgt_cb_dm_out->isChecked();
    s.dmIn = ui_->tgt_cb_dm_in->isChecked();
    s.drOut = ui_->tgt_cb_dr_out->isChecked();
    s.drIn = ui_->tgt_cb_dr_in->isChecked();
    s.fltMode = ui_->flt_r_in->isChecked() ? 1 : ui_->flt_r_out->isChecked() ? 2 : 0;
    s.fltTxt = ui_->flt_txt->text();
    s.fltStart = ui_->flt_cb_start->isChecked();
    PanelFromSelect(s, opt_.panel);
}

void KorviDlSrchInit::TargetSwitched(TargetBox box) {
    TakeSelect();
    list_.Select() = LinkTargetBoxes(list_.Select(), box);
    ShowSelect();
    ApplyRange();
}

void KorviDlSrchInit::ApplyRange() {
    list_.ChngRangeData();
    if (list_.RowCount() > 0) model_->RowsChanged(0, list_.RowCount() - 1);
    UpdateCount();
}

// ---- reading ----

void KorviDlSrchInit::ShowRead(const ReadResult& result) {
    if (!result.windowTitle.isEmpty() && window() != this)
        window()->setWindowTitle(result.windowTitle);
    Refresh();
}

ReadResult KorviDlSrchInit::ReadSource(const QString& source, bool append) {
    ReadResult result;
    const QString src = Assist::Trim(source);
    if (src.isEmpty()) {
        Refresh();
        return result;
    }
    held_source_ = source;
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    try {
        const bool isFile = QFileInfo(ctrl.Abs(src)).isFile();
        if (!isFile && src.indexOf(QStringLiteral("://"), 1) > 0) {
            // A start URL given as it is.
            if (!append) {
                list_.DelSrchLst();
                list_.ChngeBaseUrl(src);
                list_.SetBaseTitle(QString());
                result.windowTitle =
                    QStringLiteral("Korvi ver. ") + kVersion + QStringLiteral("  ") + src;
            }
            if (list_.AddSrchLst(src, QString(), QString())) {
                result.added = 1;
                list_.ChngRangeData();
            }
            result.read = true;
        } else {
            result = list_.ReadSrchLst(src, append);
        }
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("M_Win Read List Error : ") +
                        QString::fromLocal8Bit(e.what()));
    }
    ShowRead(result);
    return result;
}

QString KorviDlSrchInit::StartDir() const {
    const QString cur = gui_.ctx.Cmn().Opt().current_directory;
    if (!cur.isEmpty() && QFileInfo(gui_.ctx.Ctrl().Abs(cur)).isDir())
        return gui_.ctx.Ctrl().Abs(cur);
    return gui_.ctx.Home();
}

void KorviDlSrchInit::OpenList(bool append) {
    const QString path =
        gui_.dlg.OpenFile(this, QStringLiteral("ファイルの読み込み"), StartDir(), kListFilter);
    if (path.isEmpty()) return;
    ReadSource(path, append);
}

void KorviDlSrchInit::SaveList() {
    const QString proposed =
        QDir(StartDir()).filePath(InitList::ProposedListName(gui_.ctx.Ctrl().RunId()));
    QString path = gui_.dlg.SaveFile(this, QStringLiteral("ファイルの保存"), proposed, kIniFilter);
    if (path.isEmpty()) return;
    path = InitList::WithIniSuffix(path);
    gui_.ctx.Cmn().Opt().current_directory = QFileInfo(path).absolutePath();
    if (!list_.SaveList(path))
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("M_Win Save List Error : ") + path);
}

void KorviDlSrchInit::AddFav() {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const QString folder = ctrl.Abs(kFavFolder);
    QDir().mkpath(folder);
    QString path =
        gui_.dlg.SaveFile(this, QStringLiteral("ファイルの保存"),
                          QDir(folder).filePath(QStringLiteral("お気に入り.ini")), kIniFilter);
    if (path.isEmpty()) return;
    path = InitList::WithIniSuffix(path);
    TakeSelect();
    const CmnOpt& cmn = gui_.ctx.Cmn().Opt();
    FavOpt fav;
    SaveCmnOptUncommon(opt_, fav.profile);
    fav.searchWords = SearchWord();
    fav.optionType = opt_name_.isEmpty() ? kDefaultOptName : opt_name_;
    fav.searchType = QString::number(cmn.search_type);
    fav.caseInsensitive = QString::number(cmn.case_insensitive);
    fav.highLight = cmn.high_light ? QStringLiteral("1") : QStringLiteral("0");
    if (!list_.SaveFav(path, fav)) ctrl.SaveErrLog(QStringLiteral("M_Win Fav Add Error : ") + path);
}

void KorviDlSrchInit::LoadFav(const QString& path) {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    if (!QFileInfo(ctrl.Abs(path)).isFile()) {
        ctrl.SaveErrLog(QStringLiteral("M_Win Load Fav Error : not found ") + path);
        return;
    }
    const FavOpt fav = list_.LoadFav_Opt(path);
    ReadOptSections(fav.profile, opt_);
    if (IsValidOptName(fav.optionType)) opt_name_ = fav.optionType;
    list_.Select() = SelectFromPanel(opt_.panel);
    ShowSelect();
    SetSearchWord(fav.searchWords);
    CommonSettings& cmn = gui_.ctx.Cmn();
    bool ok = false;
    const int type = fav.searchType.toInt(&ok);
    if (ok) {
        cmn.Opt().search_type = type >= 0 && type <= 3 ? type : 0;
        gui_.ctx.Match().SetSearchType(cmn.Opt().search_type);
    }
    const int caseValue = fav.caseInsensitive.toInt(&ok);
    if (ok) ui_->case_insnstv_cb->setChecked(caseValue != 1);
    if (!fav.highLight.isEmpty()) cmn.Opt().high_light = fav.highLight == QLatin1String("1");
    ReadSource(path, false);
}

// ---- profile and words ----

void KorviDlSrchInit::ApplyProfile(const QString& name) {
    const QString n = IsValidOptName(name) ? name : kDefaultOptName;
    const OptResult r = ApplyOptUncommon(gui_.ctx.Ctrl(), OptPath(n), opt_);
    for (const OptMessage& m : r.messages) gui_.dlg.Message(this, m.title, m.text);
    opt_name_ = n;
    SetOpt(opt_);
}

void KorviDlSrchInit::SetOpt(const DlSrchOpt& opt) {
    opt_ = opt;
    list_.Select() = SelectFromPanel(opt_.panel);
    ShowSelect();
    ApplyRange();
}

QString KorviDlSrchInit::SearchWord() const {
    return ui_->sch_box->currentText();
}

void KorviDlSrchInit::SetSearchWord(const QString& word) {
    ui_->sch_box->setEditText(word);
}

void KorviDlSrchInit::FocusUrlField() {
    ui_->b_url_txt->setFocus(Qt::OtherFocusReason);
}

void KorviDlSrchInit::CaseSwitched(bool insensitive) {
    CommonSettings& cmn = gui_.ctx.Cmn();
    cmn.Opt().case_insensitive = insensitive ? 0 : 1;
    gui_.ctx.Match().SetCaseInsensitiveSetting(cmn.Opt().case_insensitive);
}

// ---- run ----

void KorviDlSrchInit::StartDlSearch(bool search) {
    if (list_.RowCount() == 0) {
        // Nothing to start from: ask for a start URL as a reader does.
        const QString url =
            Assist::Trim(gui_.dlg.Input(this, QStringLiteral("URLの不在"),
                                        QStringLiteral("開始URLを入力してください。"), QString()));
        if (url.isEmpty()) return;
        ReadSource(url, false);
        if (list_.RowCount() == 0) return;
    }
    TakeSelect();
    RunRequest r;
    r.rows = list_.AddWinSrchLst(0, {});
    if (r.rows.empty()) {
        gui_.dlg.Message(this, QStringLiteral("DL＆検索警告"), NoTargetMessage(list_));
        return;
    }
    r.opt = opt_;
    r.select = list_.Select();
    r.words = search ? SearchWord() : QString();
    r.search = search;
    r.quiet = false;
    if (search && !r.words.isEmpty()) {
        QComboBox* box = ui_->sch_box;
        const QSignalBlocker block(box);
        const int at = box->findText(r.words);
        if (at >= 0) box->removeItem(at);
        box->insertItem(0, r.words);
        box->setCurrentIndex(0);
    }
    if (!startRun) {
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("M_Win Start DlSearch Error : no run window"));
        return;
    }
    try {
        startRun(r);
    } catch (const std::exception& e) {
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("M_Win Start DlSearch Error : ") +
                                   QString::fromLocal8Bit(e.what()));
    }
}

void KorviDlSrchInit::ResetRun() {
    if (!resetRun) return;
    resetRun();
    gui_.dlg.Message(this, QStringLiteral("検索進行の初期化"),
                     QStringLiteral("検索進行を初期化しました。"));
}

// ---- base URL ----

void KorviDlSrchInit::ChangeBaseUrl() {
    const QString url = Assist::Trim(
        gui_.dlg.Input(this, QStringLiteral("基準URLの変更"),
                       QStringLiteral("「基準URL」を入力してください。"), list_.BaseUrl()));
    if (url.isEmpty()) return;
    gui_.dlg.Show(this, list_.ChngeBaseUrl(url));
    Refresh();
}

void KorviDlSrchInit::AddBaseUrl() {
    if (list_.AddSrchLst(list_.BaseUrl(), list_.BaseTitle(), QString())) list_.ChngRangeData();
    Refresh();
}

void KorviDlSrchInit::OpenSelected() {
    QStringList urls;
    const DlgText d = list_.OpenSel(SelectedRows(), &urls);
    if (!d.IsEmpty()) {
        gui_.dlg.Show(this, d);
        return;
    }
    for (const QString& url : urls) {
        OpenOrLog(gui_, this, url, QStringLiteral("M_Win Open Button Exec Error : ") + url);
    }
}

// ---- WorkPanel ----

QTableView* KorviDlSrchInit::EditTable() {
    return ui_->init_tbl;
}

RepTarget* KorviDlSrchInit::Replace() {
    return rep_.get();
}

bool KorviDlSrchInit::EditCommand(const QString& name) {
    const std::vector<int> sel = SelectedRows();
    if (name == QLatin1String("mni_open_lst")) {
        OpenList(false);
    } else if (name == QLatin1String("mni_add_lst")) {
        OpenList(true);
    } else if (name == QLatin1String("mni_save_lst")) {
        SaveList();
    } else if (name == QLatin1String("mni_add_url")) {
        list_.AddUrl();
        Refresh();
    } else if (name == QLatin1String("mni_fav_add")) {
        AddFav();
    } else if (name == QLatin1String("mni_del_sel")) {
        gui_.dlg.Show(this, list_.DelSel(sel));
        Refresh();
    } else if (name == QLatin1String("mni_del_unsel")) {
        gui_.dlg.Show(this, list_.DelUnsel(sel));
        Refresh();
    } else if (name == QLatin1String("mni_chk_true") || name == QLatin1String("mni_chk_false")) {
        list_.SetCheck(sel, name == QLatin1String("mni_chk_true"));
        if (list_.RowCount() > 0) model_->RowsChanged(0, list_.RowCount() - 1);
        UpdateCount();
    } else if (name == QLatin1String("mni_open_sel")) {
        OpenSelected();
    } else if (name == QLatin1String("mni_set_base_sel")) {
        gui_.dlg.Show(this, list_.SetBaseSel(sel));
        Refresh();
    } else if (name == QLatin1String("mni_shfl")) {
        list_.ShflSrchLst();
        Refresh();
    } else if (name == QLatin1String("mni_expnd_no")) {
        gui_.dlg.Show(this, list_.ExpndNo(sel));
        Refresh();
    } else {
        return false;
    }
    return true;
}

OutputRows KorviDlSrchInit::SelectedOutputRows() const {
    OutputRows out;
    out.keys = {QStringLiteral("^object"), QStringLiteral("^range"), QStringLiteral("^title"),
                QStringLiteral("^url"), QStringLiteral("^extension")};
    out.words = SearchWord();
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        for (int i = 0; i < list_.RowCount(); ++i) rows.push_back(i);
    }
    for (int i : rows) {
        if (i >= 0 && i < list_.RowCount())
            out.rows.push_back(InitRowCells(list_.Rows()[size_t(i)]));
    }
    return out;
}

}  // namespace korvi
