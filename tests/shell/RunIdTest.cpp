#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <cstdlib>
#include <ctime>

#include "shell/Clock.h"
#include "shell/RunId.h"

using korvi::GetTimeString;
using korvi::InitSrchStartID;
using korvi::ManualClock;

TEST(RunId, JstDigitsPaddedWhateverTheMachineZone) {
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    tzset();

    ManualClock clock;
    clock.SetJst(2003, 1, 15, 9, 30, 5);
    EXPECT_EQ(InitSrchStartID(clock), "2003_0115_0930_05");

    // 15:00 UTC is already the next day in JST.
    clock.Set(QDateTime(QDate(2003, 12, 31), QTime(15, 0, 0), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(InitSrchStartID(clock), "2004_0101_0000_00");
    clock.Set(QDateTime(QDate(2003, 12, 31), QTime(14, 59, 59, 999), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(InitSrchStartID(clock), "2003_1231_2359_59");

    if (oldTz.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", oldTz);
    }
    tzset();
}

TEST(RunId, NameOrderIsAgeOrder) {
    ManualClock clock;
    clock.SetJst(2009, 9, 9, 23, 59, 59);
    const QString a = InitSrchStartID(clock);
    clock.Advance(1000);
    const QString b = InitSrchStartID(clock);
    clock.SetJst(2009, 10, 1, 0, 0, 0);
    const QString c = InitSrchStartID(clock);
    EXPECT_EQ(b, "2009_0910_0000_00");
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_EQ(GetTimeString(QDateTime(QDate(2010, 11, 12), QTime(13, 14, 15), korvi::Clock::Jst())),
              "2010_1112_1314_15");
}
