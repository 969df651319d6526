#include "ui/engine/DlgRep.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "present/RepSearch.h"
#include "shell/Assist.h"
#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/RepTarget.h"
#include "ui/common/ToolTipTable.h"
#include "ui_DlgRep.h"

namespace korvi {

namespace {

const QString kBatchFolder = QStringLiteral("tool/rep_bat");

RepRows ReadRows(const RepTarget& target) {
    RepRows rows;
    const int n = target.RepRowCount();
    rows.reserve(n);
    for (int r = 0; r < n; ++r) rows << target.RepRowTexts(r);
    return rows;
}

// Writes back only the rows that changed.
void WriteRows(RepTarget& target, const RepRows& before, const RepRows& after) {
    for (qsizetype r = 0; r < after.size(); ++r) {
        if (after[r] != before[r]) target.SetRepRowTexts(static_cast<int>(r), after[r]);
    }
}

QList<int> Selected(const RepTarget& target) {
    QList<int> rows;
    for (const int r : target.RepSelectedRows()) rows << r;
    return rows;
}

}  // namespace

DlgRep::DlgRep(GuiContext& gui, RepTarget& target, Mode mode, QWidget* parent)
    : QDialog(parent),
      gui_(gui),
      target_(target),
      mode_(mode),
      ui_(std::make_unique<Ui::DlgRep>()),
      engine_(gui.ctx.Ctrl()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("DlgRep"));
    InitToolTip(this);
    connect(ui_->btn_run, &QPushButton::clicked, this, [this] { Run(); });
    connect(ui_->btn_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->rep_bat_cb, &QCheckBox::toggled, this, [this] { ChngRepBat(); });
    connect(ui_->rep_bat_btn, &QPushButton::clicked, this, [this] { ChooseBatch(); });
    Init();
}

DlgRep::~DlgRep() = default;

void DlgRep::Init() {
    const bool replace = mode_ == Mode::kReplace;
    title_ = replace ? QStringLiteral("置換") : QStringLiteral("検索");
    setWindowTitle(title_);
    ui_->btn_run->setText(title_);
    if (!replace) ui_->btn_run->setToolTip(QStringLiteral("検索を実行します。"));
    ui_->lbl_rep->setVisible(replace);
    ui_->rep_cmb->setVisible(replace);
    ui_->reg_use_cb->setVisible(replace);
    ui_->grp_bat->setVisible(replace);
    ui_->srch_type_cmb->setVisible(!replace);

    const CmnOpt& opt = gui_.ctx.Cmn().Opt();
    const Matcher& matcher = gui_.ctx.Match();
    ui_->reg_use_cb->setChecked(opt.replace_regex_use);
    ui_->case_insnstv_cb->setChecked(!matcher.CaseSensitive());
    ui_->srch_type_cmb->setCurrentIndex(matcher.SearchType());
    ui_->rep_bat_cb->setChecked(replace && opt.replace_bat_use);
    ui_->rep_bat_txt->setText(opt.replace_bat_path);

    sch_hist_.Load(gui_.ctx.Cmn());
    rep_hist_.Load(gui_.ctx.Cmn());
    FillCombos();
    if (!replace && !opt.search_string.isEmpty()) ui_->sch_cmb->setEditText(opt.search_string);
    ui_->sch_cmb->lineEdit()->selectAll();
    ui_->sch_cmb->setFocus();
    ChngRepBat();
    // The form's height fits the replace mode; fit the controls shown.
    layout()->activate();
    resize(width(), sizeHint().height());
}

void DlgRep::FillCombos() {
    const auto fill = [](QComboBox* box, const RepHistory& hist) {
        const QString text = box->currentText();
        box->clear();
        box->addItems(hist.Items());
        box->setEditText(text.isEmpty() && !hist.Items().isEmpty() ? hist.Items().first() : text);
    };
    fill(ui_->sch_cmb, sch_hist_);
    fill(ui_->rep_cmb, rep_hist_);
}

void DlgRep::ChngRepBat() {
    const bool batch = ui_->rep_bat_cb->isChecked();
    ui_->lbl_bat->setEnabled(batch);
    ui_->rep_bat_txt->setEnabled(batch);
    ui_->rep_bat_btn->setEnabled(batch);
    // A batch brings its own pairs and options.
    ui_->sch_cmb->setEnabled(!batch);
    ui_->rep_cmb->setEnabled(!batch);
    ui_->reg_use_cb->setEnabled(!batch);
    ui_->case_insnstv_cb->setEnabled(!batch);
}

