#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fixtures/TempHome.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "store/TextCodec.h"

using korvi::Assist;
using korvi::CommonSettings;
using korvi::LogDelSettings;
using korvi::test::TempHome;

namespace {

const QSize kScreen(1280, 1024);

QString ErrLog(const TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

}  // namespace

TEST(CommonSettingsRead, MissingFileIsAFirstStartWithDefaults) {
    TempHome th;
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    const auto& o = s.Opt();
    EXPECT_TRUE(s.FirstStart());
    EXPECT_EQ(s.HeldText(), "");
    // A new home is the normal case: nothing goes to the error log.
    EXPECT_FALSE(th.Exists("log_err/R.log")) << ErrLog(th).toStdString();
    EXPECT_EQ(o.run_no, 0);
    EXPECT_EQ(o.option_type, "デフォルト");
    EXPECT_EQ(o.sel_cmn, "デフォルト");
    EXPECT_EQ(o.theme_type, "Korvi.theme");
    EXPECT_EQ(o.log_folder, "log");
    EXPECT_TRUE(QFileInfo(th.File("log/tmp")).isDir());
    // A first start forces the deletion settings and the position.
    EXPECT_EQ(o.log_del, LogDelSettings::Reset());
    EXPECT_EQ(o.x, 100);
    EXPECT_EQ(o.y, 100);
    // Size stays at the start values; the file-search mode reads as none chosen.
    EXPECT_EQ(o.w, 720);
    EXPECT_EQ(o.h, 480);
    EXPECT_EQ(o.size_type, "");
    EXPECT_EQ(o.size_no, 0);
    EXPECT_TRUE(o.GuideOpensAtStart());
}

TEST(CommonSettingsRead, UnreadableFileIsLoggedAndReadsAsDefaults) {
    TempHome th;
    QDir().mkpath(th.File("cmn_opt.ini"));
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_EQ(s.HeldText(), "");
    EXPECT_TRUE(s.FirstStart());
    EXPECT_TRUE(ErrLog(th).contains("C_File Read Data Error : ")) << ErrLog(th).toStdString();
}

TEST(CommonSettingsRead, FirstStartOverridesWhatTheFileHolds) {
    TempHome th;
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=0\n[LogDel]\nday_flag=1\nday_no=2\nsize_flag=1\n"
             "size_no=7\nno_flag=1\nno_no=3\n[WinPosition]\nx=300\ny=40\n");
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_TRUE(s.FirstStart());
    EXPECT_EQ(s.Opt().log_del, LogDelSettings::Reset());
    EXPECT_EQ(s.Opt().x, 100);
    EXPECT_EQ(s.Opt().y, 100);

    // Once saved before, the same values are taken as written.
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=4\n[LogDel]\nday_flag=1\nday_no=2\nsize_flag=1\n"
             "size_no=7\nno_flag=1\nno_no=3\n[WinPosition]\nx=300\ny=40\n");
    CommonSettings t(th.Ctrl());
    t.Read(kScreen);
    EXPECT_FALSE(t.FirstStart());
    EXPECT_EQ(t.Opt().log_del, (LogDelSettings{true, 2, true, 7, true, 3}));
    EXPECT_EQ(t.Opt().x, 300);
    EXPECT_EQ(t.Opt().y, 40);
}

TEST(CommonSettingsRead, ClampsAndRulesPerKey) {
    TempHome th;
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=3\noption_type=\nsearch_type=4\ncase_insensitive=-2\n"
             "replace_regex_use=2\nreplace_bat_use=1\nhigh_light=01\nguide_view=2\npic_view=5\n"
             "[LogDel]\nday_flag=1\nday_no=-3\nsize_no=007\nno_no=12\n"
             "[Path]\nlog_folder=\n"
             "[OutType]\nsel_cmn=\n"
             "[WinPosition]\nw=479\nh=400\nx=-5\ny=900\nstate=-1\ntheme_type=\n"
             "[WinLogSearch]\nsize_type=sideways\nsize_no=-30\n"
             "[Extra]\nnot_send_ie=1\n");
    CommonSettings s(th.Ctrl());
    s.Opt().pic_view = 1;
    s.Opt().case_insensitive = 1;
    s.Read(kScreen);
    const auto& o = s.Opt();
    EXPECT_EQ(o.run_no, 3);
    EXPECT_EQ(o.option_type, "デフォルト");
    EXPECT_EQ(o.search_type, 0);
    EXPECT_EQ(o.case_insensitive, 1);  // negative: the held value stays
    EXPECT_FALSE(o.replace_regex_use);
    EXPECT_TRUE(o.replace_bat_use);
    EXPECT_FALSE(o.high_light);
    EXPECT_TRUE(o.GuideOpensAtStart());
    EXPECT_EQ(o.pic_view, 1);  // only 0 and 1 are taken
    EXPECT_TRUE(o.log_del.day_flag);
    EXPECT_EQ(o.log_del.day_no, 0);
    EXPECT_EQ(o.log_del.size_no, 0);  // not canonical decimal
    EXPECT_EQ(o.log_del.no_no, 12);
    EXPECT_FALSE(o.log_del.no_flag);
    EXPECT_EQ(o.log_folder, "log");
    EXPECT_EQ(o.sel_cmn, "デフォルト");
    EXPECT_EQ(o.w, 720);
    EXPECT_EQ(o.h, 400);
    EXPECT_EQ(o.x, 0);
    EXPECT_EQ(o.y, 1024 - 400);
    EXPECT_EQ(o.state, 0);
    EXPECT_EQ(o.theme_type, "Korvi.theme");
    EXPECT_EQ(o.size_type, "");
    EXPECT_EQ(o.size_no, 0);
    EXPECT_TRUE(o.not_send_ie);
}

