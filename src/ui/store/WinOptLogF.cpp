#include "ui/store/WinOptLogF.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "store/FolderTree.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OptPanelParts.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

WinOptLogF::WinOptLogF(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptLogF"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("パス"), this);
    txt_logf_ = new QLineEdit(gui_.ctx.Cmn().Opt().log_folder, this);
    txt_logf_->setObjectName(QStringLiteral("txt_logf"));
    label->setBuddy(txt_logf_);
    auto* browse = new QPushButton(QStringLiteral("参照"), this);
    browse->setObjectName(QStringLiteral("btn_logf"));
    row->addWidget(label);
    row->addWidget(txt_logf_, 1);
    row->addWidget(browse);
    layout->addLayout(row);
    QPushButton* save = AddSaveRow(layout, this, QStringLiteral("btn_save"));

    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveOpt(); });
    InitToolTip(this);
}

void WinOptLogF::Browse() {
    const QString dir = gui_.dlg.ChooseFolder(this, QStringLiteral("フォルダの選択"),
                                              gui_.ctx.Ctrl().Abs(txt_logf_->text()));
    if (!dir.isEmpty()) txt_logf_->setText(dir);
}

bool WinOptLogF::SaveOpt() {
    CommonSettings& cmn = gui_.ctx.Cmn();
    const QString old = cmn.Opt().log_folder;
    const UserMessage refused =
        FolderTree::SaveLogFolderPath(cmn, gui_.ctx.Ctrl(), txt_logf_->text());
    if (!refused.IsEmpty()) {
        gui_.dlg.Show(this, refused);
        return false;
    }
    if (!cmn.Save()) {
        cmn.Opt().log_folder = old;
        gui_.dlg.Message(this, QStringLiteral("DL先フォルダ保存エラー"),
                         QStringLiteral("DL先フォルダのパスを保存できませんでした。"));
        return false;
    }
    txt_logf_->setText(cmn.Opt().log_folder);
    Q_EMIT saved();
    return true;
}

}  // namespace korvi
