#include <gtest/gtest.h>

#include <QFile>

#include "TempHome.h"
#include "server/ResidentHost.h"
#include "server/WinSrvrCore.h"

using namespace korvi;

namespace {

// Records what the resident loop asked of the main window.
class RecordingHost : public ResidentHost {
public:
    bool HasMainWindow() const override { return window; }
    void BuildMainWindow(const QString& source) override {
        window = true;
        calls << (QStringLiteral("build:") + (source.isNull() ? QStringLiteral("<null>") : source));
    }
    void AppendToInitList(const QString& source) override {
        calls << (QStringLiteral("append:") +
                  (source.isNull() ? QStringLiteral("<null>") : source));
    }
    void SetSearchWord(const QString& word) override { calls << QStringLiteral("word:") + word; }
    void StartDlSearch() override { calls << QStringLiteral("start"); }
    bool SaveLinkList(const QString& list, const QString& target) override {
        calls << QStringLiteral("save:") + list + u'>' + target;
        return true;
    }
    void Exit() override { calls << QStringLiteral("exit"); }
    bool window = false;
    QStringList calls;
};

struct Resident {
    test::TempHome home;
    RecordingHost host;
    WinSrvrCore core{home.Ctrl(), host};
    // Places text and polls twice, as two loop passes 200 ms apart would.
    void Deliver(const QString& text) {
        core.SetMessage(text);
        core.GetMes();
        core.GetMes();
    }
};

QString HexEscape(const QString& text, bool upper = true) {
    QString out;
    for (char c : text.toUtf8()) {
        out += u'%' + QString::number(static_cast<unsigned char>(c), 16).rightJustified(2, u'0');
    }
    return upper ? out.toUpper() : out;
}

}  // namespace

TEST(ResidentMessages, TextMustStayUnchangedForOnePoll) {
    Resident r;
    r.core.SetMessage(QStringLiteral("SndMes:Start"));
    r.core.GetMes();
    r.core.SetMessage(QStringLiteral("SndMes:StartKorvi"));  // still being typed
    r.core.GetMes();
    EXPECT_TRUE(r.host.calls.isEmpty());
    r.core.GetMes();
    EXPECT_EQ(r.host.calls, QStringList{"build:<null>"});
    EXPECT_EQ(r.core.Message(), "");
    // The same text again needs its own quiet poll.
    r.core.SetMessage(QStringLiteral("SndMes:StartKorvi"));
    r.core.GetMes();
    EXPECT_EQ(r.host.calls.size(), 1);
    r.core.GetMes();
    EXPECT_EQ(r.host.calls, QStringList({"build:<null>", "append:<null>"}));
}

TEST(ResidentMessages, CommandsSeparatorsAndStartArguments) {
    Resident r;
    r.Deliver(QStringLiteral("SndMes:StartKorvi&|&SndMes:HideServer"));
    EXPECT_EQ(r.host.calls, QStringList{"build:<null>"});
    EXPECT_FALSE(r.core.ShowFlag());
    // With the window open: no second window, the argument is appended.
    r.Deliver(QStringLiteral("SndMes:StartKorvi http://127.0.0.1/a.html"));
    r.Deliver(QStringLiteral("SndMes:KorviSetWord カラス crow&|&SndMes:KorviStartDl&Search"));
    r.Deliver(QStringLiteral("SndMes:ShowServer"));
    EXPECT_EQ(r.host.calls, QStringList({"build:<null>", "append:http://127.0.0.1/a.html",
                                         "word:カラス crow", "start"}));
    EXPECT_TRUE(r.core.ShowFlag());
    r.Deliver(QStringLiteral("SndMes:ExitServer"));
    EXPECT_EQ(r.host.calls.last(), "exit");
    // Every command line is logged to the access log and srvr_log.txt.
    const QString log = QString::fromUtf8(r.home.Read("log_err/srvr_log.txt"));
    EXPECT_TRUE(log.contains("2006/03/09 - 07:05:02  KorviSetWord カラス crow\n"));
    EXPECT_EQ(r.core.AccessLog().size(), 7);
}

TEST(ResidentMessages, HexEscapesAndMisses) {
    Resident r;
    r.Deliver(HexEscape(QStringLiteral("SndMes:StartKorvi 鳥.txt")));
    EXPECT_EQ(r.host.calls, QStringList{"build:鳥.txt"});
    // Lower-case hex digits are rejected and logged; the text counts as a miss.
    r.Deliver(HexEscape(QStringLiteral("SndMes:HideServer"), false));
    EXPECT_TRUE(r.core.ShowFlag());
    EXPECT_EQ(r.core.MissCount(), 1);
    EXPECT_TRUE(QString::fromUtf8(r.home.Read("log_err/R.log")).contains("W_Srvr Decode Err : "));
    // The prefix alone is not longer than the prefix: a miss, the field stays.
    r.core.SetMessage(QStringLiteral("SndMes:"));
    for (int i = 0; i < 7; ++i) r.core.GetMes();  // the first poll only takes the text in
    EXPECT_EQ(r.core.MissCount(), 7);
    EXPECT_EQ(r.core.Message(), "SndMes:");
    r.core.GetMes();
    r.core.GetMes();
    r.core.GetMes();  // the tenth miss resets the field
    EXPECT_EQ(r.core.MissCount(), 0);
    EXPECT_EQ(r.core.Message(), "");
    EXPECT_EQ(r.host.calls.size(), 1);
}

TEST(ResidentMessages, ReadMesReplacesTheRemainingLines) {
    Resident r;
    r.home.Write("cmds.txt", "SndMes:KorviSetWord 鳥\nSndMes:StartKorvi list.ini\n");
    r.Deliver(QStringLiteral("SndMes:ReadMes cmds.txt&|&SndMes:HideServer"));
    EXPECT_EQ(r.host.calls, QStringList({"word:鳥", "build:list.ini"}));
    EXPECT_TRUE(r.core.ShowFlag());  // HideServer was replaced by the file's lines
    r.Deliver(QStringLiteral("SndMes:Bogus&|&SndMes:KorviStartDl&Search"));
    EXPECT_EQ(r.host.calls.last(), "start");
}

TEST(ResidentMessages, GetLinkListSavesNumberedListsAndDropsTheTempFile) {
    Resident r;
    r.home.Write("tmp_stock.dat", "http://127.0.0.1/a.html\n");
    r.Deliver(QStringLiteral("SndMes:GetLinkList"));
    ASSERT_EQ(r.host.calls.size(), 1);
    EXPECT_EQ(r.host.calls[0], "save:tmp_stock.dat>log/stock/dat_0001.ini");
    EXPECT_FALSE(r.home.Exists("tmp_stock.dat"));
}

TEST(ResidentLoop, RunsOnItsOwnThreadAndStops) {
    Resident r;
    std::atomic<int> schedules{0};
    r.core.SetScheduleCheck([&] { ++schedules; });
    r.core.SetMessage(QStringLiteral("SndMes:StartKorvi"));
    r.core.Start(5);
    for (int i = 0; i < 400 && r.core.Message() != ""; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    r.core.Stop();
    EXPECT_EQ(r.core.Message(), "");
    EXPECT_GE(schedules.load(), 2);
    EXPECT_FALSE(r.core.Running());
    EXPECT_EQ(r.host.calls, QStringList{"build:<null>"});
}