TEST(CommonSettingsRead, EdgeValuesAreTakenAndScreenClampNeverGoesNegative) {
    TempHome th;
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=1\nsearch_type=3\nguide_view=1\npic_view=0\n"
             "[OutType]\nsel_cmn=表\n"
             "[WinPosition]\nw=480\nh=399\nx=800\ny=0\nstate=6\n"
             "[WinLogSearch]\nsize_type=down\nsize_no=12\n");
    CommonSettings s(th.Ctrl());
    s.Opt().pic_view = 1;
    s.Read(kScreen);
    EXPECT_EQ(s.Opt().search_type, 3);
    EXPECT_FALSE(s.Opt().GuideOpensAtStart());
    EXPECT_EQ(s.Opt().pic_view, 0);
    EXPECT_EQ(s.Opt().sel_cmn, "表");
    EXPECT_EQ(s.Opt().w, 480);
    EXPECT_EQ(s.Opt().h, 480);
    EXPECT_EQ(s.Opt().x, 800);  // exactly screen width minus w
    EXPECT_EQ(s.Opt().state, 6);
    EXPECT_EQ(s.Opt().size_type, "down");
    EXPECT_EQ(s.Opt().size_no, 12);

    // A screen narrower than the window keeps the window at 0, not off the left edge.
    CommonSettings t(th.Ctrl());
    t.Read(QSize(300, 200));
    EXPECT_EQ(t.Opt().x, 0);
    EXPECT_EQ(t.Opt().y, 0);
    // Without a screen size only the lower clamp applies.
    CommonSettings u(th.Ctrl());
    u.Read(QSize());
    EXPECT_EQ(u.Opt().x, 800);
}

TEST(CommonSettingsSave, KeepsUnknownKeysAndCountsSaves) {
    TempHome th;
    th.Write("cmn_opt.ini",
             "#memo\n[CommonOption]\nrun_no=2\nmine=keep me\n[Other]\nz=1\n"
             "[WinPosition]\nw=900\n");
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    s.Opt().search_string = "探す\u3000語";
    s.Opt().log_del.size_flag = true;
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(s.Opt().run_no, 3);
    const QString file = QString::fromUtf8(th.Read("cmn_opt.ini"));
    EXPECT_EQ(file, s.HeldText());
    EXPECT_TRUE(file.startsWith("=#memo\n\n[CommonOption]\nrun_no=3\nmine=keep me\n"));
    const Assist a(file);
    EXPECT_EQ(a.GetIni("Other", "z"), "1");
    EXPECT_EQ(a.GetIni("WinPosition", "w"), "900");
    EXPECT_EQ(a.GetIni("LogDel", "size_flag"), "1");
    EXPECT_EQ(a.GetIni("LogDel", "day_flag"), "0");
    EXPECT_EQ(a.GetIni("SearchSearchList", "search_string"), "探す\u3000語");
    // New keys of an existing middle section go before the next header.
    EXPECT_LT(file.indexOf("option_type="), file.indexOf("[Other]"));

    // What was saved reads back the same.
    CommonSettings t(th.Ctrl());
    t.Read(kScreen);
    EXPECT_EQ(t.Opt().run_no, 3);
    EXPECT_EQ(t.Opt().search_string, s.Opt().search_string);
    EXPECT_EQ(t.Opt().log_del, s.Opt().log_del);
    EXPECT_EQ(t.Opt().w, 900);
    EXPECT_EQ(t.Opt().size_type, s.Opt().size_type);
    ASSERT_TRUE(t.Save());
    EXPECT_EQ(Assist(t.HeldText()).GetIni("CommonOption", "run_no"), "4");
}

