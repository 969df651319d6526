#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

QString Setting(GuiHome& home, const QString& section, const QString& key) {
    const Assist ini(QString::fromUtf8(home.Read(QStringLiteral("cmn_opt.ini"))));
    return ini.GetIni(section, key);
}

// Closing writes the live window's place and size and deletes old run
// folders as the settings ask, keeping the current one.
TEST(KorviWindow, CloseSavesPositionAndDeletesOldRuns) {
    GuiHome home;
    home.Write(QStringLiteral("cmn_opt.ini"),
               "[CommonOption]\nrun_no=3\n[LogDel]\nno_flag=1\nno_no=2\n");
    for (const char* run : {"2001_0101_0000_00", "2002_0101_0000_00", "2003_0101_0000_00"})
        home.Write(QStringLiteral("log/") + QLatin1String(run) + QStringLiteral("/a.html"), "x");
    {
        Korvi win(home.Gui());
        win.InitKorvi(QStringLiteral(""), true);
        win.setGeometry(40, 50, 1200, 700);
        WaitUntil([&] { return win.geometry().width() == 1200; }, 2000);
        win.close();
    }
    EXPECT_EQ(Setting(home, QStringLiteral("WinPosition"), QStringLiteral("w")),
              QStringLiteral("1200"));
    const QStringList left =
        QDir(home.File(QStringLiteral("log"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_FALSE(left.contains(QStringLiteral("2001_0101_0000_00")))
        << left.join(u' ').toStdString();
    EXPECT_FALSE(left.contains(QStringLiteral("2002_0101_0000_00")));
}

// "KorviServerごと終了" asks first; "いいえ" keeps the server.
TEST(KorviWindow, ExitAsksBeforeEndingTheServer) {
    GuiHome home;
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    int exits = 0;
    QObject::connect(&win, &Korvi::exitServerRequested, [&] { ++exits; });
    home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    win.Action(QStringLiteral("mni_exit"))->trigger();
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("KorviServer終了確認")),
              QStringLiteral("KorviServerを終了すると次回起動時に高速起動ができなくなります。\n"
                             "KorviServerを終了してもよいですか？\n"));
    win.Action(QStringLiteral("mni_exit"))->trigger();
    EXPECT_EQ(exits, 1);
}

// Help and the support sheet go to the opener; a missing page is logged.
TEST(KorviWindow, HelpAndSupportSheetOpen) {
    GuiHome home;
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.Action(QStringLiteral("mni_help"))->trigger();
    ASSERT_EQ(home.opened.size(), 1);
    EXPECT_TRUE(home.opened.last().endsWith(QStringLiteral("doc/help.html")));

    win.Action(QStringLiteral("mni_uss"))->trigger();
    ASSERT_EQ(home.opened.size(), 2);
    const QString sheet =
        QString::fromUtf8(home.Read(QStringLiteral("tmp/user_support_sheet.txt")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("1.302")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("^korvi_ver")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("^cmn_opt")));

    QFile::remove(home.File(QStringLiteral("doc/copyright.html")));
    win.Action(QStringLiteral("mni_cp"))->trigger();
    EXPECT_EQ(home.opened.size(), 2);
}

// The favourites menu lists the files of "favorite"; choosing one loads it.
TEST(KorviWindow, FavouriteMenuLoadsAFavourite) {
    GuiHome home;
    InitList list(home.Ctrl());
    list.AddSrchLst(QStringLiteral("http://127.0.0.1:9/fav.html"), QStringLiteral("f"),
                    QStringLiteral("html"));
    FavOpt opt;
    opt.searchWords = QStringLiteral("カラス");
    ASSERT_TRUE(list.SaveFav(home.File(QStringLiteral("favorite/鳥.ini")), opt));
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    auto* fav = Find<QMenu>(&win, QStringLiteral("mn_fav_sel"));
    ASSERT_NE(fav, nullptr);
    Q_EMIT Find<QMenu>(&win, QStringLiteral("mn_fav"))->aboutToShow();
    QAction* entry = nullptr;
    for (QAction* a : fav->actions())
        if (a->text() == QStringLiteral("鳥")) entry = a;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(win.InitPanel()->List().RowCount(), 1);
    EXPECT_EQ(win.InitPanel()->SearchWord(), QStringLiteral("カラス"));
}

// Files dropped on the window are read as list sources; a file that is no
// list neither crashes nor adds rows.
TEST(KorviWindow, DroppedFilesAreReadAsLists) {
    GuiHome home;
    InitList list(home.Ctrl());
    list.AddSrchLst(QStringLiteral("http://127.0.0.1:9/a.html"), QStringLiteral("a"),
                    QStringLiteral("html"));
    list.AddSrchLst(QStringLiteral("http://127.0.0.1:9/b.html"), QStringLiteral("b"),
                    QStringLiteral("html"));
    ASSERT_TRUE(list.SaveList(home.File(QStringLiteral("drop lst.ini"))));
    home.Write(QStringLiteral("garbage.ini"),
               QByteArray("\x00\x01[AllLinks]\nlink_no=99999\n", 27));
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);

    auto drop = [&](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(home.File(file))});
        win.ReadDropped(&data);
    };
    drop(QStringLiteral("drop lst.ini"));
    EXPECT_EQ(win.InitPanel()->List().RowCount(), 2);
    drop(QStringLiteral("garbage.ini"));
    EXPECT_EQ(win.InitPanel()->List().RowCount(), 2);
    EXPECT_EQ(win.GetTypeWork(), Korvi::kDsInit);
}

}  // namespace
}  // namespace korvi::test
