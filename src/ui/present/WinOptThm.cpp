#include "ui/present/WinOptThm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "present/ThemeFiles.h"
#include "shell/Context.h"
#include "ui/common/GuiContext.h"
#include "ui/common/ThemeApply.h"
#include "ui/common/ToolTipTable.h"

namespace korvi {

WinOptThm::WinOptThm(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptThm"));
    auto* caption = new QLabel(QStringLiteral("ウィンドウ表示テーマ"), this);
    caption->setObjectName(QStringLiteral("lbl_thm"));
    lst_thm_ = new QListWidget(this);
    lst_thm_->setObjectName(QStringLiteral("lst_thm"));
    lst_thm_->setSelectionMode(QAbstractItemView::SingleSelection);
    caption->setBuddy(lst_thm_);
    btn_save_ = new QPushButton(QStringLiteral("保存"), this);
    btn_save_->setObjectName(QStringLiteral("btn_save"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(lst_thm_, 1);
    layout->addLayout(buttons);

    connect(btn_save_, &QPushButton::clicked, this, [this] { SaveOpt(); });
    InitToolTip(this);
    InitListData();
}

void WinOptThm::InitListData() {
    lst_thm_->clear();
    const QStringList names = ThemeFiles::InitListData(gui_.ctx.Fldr(), gui_.ctx.Ctrl());
    lst_thm_->addItems(names);
    const int at = static_cast<int>(names.indexOf(ThemeFiles::kDefaultEntry));
    if (at >= 0) lst_thm_->setCurrentRow(at);
}

bool WinOptThm::SaveOpt() {
    const QListWidgetItem* item = lst_thm_->currentItem();
    if (!item || !item->isSelected()) return false;
    if (!ThemeFiles::SaveOpt(gui_.ctx.Ctrl(), item->text())) return false;
    ApplyTheme(gui_.ctx, QString());
    Q_EMIT themeSaved();
    return true;
}

}  // namespace korvi
