#include "ui/server/WinOptHttpSrvr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "server/HttpSrvr.h"
#include "server/HttpSrvrOptEdit.h"
#include "server/SrvrCtl.h"
#include "server/UrlMount.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"
#include "ui/common/ToolTipTable.h"
#include "ui_WinOptHttpSrvr.h"

namespace korvi {

namespace {

const QString kMountTitle = QStringLiteral("URLマウント");
constexpr int kPollMs = 250;

}  // namespace

WinOptHttpSrvr::WinOptHttpSrvr(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinOptHttpSrvrBody>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("WinOptHttpSrvr"));
    // Widths that follow the font: the state label fits its longer text, the
    // number fields eight digits.
    ui_->lbl_stt->setMinimumWidth(
        ui_->lbl_stt->fontMetrics().horizontalAdvance(QStringLiteral("停止中")) + 8);
    const int numberWidth = ui_->txt_port->fontMetrics().horizontalAdvance(u'0') * 8 + 16;
    ui_->txt_port->setFixedWidth(numberWidth);
    ui_->txt_q_reload->setFixedWidth(numberWidth);
    InitToolTip(this);

    connect(ui_->btn_stt, &QPushButton::clicked, this, &WinOptHttpSrvr::StartStop);
    connect(ui_->btn_avoid_lst, &QPushButton::clicked, this,
            [this] { OpenList(QStringLiteral("server/avoid.txt")); });
    connect(ui_->btn_accpt_lst, &QPushButton::clicked, this,
            [this] { OpenList(QStringLiteral("server/accept.txt")); });
    connect(ui_->btn_um_now, &QPushButton::clicked, this, &WinOptHttpSrvr::MountNow);
    connect(ui_->btn_save_srvr, &QPushButton::clicked, this, &WinOptHttpSrvr::SaveOpt);

    LoadOpt();
    ui_->txt_um_ip->setText(UrlMount::ChooseIp(UrlMount::LocalAddresses()));
    // The state may change elsewhere (resident start, another window).
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &WinOptHttpSrvr::ShowState);
    poll_->start();
    ShowState();
}

WinOptHttpSrvr::~WinOptHttpSrvr() {
    // The request ends by its own time-out at the latest.
    if (mount_thread_.joinable()) mount_thread_.join();
}

void WinOptHttpSrvr::LoadOpt() {
    const HttpSrvrOptEdit e = HttpSrvrOptEdit::Load(gui_.ctx.Ctrl());
    ui_->cb_use->setChecked(e.use);
    ui_->txt_port->setText(QString::number(e.port));
    ui_->txt_q_reload->setText(QString::number(e.reload_sec));
    ui_->cmb_accs->setCurrentIndex(e.access >= 0 && e.access < ui_->cmb_accs->count() ? e.access
                                                                                      : 0);
    ui_->cb_um_use->setChecked(e.um_use);
    ui_->txt_um_url->setText(e.um_url.isEmpty() ? QStringLiteral("http://") : e.um_url);
    ui_->txt_um_pw->setText(e.um_password);
}

void WinOptHttpSrvr::ShowState() {
    const bool running = gui_.server && gui_.server->SrvrState() == HttpSrvr::kRunning;
    ui_->btn_stt->setText(running ? QStringLiteral("停止") : QStringLiteral("起動"));
    ui_->lbl_stt->setText(running ? QStringLiteral("実行中") : QStringLiteral("停止中"));
    ui_->btn_stt->setEnabled(gui_.server != nullptr);
    ui_->btn_um_now->setEnabled(gui_.server != nullptr && !mount_thread_.joinable());
}

void WinOptHttpSrvr::StartStop() {
    SrvrCtl* ctl = gui_.server;
    if (!ctl) return;
    if (ctl->SrvrState() == HttpSrvr::kRunning) {
        ctl->StopSrvr();
        ShowState();
        return;
    }
    QString error;
    const int state = ctl->StartSrvr(&error);
    ShowState();
    if (state == HttpSrvr::kNotStarted) {
        const HttpSrvrOptEdit e = HttpSrvrOptEdit::Load(gui_.ctx.Ctrl());
        gui_.dlg.Message(this, QStringLiteral("HttpServer起動エラー"),
                         QStringLiteral("HTTPサーバーを起動できませんでした。\nポート ") +
                             QString::number(e.port) +
                             QStringLiteral(" は他のプログラムが使用中か、使用できません。\n") +
                             error);
    } else if (state == HttpSrvr::kNotInUse) {
        gui_.dlg.Message(this, QStringLiteral("HttpServer起動"),
                         QStringLiteral("保存されている設定で「HTTPサーバーの使用」がオフのため、"
                                        "起動しませんでした。"));
    }
}

bool WinOptHttpSrvr::SaveOpt() {
    HttpSrvrOptEdit e;
    e.use = ui_->cb_use->isChecked();
    e.access = ui_->cmb_accs->currentIndex();
    e.um_use = ui_->cb_um_use->isChecked();
    e.um_url = ui_->txt_um_url->text().trimmed();
    // The untouched preset is no address.
    if (e.um_url == QStringLiteral("http://")) e.um_url = QString("");
    e.um_password = ui_->txt_um_pw->text();
    const HttpSrvrOptSaved saved =
        SaveHttpSrvrOpt(gui_.ctx.Ctrl(), e, ui_->txt_port->text(), ui_->txt_q_reload->text());
    gui_.dlg.Show(this, saved.message);
    return saved.ok;
}

void WinOptHttpSrvr::OpenList(const QString& file) {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    // A list that is not there yet opens as an empty file.
    if (!QFileInfo::exists(ctrl.Abs(file)) && ctrl.SetEnableDir(file))
        ctrl.SaveData(file, QString(""));
    const QString path = ctrl.Abs(file);
    OpenOrLog(gui_, this, path, QStringLiteral("WinOptHttpSrvr List Open Error : ") + path);
}

void WinOptHttpSrvr::MountNow() {
    SrvrCtl* ctl = gui_.server;
    if (!ctl || mount_thread_.joinable()) return;
    ui_->btn_um_now->setEnabled(false);
    mount_thread_ = std::thread([this, ctl] {
        QString url;
        const bool sent = ctl->MountNow(&url);
        QMetaObject::invokeMethod(
            this, [this, sent, url] { MountDone(sent, url); }, Qt::QueuedConnection);
    });
}

void WinOptHttpSrvr::MountDone(bool sent, const QString& url) {
    if (mount_thread_.joinable()) mount_thread_.join();
    ShowState();
    if (!sent) {
        gui_.dlg.Message(this, kMountTitle,
                         QStringLiteral("URLマウントは使用しない設定になっています。"
                                        "「URLマウントの使用」をオンにしてマウント先URLと"
                                        "パスワードを保存し、HTTPサーバーを起動し直して下さい。"));
        return;
    }
    gui_.dlg.Message(this, kMountTitle,
                     QStringLiteral("URLマウントを実行しました。マウント先URLを開きます。"));
    const QString target = url + u'/';
    OpenOrLog(gui_, this, target, QStringLiteral("WinOptHttpSrvr Mount Open Error : ") + target);
}

}  // namespace korvi
