#include "ui/engine/WinOptSrch.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OptPanelParts.h"
#include "ui/common/ToolTipTable.h"

namespace korvi {

WinOptSrch::WinOptSrch(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptSrch"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(QStringLiteral("検索時の文字列入力方式"), this);
    layout->addWidget(heading);
    lst_srch_type_ = new QListWidget(this);
    lst_srch_type_->setObjectName(QStringLiteral("lst_srch_type"));
    heading->setBuddy(lst_srch_type_);
    // In the order of the stored search_type values 0 to 3.
    lst_srch_type_->addItems({QStringLiteral("Korviタイプ"), QStringLiteral("正規表現タイプ"),
                              QStringLiteral("検索エンジン・タイプ"),
                              QStringLiteral("完全テキスト・タイプ")});
    // Tall enough for all four types, without a scroll bar.
    lst_srch_type_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    lst_srch_type_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lst_srch_type_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(lst_srch_type_);
    cb_case_insnstv_ =
        new QCheckBox(QStringLiteral("A＝a（大文字と小文字の区別を行なわない）"), this);
    cb_case_insnstv_->setObjectName(QStringLiteral("cb_case_insnstv"));
    layout->addWidget(cb_case_insnstv_);
    QPushButton* save = AddSaveRow(layout, this, QStringLiteral("btn_save"));

    InitToolTip(this);

    const CmnOpt& o = gui_.ctx.Cmn().Opt();
    const int type = o.search_type >= 0 && o.search_type <= 3 ? o.search_type : 0;
    lst_srch_type_->setCurrentRow(type);
    // Only "1" distinguishes case; every other value is taken as "0".
    cb_case_insnstv_->setChecked(o.case_insensitive != 1);

    connect(save, &QPushButton::clicked, this, [this] { SaveOpt(); });
}

bool WinOptSrch::SaveOpt() {
    CommonSettings& cmn = gui_.ctx.Cmn();
    CmnOpt& o = cmn.Opt();
    const int oldType = o.search_type;
    const int oldCase = o.case_insensitive;
    const int type = qMax(0, lst_srch_type_->currentRow());
    o.search_type = type;
    o.case_insensitive = cb_case_insnstv_->isChecked() ? 0 : 1;
    if (!cmn.Save()) {
        o.search_type = oldType;
        o.case_insensitive = oldCase;
        gui_.dlg.Message(this, QStringLiteral("検索設定保存エラー"),
                         QStringLiteral("検索設定を保存できませんでした。"));
        return false;
    }
    gui_.ctx.Match().SetSearchType(o.search_type);
    gui_.ctx.Match().SetCaseInsensitiveSetting(o.case_insensitive);
    Q_EMIT saved();
    return true;
}

}  // namespace korvi