void DlgRep::ChooseBatch() {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const QString chosen =
        gui_.dlg.OpenFile(this, QStringLiteral("置換バッチの選択"), ctrl.Abs(kBatchFolder));
    if (chosen.isEmpty()) return;
    const QString home = ctrl.Home();
    const QString abs = QFileInfo(chosen).absoluteFilePath();
    ui_->rep_bat_txt->setText(abs.startsWith(home + u'/') ? QDir(home).relativeFilePath(abs)
                                                          : chosen);
}

void DlgRep::Run() {
    if (mode_ == Mode::kSearch) {
        if (SrchLst()) accept();
        return;
    }
    const int count = ui_->rep_bat_cb->isChecked() ? RepList2() : RepList();
    if (count >= 0) accept();
}

int DlgRep::RepList() {
    const QString search = ui_->sch_cmb->currentText();
    const QString replacement = ui_->rep_cmb->currentText();
    RepRows rows = ReadRows(target_);
    const RepRows before = rows;
    int count = 0;
    if (engine_.SetReg(search, replacement,
                       {ui_->reg_use_cb->isChecked(), ui_->case_insnstv_cb->isChecked()}))
        count = engine_.RepList(rows, Selected(target_));
    WriteRows(target_, before, rows);
    sch_hist_.Add(search);
    rep_hist_.Add(replacement);
    FillCombos();
    gui_.dlg.Show(this, RepEngine::ResultMessage(count));
    return count;
}

int DlgRep::RepList2() {
    const QString path = ui_->rep_bat_txt->text().trimmed();
    if (path.isEmpty() || !QFileInfo(gui_.ctx.Ctrl().Abs(path)).isFile()) {
        gui_.dlg.Message(this, QStringLiteral("置換バッチ警告"),
                         path.isEmpty() ? QStringLiteral("置換バッチのパスを入力してください。")
                                        : QStringLiteral("置換バッチ「") + path +
                                              QStringLiteral("」が見つかりません。"));
        return -1;
    }
    RepRows rows = ReadRows(target_);
    const RepRows before = rows;
    const int count = engine_.RepList2(rows, Selected(target_), path, [this](int percent) {
        setWindowTitle(RepEngine::ProgressTitle(title_, percent));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    setWindowTitle(title_);
    WriteRows(target_, before, rows);
    gui_.dlg.Show(this, RepEngine::ResultMessage(count));
    return count;
}

bool DlgRep::SrchLst() {
    const QString words = ui_->sch_cmb->currentText();
    if (words.isEmpty()) return false;
    sch_hist_.Add(words);
    FillCombos();
    gui_.ctx.Cmn().Opt().search_string = words;
    const Matcher::Options options{ui_->srch_type_cmb->currentIndex(),
                                   !ui_->case_insnstv_cb->isChecked()};
    const int row = korvi::SrchLst(gui_.ctx.Match(), ReadRows(target_), target_.RepCurrentRow(),
                                   words, options);
    if (row < 0) {
        gui_.dlg.Show(this, SrchLstNotFound(words));
        return false;
    }
    target_.RepSelectRow(row);
    return true;
}

bool DlgRep::SrchNext(GuiContext& gui, RepTarget& target, bool forward, QWidget* parent) {
    const QString words = gui.ctx.Cmn().Opt().search_string;
    if (words.isEmpty()) return false;
    const int row = korvi::SrchLst(gui.ctx.Match(), ReadRows(target), target.RepCurrentRow(), words,
                                   gui.ctx.Match().CurrentOptions(), !forward);
    if (row < 0) {
        gui.dlg.Show(parent, SrchLstNotFound(words));
        return false;
    }
    target.RepSelectRow(row);
    return true;
}

void DlgRep::Close() {
    if (closed_) return;
    closed_ = true;
    CommonSettings& cmn = gui_.ctx.Cmn();
    if (mode_ == Mode::kReplace) {
        CmnOpt& opt = cmn.Opt();
        opt.replace_regex_use = ui_->reg_use_cb->isChecked();
        opt.replace_bat_use = ui_->rep_bat_cb->isChecked();
        opt.replace_bat_path = ui_->rep_bat_txt->text();
    }
    cmn.SaveHeld([this](Assist& ini) {
        sch_hist_.Write(ini);
        rep_hist_.Write(ini);
    });
}

void DlgRep::done(int result) {
    Close();
    QDialog::done(result);
}

}  // namespace korvi
