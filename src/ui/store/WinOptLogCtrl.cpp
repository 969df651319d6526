#include "ui/store/WinOptLogCtrl.h"

#include <QDir>
#include <QTimer>

#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"
#include "ui/common/ToolTipTable.h"
#include "ui_WinOptLogCtrl.h"

namespace korvi {

WinOptLogCtrl::WinOptLogCtrl(GuiContext& gui, QWidget* parent)
    : QWidget(parent),
      gui_(gui),
      ui_(std::make_unique<Ui::WinOptLogCtrlBody>()),
      ctl_(gui.ctx.Ctrl(), gui.ctx.Fldr()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinOptLogCtrl"));
    connect(ui_->btn_log_ctrl_del, &QPushButton::clicked, this, [this] { Del(); });
    connect(ui_->btn_log_ctrl_del_all, &QPushButton::clicked, this, [this] { DelAll(); });
    connect(ui_->btn_log_ctrl_open, &QPushButton::clicked, this, [this] { Open(); });
    connect(ui_->btn_log_ctrl_copy, &QPushButton::clicked, this, [this] { Copy(); });
    connect(ui_->btn_log_ctrl_cmb, &QPushButton::clicked, this, [this] { Cmb(); });
    connect(ui_->btn_log_ctrl_cmb_all, &QPushButton::clicked, this, [this] { CmbAll(); });
    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { ShowProgress(); });
    InitToolTip(this);
    Refresh();
}

WinOptLogCtrl::~WinOptLogCtrl() {
    // The folder services cannot be interrupted: wait for the one running.
    if (worker_.joinable()) worker_.join();
}

void WinOptLogCtrl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!IsBusy()) Refresh();
}

void WinOptLogCtrl::Refresh() {
    const QStringList names = ctl_.Entries();
    // Folders still there stay selected.
    for (QListWidget* list : {ui_->lst_log_ctrl, ui_->lst_log_ctrl2}) {
        QStringList kept;
        for (const QListWidgetItem* item : list->selectedItems()) kept.append(item->text());
        list->clear();
        list->addItems(names);
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(kept.contains(list->item(i)->text()));
    }
}

QStringList WinOptLogCtrl::Selected() const {
    QStringList names;
    for (const QListWidgetItem* item : ui_->lst_log_ctrl->selectedItems())
        names.append(item->text());
    names.sort();
    return names;
}

QString WinOptLogCtrl::Target() const {
    const QList<QListWidgetItem*> items = ui_->lst_log_ctrl2->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

bool WinOptLogCtrl::Accept(const FldrPlan& plan) {
    if (!plan.Ok()) {
        gui_.dlg.Show(this, plan.refusal);
        return false;
    }
    return plan.confirm.IsEmpty() || gui_.dlg.Confirm(this, plan.confirm.title, plan.confirm.text);
}

void WinOptLogCtrl::Del() {
    const FldrPlan plan = ctl_.PlanDel(Selected());
    if (Accept(plan)) RunAsync([plan](FldrLogCtrl& c) { return c.RunDel(plan); });
}

void WinOptLogCtrl::DelAll() {
    const FldrPlan plan = ctl_.PlanDelAll();
    if (Accept(plan)) RunAsync([plan](FldrLogCtrl& c) { return c.RunDel(plan); });
}

void WinOptLogCtrl::Open() {
    const FldrPlan plan = ctl_.PlanOpen(Selected());
    if (!Accept(plan)) return;
    OpenOrLog(gui_, this, plan.path, FldrLogCtrl::kOpenErrPrefix + plan.path);
}

void WinOptLogCtrl::Copy() {
    const FldrPlan plan = ctl_.PlanCopy(Selected());
    if (!Accept(plan)) return;
    const QString proposed = gui_.ctx.Ctrl().Abs(plan.sources.first());
    const QString dest = gui_.dlg.SaveFile(this, QStringLiteral("ファイルの保存"), proposed);
    if (dest.isEmpty()) return;
    RunAsync([plan, dest](FldrLogCtrl& c) { return c.RunCopy(plan, QDir::cleanPath(dest)); });
}

void WinOptLogCtrl::Cmb() {
    const FldrPlan plan = ctl_.PlanCmb(Selected(), Target());
    if (Accept(plan)) RunAsync([plan](FldrLogCtrl& c) { return c.RunCmb(plan); });
}

void WinOptLogCtrl::CmbAll() {
    const FldrPlan plan = ctl_.PlanCmbAll(Target());
    if (Accept(plan)) RunAsync([plan](FldrLogCtrl& c) { return c.RunCmb(plan); });
}

void WinOptLogCtrl::RunAsync(std::function<FldrReport(FldrLogCtrl&)> op) {
    if (IsBusy()) return;
    SetBusy(true);
    worker_ = std::thread([this, op = std::move(op)] {
        const FldrReport report = op(ctl_);
        QMetaObject::invokeMethod(
            this, [this, report] { OnDone(report); }, Qt::QueuedConnection);
    });
    timer_->start();
}

void WinOptLogCtrl::OnDone(const FldrReport& report) {
    if (worker_.joinable()) worker_.join();
    timer_->stop();
    SetBusy(false);
    Refresh();
    gui_.dlg.Show(this, report.message);
    Q_EMIT operationEnded();
}

void WinOptLogCtrl::SetBusy(bool busy) {
    for (QPushButton* b :
         {ui_->btn_log_ctrl_del, ui_->btn_log_ctrl_del_all, ui_->btn_log_ctrl_open,
          ui_->btn_log_ctrl_copy, ui_->btn_log_ctrl_cmb, ui_->btn_log_ctrl_cmb_all})
        b->setEnabled(!busy);
    ui_->prgrs_lbl->setText(busy ? QStringLiteral("  処理中...") : QString());
}

void WinOptLogCtrl::ShowProgress() {
    const FldrCounts c = gui_.ctx.Fldr().Counts();
    ui_->prgrs_lbl->setText(QStringLiteral("  処理中  削除ファイル数 = ") +
                            QString::number(c.del_files) + QStringLiteral("  移動ファイル数 = ") +
                            QString::number(c.mov_files));
}

}  // namespace korvi
