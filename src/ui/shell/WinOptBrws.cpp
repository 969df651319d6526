#include "ui/shell/WinOptBrws.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OptPanelParts.h"
#include "ui/common/ToolTipTable.h"

namespace korvi {

WinOptBrws::WinOptBrws(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptBrws"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    cb_not_ie_ = new QCheckBox(QStringLiteral("IEに送らない"), this);
    cb_not_ie_->setObjectName(QStringLiteral("cb_not_ie"));
    layout->addWidget(cb_not_ie_);
    auto* note = new QLabel(QStringLiteral("チェックを入れると、複数のURLを一度に開くときに、"
                                           "ブラウザではなくデスクトップの既定のアプリケーション"
                                           "で開きます。"),
                            this);
    note->setObjectName(QStringLiteral("lbl_not_ie"));
    note->setWordWrap(true);
    layout->addWidget(note);
    QPushButton* save = AddSaveRow(layout, this, QStringLiteral("btn_save_brws"));

    // This panel's tips are rows of the options window's table.
    for (QWidget* w : {static_cast<QWidget*>(cb_not_ie_), static_cast<QWidget*>(save)})
        w->setToolTip(ToolTipFor(QStringLiteral("WinOpt"), w->objectName()));
    cb_not_ie_->setChecked(gui_.ctx.Cmn().Opt().not_send_ie);
    connect(save, &QPushButton::clicked, this, [this] { SaveOpt(); });
}

bool WinOptBrws::SaveOpt() {
    CommonSettings& cmn = gui_.ctx.Cmn();
    const bool old = cmn.Opt().not_send_ie;
    cmn.Opt().not_send_ie = cb_not_ie_->isChecked();
    if (!cmn.Save()) {
        cmn.Opt().not_send_ie = old;
        gui_.dlg.Message(this, QStringLiteral("ブラウザ設定保存エラー"),
                         QStringLiteral("ブラウザの設定を保存できませんでした。"));
        return false;
    }
    Q_EMIT saved();
    return true;
}

}  // namespace korvi
