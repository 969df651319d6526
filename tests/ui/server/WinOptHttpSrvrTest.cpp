#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "UiTestKit.h"
#include "server/HttpSrvr.h"
#include "server/HttpSrvrOptEdit.h"
#include "server/SrvrCtl.h"
#include "server/UrlMount.h"
#include "shell/Assist.h"
#include "ui/server/WinOptHttpSrvr.h"
#include "ui/server/WinSrvr.h"

namespace korvi::test {
namespace {

int FreePort() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

bool Accepts(int port) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, quint16(port));
    return s.waitForConnected(1000);
}

// A resident server whose opt.ini says what the test wants, and the panel.
struct Fixture {
    GuiHome home;
    std::unique_ptr<WinSrvr> server;
    std::unique_ptr<WinOptHttpSrvr> panel;

    explicit Fixture(const HttpSrvrOptEdit& opt) {
        EXPECT_TRUE(SaveHttpSrvrOpt(home.Ctrl(), opt));
        server = std::make_unique<WinSrvr>(home.Gui());
        EXPECT_TRUE(server->Start(QString()));
        panel = std::make_unique<WinOptHttpSrvr>(home.Gui());
    }
    ~Fixture() {
        panel.reset();
        server.reset();
    }
    template <typename T>
    T* Get(const char* name) {
        T* w = Find<T>(panel.get(), QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Label() { return Get<QLabel>("lbl_stt")->text(); }
    QString Button() { return Get<QPushButton>("btn_stt")->text(); }
};

HttpSrvrOptEdit On(int port) {
    HttpSrvrOptEdit e;
    e.use = true;
    e.port = port;
    return e;
}

// The button and the label follow the real server: pressing stops and starts
// it, and a change made elsewhere shows without a press.
TEST(WinOptHttpSrvr, StartStopFollowsTheServer) {
    const int port = FreePort();
    Fixture f(On(port));
    EXPECT_EQ(f.Get<QLineEdit>("txt_port")->text(), QString::number(port));
    EXPECT_TRUE(f.Get<QCheckBox>("cb_use")->isChecked());
    EXPECT_EQ(f.Label(), QStringLiteral("実行中"));
    EXPECT_EQ(f.Button(), QStringLiteral("停止"));
    EXPECT_TRUE(Accepts(port));

    f.Get<QPushButton>("btn_stt")->click();
    EXPECT_EQ(f.home.Gui().server->SrvrState(), HttpSrvr::kStopped);
    EXPECT_EQ(f.Label(), QStringLiteral("停止中"));
    EXPECT_EQ(f.Button(), QStringLiteral("起動"));

    f.Get<QPushButton>("btn_stt")->click();
    EXPECT_EQ(f.Label(), QStringLiteral("実行中"));
    EXPECT_TRUE(Accepts(port));

    f.home.Gui().server->StopSrvr();
    EXPECT_TRUE(WaitUntil([&] { return f.Label() == QStringLiteral("停止中"); }, 3000));
    EXPECT_TRUE(f.home.Dlg().shown.empty());
}

// Starting on a port another program holds says so and leaves the server
// stopped; with "use" saved off, the press says why nothing started.
TEST(WinOptHttpSrvr, BusyPortAndUseOffAreReported) {
    Fixture f(On(FreePort()));
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    const int busy = other.serverPort();
    f.Get<QLineEdit>("txt_port")->setText(QString::number(busy));
    ASSERT_TRUE(f.panel->SaveOpt());
    f.Get<QPushButton>("btn_stt")->click();  // stop
    f.Get<QPushButton>("btn_stt")->click();  // start on the busy port
    ASSERT_TRUE(f.home.Dlg().WasShown(QStringLiteral("HttpServer起動エラー")));
    EXPECT_TRUE(f.home.Dlg()
                    .TextOf(QStringLiteral("HttpServer起動エラー"))
                    .contains(QStringLiteral("ポート ") + QString::number(busy)));
    EXPECT_EQ(f.Label(), QStringLiteral("停止中"));

    f.Get<QCheckBox>("cb_use")->setChecked(false);
    ASSERT_TRUE(f.panel->SaveOpt());
    f.Get<QPushButton>("btn_stt")->click();
    EXPECT_TRUE(f.home.Dlg().WasShown(QStringLiteral("HttpServer起動")));
    EXPECT_EQ(f.home.Gui().server->SrvrState(), HttpSrvr::kNotInUse);
    EXPECT_EQ(f.Label(), QStringLiteral("停止中"));
}

// Saving writes every key of both sections and reports it; a bad port or
// reload time is refused with a warning and writes nothing.
TEST(WinOptHttpSrvr, SaveWritesKeysAndRefusesBadNumbers) {
    GuiHome home;
    WinOptHttpSrvr panel(home.Gui());
    // Without a resident server the button cannot start anything.
    EXPECT_FALSE(Find<QPushButton>(&panel, "btn_stt")->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(&panel, "txt_um_url")->text(), QStringLiteral("http://"));
    EXPECT_EQ(Find<QComboBox>(&panel, "cmb_accs")->count(), 3);
    const QByteArray shipped = home.Read("server/opt.ini");

    auto* port = Find<QLineEdit>(&panel, "txt_port");
    auto* reload = Find<QLineEdit>(&panel, "txt_q_reload");
    for (const char* bad : {"70000", "-1", "abc", ""}) {
        port->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(panel.SaveOpt()) << bad;
    }
    port->setText("8089");
    reload->setText("0");
    EXPECT_FALSE(panel.SaveOpt());
    EXPECT_EQ(home.Read("server/opt.ini"), shipped);
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("HttpServer設定保存警告")));
    EXPECT_FALSE(home.Dlg().WasShown(QStringLiteral("HttpServer設定保存")));