TEST(CommonSettingsSave, FailedWriteChangesNothingInMemory) {
    TempHome th;
    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=5\n");
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    const QString held = s.HeldText();
    // The file's place is taken by a folder: the write must fail.
    QFile::remove(th.File("cmn_opt.ini"));
    QDir().mkpath(th.File("cmn_opt.ini/sub"));
    EXPECT_FALSE(s.Save());
    EXPECT_EQ(s.Opt().run_no, 5);
    EXPECT_EQ(s.HeldText(), held);
    EXPECT_TRUE(ErrLog(th).contains("C_File File Write Error : "));
}

TEST(CommonSettingsLogFolder, CreatedWithTmpOrFallsBackToLog) {
    TempHome th;
    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=1\n[Path]\nlog_folder=dl/ダウン ロード\n");
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_EQ(s.Opt().log_folder, "dl/ダウン ロード");
    EXPECT_TRUE(QFileInfo(th.File("dl/ダウン ロード/tmp")).isDir());

    // A folder below a plain file cannot be made.
    QDir(th.File("log")).removeRecursively();
    th.Write("blocker", "x");
    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=1\n[Path]\nlog_folder=blocker/dl\n");
    CommonSettings t(th.Ctrl());
    t.Read(kScreen);
    EXPECT_EQ(t.Opt().log_folder, "log");
    EXPECT_TRUE(QFileInfo(th.File("log/tmp")).isDir());
}

TEST(CommonSettingsLogFolder, OneTrailingSeparatorIsRemovedOnSave) {
    TempHome th;
    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=1\n[Path]\nlog_folder=store\\\n");
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_EQ(s.Opt().log_folder, "store");
    s.Opt().log_folder = "other//";
    ASSERT_TRUE(s.Save());
    EXPECT_EQ(Assist(s.HeldText()).GetIni("Path", "log_folder"), "other/");
    EXPECT_EQ(CommonSettings::TrimLogFolder("a\\"), "a");
    EXPECT_EQ(CommonSettings::TrimLogFolder("/"), "/");
    EXPECT_EQ(CommonSettings::TrimLogFolder("a"), "a");
}

TEST(CommonSettingsLogFolder, CheckLogFldrFallsBackWithMessage) {
    TempHome th;
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_TRUE(s.CheckLogFldr().IsEmpty());
    EXPECT_FALSE(ErrLog(th).contains("Del OldLOg"));

    s.Opt().log_folder = "gone";
    const korvi::UserMessage m = s.CheckLogFldr();
    EXPECT_EQ(m.title, "DL先フォルダ削除エラー");
    EXPECT_EQ(m.text,
              "DL先フォルダ「gone」が存在しません。\n\n"
              "デフォルトの「log」フォルダにDL先フォルダを設定しました。");
    EXPECT_EQ(s.Opt().log_folder, "log");
    EXPECT_TRUE(ErrLog(th).contains("  Del OldLOg Error : log directory not exist  gone\n"));

    // A plain file is no download root either.
    th.Write("plain", "x");
    s.Opt().log_folder = "plain";
    EXPECT_FALSE(s.CheckLogFldr().IsEmpty());
}

TEST(SettingsEncoding, ShiftJisFileReadsLikeItsUtf8Twin) {
    TempHome th;
    const QString text = QStringLiteral(
        "[CommonOption]\r\nrun_no=2\r\noption_type=画像収集ｶﾅ\r\n[Path]\r\n"
        "current_directory=/home/ユーザー/書類\r\n[SearchSearchList]\r\n"
        "search_string=表示　検索\r\n#コメント\r\n");
    th.Write("sjis.ini", korvi::EncodeAs(text, "windows-31j"));
    th.Write("utf8.ini", text.toUtf8());
    ASSERT_NE(th.Read("sjis.ini"), th.Read("utf8.ini"));
    const Assist a(th.Ctrl().LoadData("sjis.ini"));
    const Assist b(th.Ctrl().LoadData("utf8.ini"));
    EXPECT_EQ(a.Keys(), b.Keys());
    EXPECT_EQ(a.Values(), b.Values());
    EXPECT_EQ(a.GetIni("CommonOption", "option_type"), "画像収集ｶﾅ");

    // The settings reader takes the same values from the Shift_JIS file.
    th.Write("cmn_opt.ini", korvi::EncodeAs(text, "windows-31j"));
    CommonSettings s(th.Ctrl());
    s.Read(kScreen);
    EXPECT_EQ(s.Opt().option_type, "画像収集ｶﾅ");
    EXPECT_EQ(s.Opt().search_string, "表示　検索");
    // And writes them back as UTF-8.
    ASSERT_TRUE(s.Save());
    EXPECT_TRUE(korvi::IsValidUtf8(th.Read("cmn_opt.ini")));
    EXPECT_TRUE(QString::fromUtf8(th.Read("cmn_opt.ini")).contains("option_type=画像収集ｶﾅ"));
}
