#include <gtest/gtest.h>

#include <QDir>
#include <QMap>

#include "fixtures/TempHome.h"
#include "schedule/KorviSchd.h"
#include "schedule/SchdCheck.h"
#include "store/CtrlFile.h"

namespace korvi {
namespace {

QStringList Row(const QString& name, const QString& week, const QString& day, const QString& hour,
                const QString& minute, const QString& enable = QStringLiteral("1")) {
    return {name,
            enable,
            week,
            day,
            hour,
            minute,
            QStringLiteral("fav"),
            QStringLiteral("DL"),
            QStringLiteral("表示")};
}

// A host whose main window is open or not as the test says; it records
// every start with the time it happened.
class FakeHost : public SchdHost {
public:
    explicit FakeHost(const Clock& clock) : clock_(clock) {}
    bool IsRunWindowOpen() const override { return open; }
    void StartSchedule(const DueSchd& entry, const QString& saveName) override {
        starts.append(entry.name + u'@' + CtrlFile::TimeStrAt(clock_.NowMs()) + u'>' + saveName +
                      u'/' + entry.action + u'/' + entry.view + u'/' + entry.option);
        open = true;
    }
    bool open = false;
    QStringList starts;

private:
    const Clock& clock_;
};

TEST(SchdCheckTest, AWeekOfMinutesFiresExactlyTheDueRows) {
    test::TempHome home;
    ManualClock& clock = home.GetClock();
    KorviSchd table(home.Ctrl());
    const QString w = KorviSchd::kWild;
    table.AddRow(Row("mon", QStringLiteral("月"), w, w, w));
    table.AddRow(Row("never", w, w, w, w));
    table.AddRow(Row("daily0730", w, w, "07", "30"));
    table.AddRow(Row("off0730", w, w, "07", "30", "0"));
    table.AddRow(Row("day9top", w, "09", w, "00"));
    table.AddRow(Row("q15", w, w, w, "15"));
    table.AddRow(Row("tue12", QStringLiteral("火"), w, "12", w));
    table.AddRow(Row("day10", w, "10", w, w));
    table.AddRow(Row("wedOnce", QStringLiteral("水"), "08", "23", "59"));
    table.AddRow(Row("thuOn8th", QStringLiteral("木"), "08", w, w));
    table.AddRow(Row("short", w, w, "07", "30").mid(0, 8));
    table.AddRow(Row("h7", w, w, "7", "30"));

    FakeHost host(clock);
    host.open = true;  // nothing starts, so the queue shows every match
    SchdCheck check(table, clock, host);
    // Sunday 2006/03/05 00:00 JST to Saturday 23:59, three passes a minute.
    clock.SetJst(2006, 3, 5, 0, 0, 0);
    for (int m = 0; m < 7 * 24 * 60; ++m) {
        check.ChkSchd();
        clock.Advance(30000);
        check.ChkSchd();
        clock.Advance(29800);
        check.ChkSchd();
        clock.Advance(200);
    }
    QMap<QString, int> count;
    for (const DueSchd& d : check.Due()) {
        ++count[d.name];
        EXPECT_EQ(d.option, QStringLiteral("fav"));
    }
    EXPECT_EQ(count.value("mon"), 1440);
    EXPECT_EQ(count.value("never"), 0);
    EXPECT_EQ(count.value("daily0730"), 7);
    EXPECT_EQ(count.value("off0730"), 0);
    EXPECT_EQ(count.value("day9top"), 24);
    EXPECT_EQ(count.value("q15"), 168);
    EXPECT_EQ(count.value("tue12"), 60);
    EXPECT_EQ(count.value("day10"), 1440);
    EXPECT_EQ(count.value("wedOnce"), 1);
    EXPECT_EQ(count.value("thuOn8th"), 0);
    EXPECT_EQ(count.value("short"), 0);
    EXPECT_EQ(count.value("h7"), 0);
    EXPECT_TRUE(host.starts.isEmpty());

    // The exact minutes: a row matches at 07:30 JST whatever the machine's zone.
    QDateTime t(QDate(2006, 3, 7), QTime(7, 30), Clock::Jst());
    EXPECT_TRUE(SchdCheck::Matches(Row("x", w, w, "07", "30"), t));
    EXPECT_FALSE(SchdCheck::Matches(Row("x", w, w, "07", "30"), t.addSecs(60)));
    EXPECT_TRUE(SchdCheck::Matches(Row("x", QStringLiteral("火"), w, w, w), t));
    EXPECT_FALSE(SchdCheck::Matches(Row("x", QStringLiteral("日"), w, w, w), t));
    EXPECT_TRUE(SchdCheck::Matches(Row("x", QStringLiteral("日"), w, w, w), t.addDays(5)));
}

TEST(SchdCheckTest, DueSchedulesStartOneAtATimeAfterTheWindowCloses) {
    test::TempHome home;
    ManualClock& clock = home.GetClock();
    KorviSchd table(home.Ctrl());
    const QString w = KorviSchd::kWild;
    QStringList first = Row("A_[year][month][day]_[hour][min][sec]", w, w, "08", "00");
    QStringList second = Row("B", w, w, "08", "00");
    second[KorviSchd::kAction] = QStringLiteral("検索");
    second[KorviSchd::kView] = QStringLiteral("非表示");
    second[KorviSchd::kOption] = QStringLiteral("news");
    table.AddRow(first);
    table.AddRow(second);
    FakeHost host(clock);
    SchdCheck check(table, clock, host);

    clock.SetJst(2006, 3, 9, 7, 59, 50);
    check.ChkSchd();
    EXPECT_TRUE(check.Due().empty());
    clock.SetJst(2006, 3, 9, 8, 0, 1);
    check.ChkSchd();
    ASSERT_EQ(host.starts.size(), 1);
    EXPECT_EQ(host.starts[0],
              QStringLiteral("A_[year][month][day]_[hour][min][sec]@2006/03/09 - 08:00:01>"
                             "A_20060309_080001/DL/表示/fav"));
    ASSERT_EQ(check.Due().size(), 1u);
    // The window stays open: B waits through the next minutes.
    clock.SetJst(2006, 3, 9, 8, 1, 0);
    check.ChkSchd();
    clock.SetJst(2006, 3, 9, 8, 2, 0);
    check.ChkSchd();
    EXPECT_EQ(host.starts.size(), 1);
    // Closed between checks: B starts at the next minute's check, not before.
    host.open = false;
    clock.SetJst(2006, 3, 9, 8, 2, 30);
    check.ChkSchd();
    EXPECT_EQ(host.starts.size(), 1);
    clock.SetJst(2006, 3, 9, 8, 3, 0);
    check.ChkSchd();
    ASSERT_EQ(host.starts.size(), 2);
    EXPECT_EQ(host.starts[1], QStringLiteral("B@2006/03/09 - 08:03:00>B/検索/非表示/news"));
    EXPECT_TRUE(check.Due().empty());
    // A minute reached again exactly one hour later is still a new minute.
    host.open = false;
    clock.SetJst(2006, 3, 10, 8, 0, 0);
    check.ChkSchd();
    clock.SetJst(2006, 3, 10, 9, 0, 0);
    check.ChkSchd();
    EXPECT_EQ(host.starts.size(), 3);
}

TEST(KorviSchdTest, StorageNamesAndRows) {
    test::TempHome home;
    KorviSchd table(home.Ctrl());
    home.Write(QStringLiteral("schedule/old.ini"), "[Schedule]\nname=stale\n");
    home.Write(QStringLiteral("schedule/00000007.ini"), "[Schedule]\nname=stale2\n");
    table.AddRow(KorviSchd::NewRow());
    table.AddRow(Row("x=y", QStringLiteral("土"), "31", "23", "59", "0"));
    EXPECT_TRUE(table.CopyRow(1));
    EXPECT_FALSE(table.CopyRow(3));
    ASSERT_TRUE(table.SaveLstData());
    const QStringList files = QDir(home.File("schedule")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"00000000.ini", "00000001.ini", "00000002.ini"}));
    EXPECT_EQ(home.Read("schedule/00000001.ini"),
              QStringLiteral("\n[Schedule]\nname=x=y\nenable=0\nweek=土\nday=31\nhour=23\n"
                             "minute=59\noption=fav\naction=DL\nview=表示\n")
                  .toUtf8());

