#include "ui/server/WinOptHttpSrvr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "server/HttpSrvr.h"
#include "server/HttpSrvrOptSave.h"
#include "server/SrvrCtl.h"
#include "server/UrlMount.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OpenOrLog.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

namespace {

const QString kMountTitle = QStringLiteral("URLマウント");
constexpr int kPollMs = 250;

template <typename T>
T* Named(T* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

}  // namespace

WinOptHttpSrvr::WinOptHttpSrvr(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptHttpSrvr"));

    // Server settings.
    auto* srvr = new QGroupBox(QStringLiteral("HTTPサーバー"), this);
    auto* srvrLayout = new QVBoxLayout(srvr);
    auto* top = new QHBoxLayout;
    cb_use_ =
        Named(new QCheckBox(QStringLiteral("HTTPサーバーの使用"), srvr), QStringLiteral("cb_use"));
    btn_stt_ = Named(new QPushButton(QStringLiteral("起動"), srvr), QStringLiteral("btn_stt"));
    lbl_stt_ = Named(new QLabel(QStringLiteral("停止中"), srvr), QStringLiteral("lbl_stt"));
    lbl_stt_->setMinimumWidth(lbl_stt_->fontMetrics().horizontalAdvance(QStringLiteral("停止中")) +
                              8);
    top->addWidget(cb_use_);
    top->addStretch(1);
    top->addWidget(btn_stt_);
    top->addWidget(lbl_stt_);
    srvrLayout->addLayout(top);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    txt_port_ = Named(new QLineEdit(srvr), QStringLiteral("txt_port"));
    txt_port_->setFixedWidth(txt_port_->fontMetrics().horizontalAdvance(u'0') * 8 + 16);
    form->addRow(QStringLiteral("ポート"), txt_port_);
    auto* reloadRow = new QHBoxLayout;
    txt_q_reload_ = Named(new QLineEdit(srvr), QStringLiteral("txt_q_reload"));
    txt_q_reload_->setFixedWidth(txt_port_->width());
    reloadRow->addWidget(txt_q_reload_);
    reloadRow->addWidget(new QLabel(QStringLiteral("秒"), srvr));
    reloadRow->addStretch(1);
    form->addRow(QStringLiteral("クエリー・リロード秒数"), reloadRow);
    auto* accsRow = new QHBoxLayout;
    cmb_accs_ = Named(new QComboBox(srvr), QStringLiteral("cmb_accs"));
    cmb_accs_->addItems({QStringLiteral("全て受け入れ"), QStringLiteral("除外を適用"),
                         QStringLiteral("受け入れを適用")});
    auto* btnAvoid =
        Named(new QPushButton(QStringLiteral("除外リスト"), srvr), QStringLiteral("btn_avoid_lst"));
    auto* btnAccept = Named(new QPushButton(QStringLiteral("受け入れリスト"), srvr),
                            QStringLiteral("btn_accpt_lst"));
    accsRow->addWidget(cmb_accs_);
    accsRow->addWidget(btnAvoid);
    accsRow->addWidget(btnAccept);
    accsRow->addStretch(1);
    form->addRow(QStringLiteral("アクセス制御"), accsRow);
    srvrLayout->addLayout(form);
    auto* hint = Named(new QLabel(QStringLiteral("起動中のHTTPサーバーに設定を反映したい時は、"
                                                 "一旦停止ボタンを押した後、再度起動ボタンを押"
                                                 "して下さい。"),
                                  srvr),
                       QStringLiteral("lbl_srvr_hint"));
    hint->setWordWrap(true);
    srvrLayout->addWidget(hint);

    // URL mount.
    auto* mount = new QGroupBox(QStringLiteral("URLマウント"), this);
    auto* mountLayout = new QVBoxLayout(mount);
    cb_um_use_ = Named(new QCheckBox(QStringLiteral("URLマウントの使用"), mount),
                       QStringLiteral("cb_um_use"));
    mountLayout->addWidget(cb_um_use_);
    auto* mountForm = new QFormLayout;
    txt_um_url_ = Named(new QLineEdit(mount), QStringLiteral("txt_um_url"));
    mountForm->addRow(QStringLiteral("マウント先URL"), txt_um_url_);
    txt_um_pw_ = Named(new QLineEdit(mount), QStringLiteral("txt_um_pw"));
    txt_um_pw_->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    mountForm->addRow(QStringLiteral("パスワード"), txt_um_pw_);
    auto* ipRow = new QHBoxLayout;
    txt_um_ip_ = Named(new QLineEdit(mount), QStringLiteral("txt_um_ip"));
    txt_um_ip_->setReadOnly(true);
    btn_um_now_ = Named(new QPushButton(QStringLiteral("今すぐマウント"), mount),
                        QStringLiteral("btn_um_now"));
    ipRow->addWidget(txt_um_ip_, 1);
    ipRow->addWidget(btn_um_now_);
    mountForm->addRow(QStringLiteral("現在のIP"), ipRow);
    mountLayout->addLayout(mountForm);

    auto* btns = new QHBoxLayout;
    btns->addStretch(1);
    auto* save =
        Named(new QPushButton(QStringLiteral("保存"), this), QStringLiteral("btn_save_srvr"));
    btns->addWidget(save);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(srvr);
    layout->addWidget(mount);
    layout->addStretch(1);
    layout->addLayout(btns);

    InitToolTip(this);

    connect(btn_stt_, &QPushButton::clicked, this, &WinOptHttpSrvr::StartStop);
    connect(btnAvoid, &QPushButton::clicked, this,
            [this] { OpenList(QStringLiteral("server/avoid.txt")); });
    connect(btnAccept, &QPushButton::clicked, this,
            [this] { OpenList(QStringLiteral("server/accept.txt")); });
    connect(btn_um_now_, &QPushButton::clicked, this, &WinOptHttpSrvr::MountNow);
    connect(save, &QPushButton::clicked, this, &WinOptHttpSrvr::SaveOpt);

    LoadOpt();
    txt_um_ip_->setText(UrlMount::ChooseIp(UrlMount::LocalAddresses()));
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
    cb_use_->setChecked(e.use);
    txt_port_->setText(QString::number(e.port));
    txt_q_reload_->setText(QString::number(e.reload_sec));
    cmb_accs_->setCurrentIndex(e.access >= 0 && e.access < cmb_accs_->count() ? e.access : 0);
    cb_um_use_->setChecked(e.um_use);
    txt_um_url_->setText(e.um_url.isEmpty() ? QStringLiteral("http://") : e.um_url);
    txt_um_pw_->setText(e.um_password);
}

void WinOptHttpSrvr::ShowState() {
    const bool running = gui_.server && gui_.server->SrvrState() == HttpSrvr::kRunning;
    btn_stt_->setText(running ? QStringLiteral("停止") : QStringLiteral("起動"));
    lbl_stt_->setText(running ? QStringLiteral("実行中") : QStringLiteral("停止中"));
    btn_stt_->setEnabled(gui_.server != nullptr);
    btn_um_now_->setEnabled(gui_.server != nullptr && !mount_thread_.joinable());
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
    e.use = cb_use_->isChecked();
    e.access = cmb_accs_->currentIndex();
    e.um_use = cb_um_use_->isChecked();
    e.um_url = txt_um_url_->text().trimmed();
    // The untouched preset is no address.
    if (e.um_url == QStringLiteral("http://")) e.um_url = QString("");
    e.um_password = txt_um_pw_->text();
    const HttpSrvrOptSaved saved =
        SaveHttpSrvrOpt(gui_.ctx.Ctrl(), e, txt_port_->text(), txt_q_reload_->text());
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
    btn_um_now_->setEnabled(false);
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
