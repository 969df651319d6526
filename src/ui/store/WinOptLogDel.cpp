#include "ui/store/WinOptLogDel.h"

#include <QIntValidator>

#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/ToolTipTable.h"
#include "ui_WinOptLogDel.h"

namespace korvi {

WinOptLogDel::WinOptLogDel(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinOptLogDelBody>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinOptLogDel"));
    for (QLineEdit* e : {ui_->txt_log_day, ui_->txt_log_size, ui_->txt_log_no})
        e->setValidator(new QIntValidator(0, 999999999, e));
    Show(gui_.ctx.Cmn().Opt().log_del);
    connect(ui_->btn_log_def, &QPushButton::clicked, this, [this] { ResetOpt(); });
    connect(ui_->btn_save, &QPushButton::clicked, this, [this] { SaveOpt(); });
    InitToolTip(this);
}

WinOptLogDel::~WinOptLogDel() = default;

void WinOptLogDel::Show(const LogDelSettings& s) {
    ui_->cb_log_day->setChecked(s.day_flag);
    ui_->txt_log_day->setText(QString::number(s.day_no));
    ui_->cb_log_size->setChecked(s.size_flag);
    ui_->txt_log_size->setText(QString::number(s.size_no));
    ui_->cb_log_no->setChecked(s.no_flag);
    ui_->txt_log_no->setText(QString::number(s.no_no));
}

void WinOptLogDel::ResetOpt() {
    Show(LogDelSettings::Reset());
}

bool WinOptLogDel::SaveOpt() {
    LogDelSettings s;
    bool ok[3] = {};
    s.day_flag = ui_->cb_log_day->isChecked();
    s.day_no = ui_->txt_log_day->text().toInt(&ok[0]);
    s.size_flag = ui_->cb_log_size->isChecked();
    s.size_no = ui_->txt_log_size->text().toInt(&ok[1]);
    s.no_flag = ui_->cb_log_no->isChecked();
    s.no_no = ui_->txt_log_no->text().toInt(&ok[2]);
    // An empty field must not become 0, which would delete every run folder.
    if (!ok[0] || !ok[1] || !ok[2] || s.day_no < 0 || s.size_no < 0 || s.no_no < 0) {
        gui_.dlg.Message(this, QStringLiteral("DL先フォルダ削除設定エラー"),
                         QStringLiteral("日数、ファイル・サイズ、回数には0以上の数を入力して"
                                        "下さい。"));
        return false;
    }
    CommonSettings& cmn = gui_.ctx.Cmn();
    const LogDelSettings old = cmn.Opt().log_del;
    cmn.Opt().log_del = s;
    if (!cmn.Save()) {
        cmn.Opt().log_del = old;
        gui_.dlg.Message(this, QStringLiteral("DL先フォルダ削除設定エラー"),
                         QStringLiteral("DL先フォルダの削除設定を保存できませんでした。"));
        return false;
    }
    Q_EMIT saved();
    return true;
}

}  // namespace korvi