    // Loading: every file with a name, in file order; files without one skipped.
    home.Write(QStringLiteral("schedule/00000003.ini"), "[Schedule]\nname=\nenable=1\n");
    KorviSchd loaded(home.Ctrl());
    loaded.InitLstData();
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Rows().at(0), KorviSchd::NewRow());
    EXPECT_EQ(loaded.Rows().at(1), Row("x=y", QStringLiteral("土"), "31", "23", "59", "0"));
    EXPECT_EQ(loaded.Rows().at(2), loaded.Rows().at(1));

    // Saving fewer rows leaves only their files.
    EXPECT_TRUE(loaded.DelRow(0));
    EXPECT_FALSE(loaded.DelRow(5));
    ASSERT_TRUE(loaded.SaveLstData());
    EXPECT_EQ(QDir(home.File("schedule")).entryList(QDir::Files, QDir::Name),
              QStringList({"00000000.ini", "00000001.ini"}));
    loaded.SetRows({});
    ASSERT_TRUE(loaded.SaveLstData());
    EXPECT_TRUE(QDir(home.File("schedule")).exists());
    EXPECT_TRUE(QDir(home.File("schedule")).entryList(QDir::Files).isEmpty());
}

TEST(KorviSchdTest, ChoiceTablesAndPlaceholders) {
    EXPECT_EQ(KorviSchd::WeekTbl().size(), 8);
    EXPECT_EQ(KorviSchd::DayTbl().size(), 32);
    EXPECT_EQ(KorviSchd::HourTbl().size(), 25);
    EXPECT_EQ(KorviSchd::MinuteTbl().size(), 61);
    EXPECT_EQ(KorviSchd::DayTbl().at(1), QStringLiteral("01"));
    EXPECT_EQ(KorviSchd::DayTbl().last(), QStringLiteral("31"));
    EXPECT_EQ(KorviSchd::HourTbl().at(1), QStringLiteral("00"));
    EXPECT_EQ(KorviSchd::MinuteTbl().last(), QStringLiteral("59"));
    EXPECT_EQ(KorviSchd::WeekTbl().at(1), QStringLiteral("日"));
    EXPECT_EQ(KorviSchd::Headers().size(), KorviSchd::kCols);

    ManualClock clock;
    clock.SetJst(2007, 1, 2, 3, 4, 5);
    EXPECT_EQ(KorviSchd::ChngSchdName(KorviSchd::NewRow().at(0), clock),
              QStringLiteral("2007_0102_0304_05"));
    EXPECT_EQ(KorviSchd::ChngSchdName(QStringLiteral("[min][min]-[sec]-[Year]"), clock),
              QStringLiteral("0404-05-[Year]"));
    // The zone is JST whatever the machine says: 2006/12/31 20:00 UTC.
    clock.Set(QDateTime(QDate(2006, 12, 31), QTime(20, 0), QTimeZone::utc()).toMSecsSinceEpoch());
    EXPECT_EQ(KorviSchd::ChngSchdName(QStringLiteral("[year]/[month]/[day] [hour]"), clock),
              QStringLiteral("2007/01/01 05"));
}

}  // namespace
}  // namespace korvi
