#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/profile/AutoLogin.h"
#include "fixtures/TempHome.h"

using korvi::AutoLogin;

TEST(AutoLogin, AppendsQueryRowsOfTheMatchingFile) {
    korvi::test::TempHome th;
    th.Write("auto_login/a.ini",
             "[URL]\nurl=http://h/login.cgi\navoid=false\n\n[QUERY]\nuser=me\n"
             "bare line\npass=p=w\n\n[Other]\nx=1\n");
    th.Write("auto_login/b.ini", "[URL]\nurl=http://h/off.cgi\navoid=TRUE\n[QUERY]\nu=1\n");
    th.Write("auto_login/c.ini", "[URL]\nurl=http://h/q.cgi?mode=1\n[QUERY]\nu=2\n");
    th.Write("auto_login/d.ini", "[URL]\nurl=http://h/none.cgi\n[QUERY]\n");
    AutoLogin al;
    al.InitAutoLogin(th.Ctrl());
    EXPECT_EQ(al.ChkAutoLogin("http://h/login.cgi"), "http://h/login.cgi?user=me&pass=p=w");
    // Switched off in any letter case; only exact URLs are looked up.
    EXPECT_EQ(al.ChkAutoLogin("http://h/off.cgi"), "http://h/off.cgi");
    EXPECT_EQ(al.ChkAutoLogin("http://h/login.cgi#x"), "http://h/login.cgi#x");
    EXPECT_EQ(al.ChkAutoLogin(""), "");
    // A URL with a query gets the rows after "&"; nothing to append: unchanged.
    EXPECT_EQ(al.ChkAutoLogin("http://h/q.cgi?mode=1"), "http://h/q.cgi?mode=1&u=2");
    EXPECT_EQ(al.ChkAutoLogin("http://h/none.cgi"), "http://h/none.cgi");
}

TEST(AutoLogin, LaterFileWinsAndMalformedFilesAreSkipped) {
    korvi::test::TempHome th;
    th.Write("auto_login/1.ini", "[URL]\nurl=http://h/l\n[QUERY]\nk=first\n");
    th.Write("auto_login/2.ini", "[URL]\nurl=http://h/l\n[QUERY]\nk=second\n");
    th.Write("auto_login/empty.ini", "");
    th.Write("auto_login/nourl.ini", "[QUERY]\nk=v\n");
    th.Write("auto_login/garbage.ini", QByteArray("\xff\xfe\x00\x01[[[\n=\n\t\t[", 12));
    th.Write("auto_login/sub/3.ini", "[URL]\nurl=http://h/sub\n[QUERY]\nk=v\n");
    AutoLogin al;
    al.InitAutoLogin(th.Ctrl());
    EXPECT_EQ(al.ChkAutoLogin("http://h/l"), "http://h/l?k=second");
    EXPECT_EQ(al.ChkAutoLogin("http://h/sub"), "http://h/sub");
    EXPECT_EQ(al.Count(), 1);
    // (The shipped sample file is switched off, so only one URL is held.)
    // A missing folder gives an empty table.
    AutoLogin none;
    none.InitAutoLogin(th.Ctrl(), "no_such_folder");
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.ChkAutoLogin("http://h/l"), "http://h/l");
}

TEST(AutoLogin, ReadWhileReloaded) {
    korvi::test::TempHome th;
    th.Write("auto_login/a.ini", "[URL]\nurl=http://h/l\n[QUERY]\nk=v\n");
    AutoLogin al;
    al.InitAutoLogin(th.Ctrl());
    std::vector<std::thread> readers;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (al.ChkAutoLogin("http://h/l") != "http://h/l?k=v") ++wrong;
            }
        });
    }
    for (int i = 0; i < 30; ++i) al.InitAutoLogin(th.Ctrl());
    for (auto& r : readers) r.join();
    EXPECT_EQ(wrong.load(), 0);
}
