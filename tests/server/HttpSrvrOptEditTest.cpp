#include <gtest/gtest.h>

#include <QFile>

#include "TempHome.h"
#include "server/HttpSrvrOpt.h"
#include "server/HttpSrvrOptEdit.h"
#include "server/UrlMount.h"
#include "shell/Assist.h"

using namespace korvi;

namespace {

HttpSrvrOptEdit Sample() {
    HttpSrvrOptEdit e;
    e.use = true;
    e.port = 8123;
    e.reload_sec = 7;
    e.access = 2;
    e.um_use = true;
    e.um_url = "http://mount.invalid/um.cgi";
    e.um_password = "pw";
    return e;
}

QStringList NonKeyLines(const QString& text) {
    QStringList out;
    for (const QString& line : text.split(u'\n'))
        if (!line.contains(u'=')) out << line;
    return out;
}

}  // namespace

// Saving over the shipped file changes only the edited keys: the notes, the
// keys the window does not edit and the blank lines stay, and the server and
// the mount read the new values back. A second save changes nothing.
TEST(HttpSrvrOptEdit, KeepsNotesAndUnknownKeys) {
    test::TempHome home;
    const QString before = QString::fromUtf8(home.Read("server/opt.ini"));
    ASSERT_TRUE(before.contains("Lines without an equals sign"));
    ASSERT_TRUE(SaveHttpSrvrOpt(home.Ctrl(), Sample()));
    const QString after = QString::fromUtf8(home.Read("server/opt.ini"));
    EXPECT_EQ(NonKeyLines(after), NonKeyLines(before));
    EXPECT_EQ(after.count("port="), 1);
    EXPECT_TRUE(after.contains("\nbind=127.0.0.1\n"));
    EXPECT_TRUE(after.contains("\nread_timeout_sec=10\n"));

    HttpSrvrOpt opt;
    ASSERT_TRUE(opt.Load(after));
    EXPECT_TRUE(opt.use);
    EXPECT_EQ(opt.port, 8123);
    EXPECT_EQ(opt.reload_sec, 7);
    EXPECT_EQ(opt.access, HttpSrvrOpt::ACCEPT_ACCEPT);
    UrlMount mount(home.Ctrl(), {});
    mount.LoadSettings();
    EXPECT_TRUE(mount.On());
    EXPECT_EQ(mount.Url(), "http://mount.invalid/um.cgi");

    const HttpSrvrOptEdit back = HttpSrvrOptEdit::Load(home.Ctrl());
    EXPECT_EQ(back.port, 8123);
    EXPECT_EQ(back.um_password, "pw");
    ASSERT_TRUE(SaveHttpSrvrOpt(home.Ctrl(), back));
    EXPECT_EQ(QString::fromUtf8(home.Read("server/opt.ini")), after);
}

// A missing file is written with both sections; a value cannot smuggle in
// rows of its own.
TEST(HttpSrvrOptEdit, MissingFileAndLineBreaksInValues) {
    test::TempHome home;
    ASSERT_TRUE(QFile::remove(home.File("server/opt.ini")));
    HttpSrvrOptEdit e = Sample();
    e.um_password = "a\nuse=0\tb";
    ASSERT_TRUE(SaveHttpSrvrOpt(home.Ctrl(), e));
    const Assist ini(QString::fromUtf8(home.Read("server/opt.ini")));
    EXPECT_EQ(ini.GetIni("HttpServer", "port"), "8123");
    EXPECT_EQ(ini.GetIni("UrlMount", "use"), "1");
    EXPECT_EQ(ini.GetIni("UrlMount", "password"), "ause=0b");
}

// Keys go into their own section: a key of the same name elsewhere is left
// alone, a new key joins the end of its section before the blank separator,
// and a new section is added at the end.
TEST(HttpSrvrOptEdit, SetIniKeepLinesPlacesKeys) {
    const QString text = "note\n[A]\nuse=0\n\n[B]\nuse=0\nx=1\n";
    EXPECT_EQ(SetIniKeepLines(text, "B", "use", "1"), "note\n[A]\nuse=0\n\n[B]\nuse=1\nx=1\n");
    EXPECT_EQ(SetIniKeepLines(text, "A", "port", "80"),
              "note\n[A]\nuse=0\nport=80\n\n[B]\nuse=0\nx=1\n");
    EXPECT_EQ(SetIniKeepLines(text, "C", "k", "v"), text + "\n[C]\nk=v\n");
    EXPECT_EQ(SetIniKeepLines("", "C", "k", "v"), "[C]\nk=v\n");
    // A note that merely mentions the key is no key row.
    EXPECT_EQ(SetIniKeepLines("[A]\nuse - on or off\n", "A", "use", "1"),
              "[A]\nuse - on or off\nuse=1\n");
}

// The window's texts for port and reload seconds: whole numbers within their
// bounds are written; anything else is refused with a warning and leaves the
// file as it was.
TEST(HttpSrvrOptEdit, ChecksPortAndReloadTexts) {
    struct Case {
        const char* port;
        const char* reload;
        int wantPort;    // -1: refused
        int wantReload;  // for a refused case, whether the port (0) or reload (1) is named
    };
    const Case cases[] = {
        {"0", "1", 0, 1},           {"65535", "86400", 65535, 86400},
        {" 8080 ", "30", 8080, 30}, {"65536", "5", -1, 0},
        {"-1", "5", -1, 0},         {"", "5", -1, 0},
        {"80a", "5", -1, 0},        {"８０", "5", -1, 0},
        {"1e3", "5", -1, 0},        {"9999999999", "5", -1, 0},
        {"80", "0", -1, 1},         {"80", "86401", -1, 1},
        {"80", "", -1, 1},          {"80", "+5", -1, 1},
        {"80", "5.0", -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.port) + " / " + c.reload);
        test::TempHome home;
        const QByteArray before = home.Read("server/opt.ini");
        const HttpSrvrOptSaved saved = SaveHttpSrvrOpt(
            home.Ctrl(), Sample(), QString::fromUtf8(c.port), QString::fromUtf8(c.reload));
        if (c.wantPort < 0) {
            EXPECT_FALSE(saved.ok);
            EXPECT_EQ(saved.message.title, "HttpServer設定保存警告");
            EXPECT_TRUE(saved.message.text.startsWith(c.wantReload ? "クエリー" : "ポート"))
                << saved.message.text.toStdString();
            EXPECT_EQ(home.Read("server/opt.ini"), before);
            continue;
        }
        EXPECT_TRUE(saved.ok);
        EXPECT_EQ(saved.message.title, "HttpServer設定保存");
        const HttpSrvrOptEdit back = HttpSrvrOptEdit::Load(home.Ctrl());
        EXPECT_EQ(back.port, c.wantPort);
        EXPECT_EQ(back.reload_sec, c.wantReload);
        EXPECT_EQ(back.um_url, "http://mount.invalid/um.cgi");
    }
}
