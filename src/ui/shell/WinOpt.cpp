#include "ui/shell/WinOpt.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/HelpPage.h"
#include "ui/common/ToolTipTable.h"
#include "ui/engine/WinOptAutoLogin.h"
#include "ui/engine/WinOptIndvRoot.h"
#include "ui/engine/WinOptSrch.h"
#include "ui/present/WinOptThm.h"
#include "ui/server/WinOptHttpSrvr.h"
#include "ui/shell/WinOptBrws.h"
#include "ui/store/WinOptLogCtrl.h"
#include "ui/store/WinOptLogDel.h"
#include "ui/store/WinOptLogF.h"
#include "ui_WinOpt.h"

namespace korvi {

namespace {

constexpr int kAnchorRole = Qt::UserRole;
constexpr int kPageRole = Qt::UserRole + 1;

const QString kHelpPage = QStringLiteral("win_opt.html");
const QString kCategoryHelpPage = QStringLiteral("win_opt_ctgry.html");

}  // namespace

WinOpt::WinOpt(GuiContext& gui, QWidget* parent)
    : QDialog(parent), gui_(gui), ui_(std::make_unique<Ui::WinOptForm>()) {
    setObjectName(QStringLiteral("WinOpt"));
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("設定"));
    setSizeGripEnabled(true);

    root_ = new QTreeWidgetItem(ui_->tree_opt, {QStringLiteral("設定")});
    auto* overview = new QLabel(QStringLiteral("左のカテゴリを選択して下さい。"), this);
    overview->setObjectName(QStringLiteral("lbl_opt_overview"));
    overview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    root_->setData(0, kPageRole, ui_->stack_opt->addWidget(overview));

    auto* srch = new WinOptSrch(gui_, this);
    connect(srch, &WinOptSrch::saved, this, &WinOpt::commonChanged);
    auto* brws = new WinOptBrws(gui_, this);
    connect(brws, &WinOptBrws::saved, this, &WinOpt::commonChanged);
    profiles_ = new WinOptIndvRoot(gui_, this);
    connect(profiles_, &WinOptIndvRoot::profilesChanged, this, &WinOpt::profilesChanged);

    AddCategory(QStringLiteral("検索設定"), QStringLiteral("#opt_srch"), srch);
    auto* logf = new WinOptLogF(gui_, this);
    auto* logCtrl = new WinOptLogCtrl(gui_, this);
    // The main window follows a new download root first, then the lists do.
    connect(logf, &WinOptLogF::saved, this, &WinOpt::commonChanged);
    connect(logf, &WinOptLogF::saved, logCtrl, &WinOptLogCtrl::Refresh);
    AddCategory(QStringLiteral("DL先フォルダのパス"), QStringLiteral("#dl_fldr_path"), logf);
    AddCategory(QStringLiteral("DL先フォルダの削除設定"), QStringLiteral("#dl_fldr_del"),
                new WinOptLogDel(gui_, this));
    AddCategory(QStringLiteral("DL先フォルダの操作"), QStringLiteral("#dl_fldr_ctrl"), logCtrl);
    AddCategory(QStringLiteral("ウィンドウ表示テーマ"), QStringLiteral("#theme"),
                new WinOptThm(gui_, this));
    AddCategory(QStringLiteral("URLを開くブラウザの設定"), QStringLiteral("#brws"), brws);
    AddCategory(QStringLiteral("DL＆検索 設定"), QStringLiteral("#ds_opt"), profiles_);
    AddCategory(QStringLiteral("自動ログイン"), QStringLiteral("#auto_login"),
                new WinOptAutoLogin(gui_, this));
    AddCategory(QStringLiteral("HTTPサーバー"), QStringLiteral("#http_srvr"),
                new WinOptHttpSrvr(gui_, this));
    ui_->tree_opt->expandAll();
    ui_->split_opt->setStretchFactor(0, 0);
    ui_->split_opt->setStretchFactor(1, 1);
    ui_->split_opt->setSizes({200, 700});

    InitToolTip(this);

    connect(ui_->tree_opt, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ShowItem(item); });
    connect(ui_->help_btn, &QPushButton::clicked, this, &WinOpt::OpenHelp);
    connect(ui_->close_btn, &QPushButton::clicked, this, &QDialog::close);

    ui_->tree_opt->setCurrentItem(root_);
    resize(960, 640);
}

WinOpt::~WinOpt() = default;

void WinOpt::closeEvent(QCloseEvent* event) {
    // The window is deleted on close; a panel's dialog may still be open.
    if (gui_.dlg.DeferClose(this, event)) return;
    QDialog::closeEvent(event);
}

void WinOpt::AddCategory(const QString& caption, const QString& anchor, QWidget* panel) {
    auto* item = new QTreeWidgetItem(root_, {caption});
    item->setData(0, kAnchorRole, anchor);
    item->setData(0, kPageRole, ui_->stack_opt->addWidget(panel));
}

void WinOpt::ShowItem(QTreeWidgetItem* item) {
    if (!item) return;
    ui_->stack_opt->setCurrentIndex(item->data(0, kPageRole).toInt());
}

void WinOpt::SelectCategory(const QString& caption) {
    if (root_->text(0) == caption) {
        ui_->tree_opt->setCurrentItem(root_);
        return;
    }
    for (int i = 0; i < root_->childCount(); ++i) {
        if (root_->child(i)->text(0) == caption) {
            ui_->tree_opt->setCurrentItem(root_->child(i));
            return;
        }
    }
}

void WinOpt::SelectProfile(const QString& name) {
    SelectCategory(QStringLiteral("DL＆検索 設定"));
    profiles_->SelectProfile(name);
}

QString WinOpt::CurrentCategory() const {
    const QTreeWidgetItem* item = ui_->tree_opt->currentItem();
    return item && item != root_ ? item->text(0) : QString("");
}

QWidget* WinOpt::CurrentPanel() const {
    return ui_->stack_opt->currentWidget();
}

void WinOpt::OpenHelp() {
    const QTreeWidgetItem* item = ui_->tree_opt->currentItem();
    const QString anchor = item ? item->data(0, kAnchorRole).toString() : QString();
    korvi::OpenHelp(gui_, this, (anchor.isEmpty() ? kHelpPage : kCategoryHelpPage) + anchor);
}

}  // namespace korvi