    reload->setText("9");
    ASSERT_TRUE(panel.SaveOpt());
    // The preset alone names no mount address.
    EXPECT_EQ(Assist(QString::fromUtf8(home.Read("server/opt.ini"))).GetIni("UrlMount", "url"), "");
    Find<QCheckBox>(&panel, "cb_use")->setChecked(true);
    Find<QComboBox>(&panel, "cmb_accs")->setCurrentIndex(1);
    Find<QCheckBox>(&panel, "cb_um_use")->setChecked(true);
    Find<QLineEdit>(&panel, "txt_um_url")->setText("http://m.invalid/um.cgi");
    Find<QLineEdit>(&panel, "txt_um_pw")->setText("secret");
    Find<QPushButton>(&panel, "btn_save_srvr")->click();
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("HttpServer設定保存")),
              QStringLiteral("HttpServerの設定を保存しました。"));
    const Assist ini(QString::fromUtf8(home.Read("server/opt.ini")));
    EXPECT_EQ(ini.GetIni("HttpServer", "use"), "1");
    EXPECT_EQ(ini.GetIni("HttpServer", "port"), "8089");
    EXPECT_EQ(ini.GetIni("HttpServer", "q_reload_sec"), "9");
    EXPECT_EQ(ini.GetIni("HttpServer", "access"), "1");
    EXPECT_EQ(ini.GetIni("UrlMount", "use"), "1");
    EXPECT_EQ(ini.GetIni("UrlMount", "url"), "http://m.invalid/um.cgi");
    EXPECT_EQ(ini.GetIni("UrlMount", "password"), "secret");

    // The lists open through the desktop opener; a missing one is made first.
    QFile::remove(home.File("server/accept.txt"));
    Find<QPushButton>(&panel, "btn_avoid_lst")->click();
    Find<QPushButton>(&panel, "btn_accpt_lst")->click();
    EXPECT_EQ(home.opened, QStringList({home.Ctrl().Abs("server/avoid.txt"),
                                        home.Ctrl().Abs("server/accept.txt")}));
    EXPECT_TRUE(home.Exists("server/accept.txt"));
}

// "今すぐマウント" sends the request from a worker, then reports and opens
// the mount URL; with the mount off it says so and opens nothing.
TEST(WinOptHttpSrvr, MountNowSendsThenOpens) {
    FixtureServer cgi;
    cgi.Page("/um.cgi", "ok");
    HttpSrvrOptEdit opt = On(FreePort());
    opt.um_use = true;
    opt.um_url = cgi.Url("/um.cgi");
    opt.um_password = "pw";
    Fixture f(opt);
    const QString ip = f.Get<QLineEdit>("txt_um_ip")->text();
    EXPECT_EQ(ip, UrlMount::ChooseIp(UrlMount::LocalAddresses()));

    f.Get<QPushButton>("btn_um_now")->click();
    EXPECT_TRUE(f.panel->MountRunning());
    ASSERT_TRUE(WaitUntil([&] { return f.home.Dlg().WasShown(QStringLiteral("URLマウント")); }));
    EXPECT_EQ(f.home.Dlg().TextOf(QStringLiteral("URLマウント")),
              QStringLiteral("URLマウントを実行しました。マウント先URLを開きます。"));
    ASSERT_EQ(cgi.Requests().size(), 1u);
    EXPECT_EQ(cgi.Requests()[0], QStringLiteral("/um.cgi?pw=pw&url=http://") + ip + u'/');
    EXPECT_EQ(f.home.opened, QStringList({cgi.Url("/um.cgi") + u'/'}));
    EXPECT_FALSE(f.panel->MountRunning());

    // Switched off and read again by the start button: nothing is sent.
    f.Get<QCheckBox>("cb_um_use")->setChecked(false);
    ASSERT_TRUE(f.panel->SaveOpt());
    f.Get<QPushButton>("btn_stt")->click();
    f.Get<QPushButton>("btn_stt")->click();
    f.home.Dlg().shown.clear();
    f.Get<QPushButton>("btn_um_now")->click();
    ASSERT_TRUE(WaitUntil([&] { return f.home.Dlg().WasShown(QStringLiteral("URLマウント")); }));
    EXPECT_TRUE(f.home.Dlg()
                    .TextOf(QStringLiteral("URLマウント"))
                    .startsWith(QStringLiteral("URLマウントは使用しない設定")));
    EXPECT_EQ(cgi.Requests().size(), 1u);
    EXPECT_EQ(f.home.opened.size(), 1);
}

}  // namespace
}  // namespace korvi::test
