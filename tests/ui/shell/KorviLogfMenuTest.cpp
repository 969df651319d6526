#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/WinOpt.h"
#include "ui/store/WinOptLogF.h"

namespace korvi::test {
namespace {

// The tree's menu: seven items in order with mnemonics; the list
// page goes into the chosen folder and opens; "新規" asks for a name.
TEST(KorviLogfMenu, ItemsListPageAndNewFolder) {
    GuiHome home;
    home.Write(QStringLiteral("log/R1/h/a.html"), QByteArray(1024, 'a'));
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    auto* menu = Find<QMenu>(&win, "mn_logf");
    ASSERT_NE(menu, nullptr);
    QStringList names, texts;
    for (QAction* a : menu->actions()) names.append(a->objectName()), texts.append(a->text());
    EXPECT_EQ(names, QStringList({"mni_back_root", "mni_move", "mni_new", "mni_rename", "mni_open",
                                  "mni_fldr_list_html", "mni_resume"}));
    EXPECT_EQ(texts.first(), QStringLiteral("DL先フォルダのルートに戻る(&D)"));
    EXPECT_EQ(texts[5], QStringLiteral("フォルダ内をHTMLでリスト化(&H)"));
    EXPECT_EQ(texts.last(), QStringLiteral("続きから再開"));

    Find<QAction>(&win, "mni_fldr_list_html")->trigger();
    const QString page = home.File(QStringLiteral("log/out_fldr_list.html"));
    ASSERT_TRUE(QFileInfo(page).isFile());
    const QString text = QString::fromUtf8(home.Read(QStringLiteral("log/out_fldr_list.html")));
    EXPECT_TRUE(text.contains(QStringLiteral(">a.html</A>　（2 KB）")));
    EXPECT_TRUE(home.Dlg()
                    .TextOf(QStringLiteral("解析終了"))
                    .startsWith(QStringLiteral("フォルダの中身をHTMLでリスト化し終えました。")));
    ASSERT_FALSE(home.opened.isEmpty());
    EXPECT_EQ(QFileInfo(home.opened.last()).canonicalFilePath(),
              QFileInfo(page).canonicalFilePath());

    home.Dlg().inputs.push_back(QStringLiteral("new:one"));
    Find<QAction>(&win, "mni_new")->trigger();
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("新規フォルダの作成")));
    EXPECT_EQ(win.RunId(), QStringLiteral("newone"));
    EXPECT_TRUE(QFileInfo(home.File(QStringLiteral("log/newone"))).isDir());
}

// With the real dialogs the page is on disk and handed to the browser while
// "解析終了" is up.
TEST(KorviLogfMenu, ListPageIsWrittenBeforeItIsReported) {
    GuiHome home;
    home.Write(QStringLiteral("log/R1/h/a.html"), "a");
    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    Korvi win(real);
    win.InitKorvi(QStringLiteral(""), false);
    const QString page = home.File(QStringLiteral("log/out_fldr_list.html"));
    bool ready = false;
    ModalAnswerer modal([&](QWidget* w) {
        auto* d = static_cast<QDialog*>(w);
        ready = QFileInfo(page).isFile() && !home.opened.isEmpty();
        d->accept();
    });
    Find<QAction>(&win, "mni_fldr_list_html")->trigger();
    EXPECT_EQ(modal.Titles(), QStringList{QStringLiteral("解析終了")});
    EXPECT_TRUE(ready);
}

// Saving a new download root in the options window moves the next run's
// folder there.
TEST(KorviLogfMenu, NewDownloadRootIsFollowed) {
    GuiHome home;
    QDir().mkpath(home.File(QStringLiteral("store2")));
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.Action(QStringLiteral("mni_opt"))->trigger();
    auto* opt = win.findChild<WinOpt*>();
    ASSERT_NE(opt, nullptr);
    auto* logf = opt->findChild<WinOptLogF*>();
    Find<QLineEdit>(logf, "txt_logf")->setText(home.File(QStringLiteral("store2")));
    Find<QPushButton>(logf, "btn_save")->click();
    EXPECT_EQ(home.Gui().ctx.Ctrl().LogRoot(), home.File(QStringLiteral("store2")));
    EXPECT_TRUE(QFileInfo(home.File(QStringLiteral("store2/") + win.RunId())).isDir());
    opt->close();
}

}  // namespace
}  // namespace korvi::test
