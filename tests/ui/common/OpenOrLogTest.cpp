#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <memory>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "store/DocOpen.h"
#include "ui/common/OpenOrLog.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/KorviLogfMenu.h"

namespace korvi::test {
// The opener is watched to its end, and always told from the event loop:
// a missing program and a non-zero exit fail, a zero exit succeeds.
TEST(OpenOrLog, OpenerEndIsWatched) {
    for (const auto& [opener, ok] :
         {std::pair{"/nonexistent/opener", false}, {"false", false}, {"true", true}}) {
        qputenv("KORVI_OPENER", opener);
        auto result = std::make_shared<int>(-1);
        DefaultDocOpenerLater()(QStringLiteral("/tmp"),
                                [result](bool done, const QString&) { *result = done; });
        qunsetenv("KORVI_OPENER");
        EXPECT_EQ(*result, -1);
        EXPECT_TRUE(WaitUntil([result] { return *result != -1; }));
        EXPECT_EQ(*result == 1, ok) << opener;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// When nothing opens a folder, URL or page, at once or only later, the user
// is told what could not be opened and how to set an opener, and the log
// keeps its line; the folder list page reports the same way; help pages
// show in a window of our own instead.
TEST(OpenOrLog, FailureIsToldWithTheTarget) {
    GuiHome home;
    home.Gui().open = [](const QString&) { return false; };
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.Action(QStringLiteral("mni_exe_fldr"))->trigger();
    const QString text = home.Dlg().TextOf(kOpenFailTitle);
    for (const QString& part : {home.Path(), QStringLiteral("KORVI_OPENER"), QStringLiteral("xdg")})
        EXPECT_TRUE(text.contains(part)) << text.toStdString();
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("ExeFolder Button Error : ") + home.Path()));
    win.Action(QStringLiteral("mni_uss"))->trigger();
    EXPECT_TRUE(home.Dlg()
                    .TextOf(QStringLiteral("結果出力"))
                    .contains(QStringLiteral("tmp/user_support_sheet.txt")));
    const QString page = WriteFldrLst(home.Gui(), &win, home.File(QStringLiteral("log")));
    EXPECT_TRUE(home.Dlg().TextOf(kOpenFailTitle).contains(page));
    const QString fldrErr = QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : cannot open ");
    EXPECT_TRUE(home.ErrLog().contains(fldrErr + page));

    // Help stays reachable: the page shows at its anchor in a window of ours.
    Find<QPushButton>(&win, QStringLiteral("help_btn"))->click();
    auto* view = win.findChild<QTextBrowser*>(QStringLiteral("help_view"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->source().toLocalFile().endsWith(QStringLiteral("doc/win_main_work.html")));
    EXPECT_EQ(view->source().fragment(), QStringLiteral("ds_init"));

    // The real opener, failing after it started: told once it has ended.
    qputenv("KORVI_OPENER", "false");
    home.Gui().openLater = DefaultDocOpenerLater();
    win.Action(QStringLiteral("mni_fav_edit"))->trigger();
    WriteFldrLst(home.Gui(), &win, home.File(QStringLiteral("log")));
    qunsetenv("KORVI_OPENER");
    EXPECT_EQ(home.Dlg().Titles().count(kOpenFailTitle), 2);
    EXPECT_TRUE(WaitUntil([&] { return home.Dlg().Titles().count(kOpenFailTitle) == 4; }));
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("FavEdit Button Exec Error : ")));
    EXPECT_EQ(home.ErrLog().count(fldrErr), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The real dialog shows the path selectable and closes.
TEST(OpenOrLog, RealDialogShowsThePathSelectable) {
    GuiHome home;
    QtDialogs real;
    GuiContext gui{home.Ctx(), real, [](const QString&) { return false; }, {}};
    Korvi win(gui);
    win.InitKorvi(QStringLiteral(""), false);
    bool selectable = false;
    ModalAnswerer modal([&](QWidget* dlg) {
        for (const QLabel* l : dlg->findChildren<QLabel*>())
            if (l->text().contains(home.Path()))
                selectable = l->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
        static_cast<QDialog*>(dlg)->reject();
    });
    win.Action(QStringLiteral("mni_exe_fldr"))->trigger();
    EXPECT_EQ(modal.Titles(), QStringList{kOpenFailTitle});
    EXPECT_TRUE(selectable);
}

}  // namespace korvi::test
