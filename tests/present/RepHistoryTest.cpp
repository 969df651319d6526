#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "present/RepHistory.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"

using korvi::Assist;
using korvi::CommonSettings;
using korvi::RepHistory;
using korvi::test::TempHome;

TEST(RepHistoryList, MostRecentFirstNoDuplicatesAtMostTwenty) {
    RepHistory h(RepHistory::kSearchBox);
    for (int i = 0; i < 25; ++i) h.Add(QString::number(i));
    h.Add("");
    h.Add("10");
    ASSERT_EQ(h.Items().size(), RepHistory::kMax);
    EXPECT_EQ(h.Items()[0], "10");
    EXPECT_EQ(h.Items()[1], "24");
    EXPECT_EQ(h.Items().count("10"), 1);
    EXPECT_EQ(h.Items().last(), "5");
}

TEST(RepHistoryList, AwkwardTextsSurviveTheSettingsFormat) {
    RepHistory h(RepHistory::kReplaceBox);
    const QStringList texts = {"a\tb", "tail  ", "back\\slash\\t", "[x]", "k=v", " lead", "#c"};
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) h.Add(*it);
    Assist ini;
    h.Write(ini);
    RepHistory back(RepHistory::kReplaceBox);
    back.Read(Assist(ini.IniToStr()));
    EXPECT_EQ(back.Items(), texts);
}

TEST(RepHistoryFile, RoundTripKeepsOtherKeysAndSurvivesTheMainSave) {
    TempHome th;
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=3\nmy_key=kept\n[Unknown]\nx=1\n"
             "[ReplaceSearchBox]\n0=old\n1=older\n2=oldest\n");
    CommonSettings cmn(th.Ctrl());
    cmn.Read(QSize(1280, 1024));

    RepHistory search(RepHistory::kSearchBox);
    RepHistory rep(RepHistory::kReplaceBox);
    search.Load(cmn);
    rep.Load(cmn);
    EXPECT_EQ(search.Items(), (QStringList{"old", "older", "oldest"}));
    EXPECT_TRUE(rep.Items().isEmpty());

    search = RepHistory(RepHistory::kSearchBox);
    search.Add("new");
    rep.Add("置換後");
    ASSERT_TRUE(search.Save(cmn));
    ASSERT_TRUE(rep.Save(cmn));
    EXPECT_EQ(cmn.Opt().run_no, 3);  // not counted as a save

    // The main window's save later keeps them.
    ASSERT_TRUE(cmn.Save());
    CommonSettings again(th.Ctrl());
    again.Read(QSize(1280, 1024));
    const Assist ini(again.HeldText());
    EXPECT_EQ(ini.GetIni("CommonOption", "my_key"), "kept");
    EXPECT_EQ(ini.GetIni("Unknown", "x"), "1");
    EXPECT_EQ(again.Opt().run_no, 4);
    RepHistory s2(RepHistory::kSearchBox);
    RepHistory r2(RepHistory::kReplaceBox);
    s2.Load(again);
    r2.Load(again);
    EXPECT_EQ(s2.Items(), (QStringList{"new"}));
    EXPECT_EQ(r2.Items(), (QStringList{"置換後"}));
}
