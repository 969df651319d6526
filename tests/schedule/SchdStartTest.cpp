#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "schedule/SchdStart.h"

namespace korvi {
namespace {

const QString kNoFav = QStringLiteral("W_Srvr StartSchd Err : no favorite ");

// Favourites may sit in sub-folders of "favorite" but never outside it; the
// name as written wins over the one with ".ini".
TEST(SchdStart, FavouriteStaysInsideTheFolder) {
    test::TempHome home;
    for (const char* rel :
         {"favorite/a.ini", "favorite/sub/a.ini", "favorite/b", "favorite/b.ini", "a.ini"})
        home.Write(QString::fromUtf8(rel), "[x]\n");
    const struct {
        QString option;
        QString favorite;
    } cases[] = {
        {"a", "favorite/a.ini"},
        {"a.ini", "favorite/a.ini"},
        {"sub/a", "favorite/sub/a.ini"},
        {"b", "favorite/b"},
        {"../a", ""},
        {"sub/../../a", ""},
        {home.File("favorite/a.ini"), ""},
        {"無い", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option.toStdString());
        const SchdStart s =
            ResolveSchdStart(home.Ctrl(), home.GetClock(), {"n", c.option, "DL", "表示"}, "run_1");
        EXPECT_EQ(s.favorite, c.favorite);
        if (c.favorite.isEmpty()) {
            EXPECT_EQ(s.runId, QString());
            EXPECT_EQ(s.logged, QStringList{kNoFav + c.option});
            EXPECT_TRUE(home.ErrLog().contains(kNoFav + c.option));
        } else {
            EXPECT_EQ(s.runId, "run_1");
            EXPECT_TRUE(s.logged.isEmpty());
        }
    }
}

// A folder name with nothing usable left gets a fresh run id and a log line.
TEST(SchdStart, RunIdFromTheFolderNameOrFresh) {
    test::TempHome home;
    home.Write("favorite/a.ini", "[x]\n");
    const struct {
        QString saveName;
        QString runId;
        bool logged;
    } cases[] = {
        {"2006_0309_0705_02", "2006_0309_0705_02", false},
        {"../a/b", "..ab", false},
        {"/:*", "2006_0309_0705_02", true},
        {"..", "2006_0309_0705_02", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saveName.toStdString());
        const SchdStart s =
            ResolveSchdStart(home.Ctrl(), home.GetClock(), {"n", "a", "DL", "表示"}, c.saveName);
        EXPECT_EQ(s.runId, c.runId);
        const QStringList lines =
            c.logged ? QStringList{"W_Srvr StartSchd Err : illegal folder name " + c.saveName}
                     : QStringList{};
        EXPECT_EQ(s.logged, lines);
    }
}

}  // namespace
}  // namespace korvi
