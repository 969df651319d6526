#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "ui/common/HelpPage.h"

namespace korvi::test {

// A page of "doc" opens at its anchor, or without one; a missing page is
// logged with the anchor and told without it, through the real dialogs too.
TEST(OpenHelp, OpensDocPagesAtTheirAnchor) {
    GuiHome home;
    QWidget parent;
    home.Write("doc/a.html", "<html></html>");
    OpenHelp(home.Gui(), &parent, QStringLiteral("a.html#part"));
    OpenHelp(home.Gui(), &parent, QStringLiteral("a.html"));
    QUrl at = QUrl::fromLocalFile(home.File("doc/a.html"));
    const QString plain = at.toString();
    at.setFragment(QStringLiteral("part"));
    EXPECT_EQ(home.opened, (QStringList{at.toString(), plain}));

    OpenHelp(home.Gui(), &parent, QStringLiteral("gone.html#x"));
    EXPECT_EQ(home.opened.size(), 2);
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("Help Button Error : ") +
                                       home.File("doc/gone.html#x")));
    const QString told = home.Dlg().TextOf(QStringLiteral("ヘルプ・エラー"));
    EXPECT_TRUE(told.endsWith(home.File("doc/gone.html"))) << told.toStdString();

    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    ModalAnswerer modal([](QWidget* w) { AnswerModal(w, true); });
    OpenHelp(real, &parent, QStringLiteral("gone.html"));
    EXPECT_EQ(modal.Titles(), QStringList{QStringLiteral("ヘルプ・エラー")});
}

}  // namespace korvi::test
