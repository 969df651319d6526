#include <gtest/gtest.h>

#include "TempHome.h"
#include "server/UrlMount.h"

using namespace korvi;

TEST(UrlMountAddress, SortsOtherThenZeroThen192Then127) {
    EXPECT_EQ(UrlMount::ChooseIp({"127.0.0.1", "192.168.0.5", "10.0.0.7"}), "10.0.0.7");
    EXPECT_EQ(UrlMount::ChooseIp({"127.0.0.1", "192.168.1.2"}), "192.168.1.2");
    EXPECT_EQ(UrlMount::ChooseIp({}), "");
    EXPECT_EQ(
        UrlMount::SortAddresses({"127.0.0.1", "0.0.0.0", "192.168.1.2", "172.16.0.2", "10.1.1.1"}),
        QStringList({"10.1.1.1", "172.16.0.2", "0.0.0.0", "192.168.1.2", "127.0.0.1"}));
}

TEST(UrlMountTimer, FirstMountAtSecondBoundaryThenEvery11Minutes) {
    test::TempHome home;
    QStringList sent;
    UrlMount um(home.Ctrl(), [&](const QString& url, int timeout) {
        EXPECT_EQ(timeout, 10000);
        sent << url;
        return true;
    });
    um.SetAddressSource([] { return QStringList{"127.0.0.1", "10.0.0.7"}; });
    um.SetSettings(true, "http://mount.invalid/um.cgi", "pw");
    QList<int> mountedAt;
    home.GetClock().SetJst(2006, 3, 9, 7, 0, 30);
    for (int minute = 0; minute < 40; ++minute) {
        // Several loop passes within each minute.
        for (int pass = 0; pass < 3; ++pass) {
            if (um.ChkUM(true)) mountedAt << minute;
            home.GetClock().Advance(200);
        }
        home.GetClock().Advance(60000 - 600);
    }
    EXPECT_EQ(mountedAt, QList<int>({2, 13, 24, 35}));
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.first(), "http://mount.invalid/um.cgi?pw=pw&url=http://10.0.0.7/");
    const QString log = QString::fromUtf8(home.Read("log/2006_03_09.log"));
    EXPECT_TRUE(log.startsWith(">>UM0 Mem   use "));
    EXPECT_TRUE(log.contains("\n>>UM1 Mem   use "));
    EXPECT_TRUE(log.contains("  total "));
}

TEST(UrlMountTimer, OffDoesNothingAndManualAlwaysSends) {
    test::TempHome home;
    int sent = 0;
    UrlMount um(home.Ctrl(), [&](const QString&, int) { return ++sent, true; });
    um.SetSettings(true, "http://mount.invalid/um.cgi", "");  // no password: off
    EXPECT_FALSE(um.On());
    for (int i = 0; i < 30; ++i) {
        EXPECT_FALSE(um.ChkUM(true));
        home.GetClock().Advance(60000);
    }
    EXPECT_EQ(um.Counter(), 8);
    um.SetSettings(true, "http://mount.invalid/um.cgi", "pw");
    EXPECT_TRUE(um.ChkUM(false));
    EXPECT_TRUE(um.ChkUM(false));  // twice within one minute: two requests
    EXPECT_EQ(sent, 2);
    home.Write("server/opt.ini", "[UrlMount]\nuse=1\nurl=http://m.invalid/x.cgi\npassword=p\n");
    um.LoadSettings();
    EXPECT_TRUE(um.On());
    home.Write("server/opt.ini", "[UrlMount]\nuse=true\nurl=http://m.invalid/x.cgi\npassword=p\n");
    um.LoadSettings();
    EXPECT_FALSE(um.On());
}
