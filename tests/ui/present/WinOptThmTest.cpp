#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "present/PropMetal.h"
#include "ui/GuiStyle.h"
#include "ui/present/ThemeApply.h"
#include "ui/present/ThemePalette.h"
#include "ui/present/WinOptThm.h"

namespace korvi::test {
namespace {

// Puts the application's palette back after a test that changes it.
class PaletteGuard {
public:
    PaletteGuard() : saved_(QApplication::palette()) {}
    ~PaletteGuard() { QApplication::setPalette(saved_); }

private:
    QPalette saved_;
};

// The strongest contrast on the row through an unchecked indicator, left of
// its middle, against the field there: its outline.
double IndicatorContrast(QAbstractButton&& button, QStyle::SubElement element) {
    button.resize(button.sizeHint());
    const QImage img = button.grab().toImage();
    QStyleOptionButton opt;
    opt.initFrom(&button);
    const QRect r = button.style()->subElementRect(element, &opt, &button);
    double best = 1.0;
    for (int x = r.left(); x < r.center().x() - 1; ++x)
        best = std::max(
            best, ContrastRatio(img.pixelColor(x, r.center().y()), img.pixelColor(r.center())));
    return best;
}

TEST(WinOptThm, ListsThemesAndSavingAppliesTheChosenOne) {
    PaletteGuard guard;
    GuiHome home;
    home.Write("theme/Zed.theme",
               "name=Zed\nsecondary3=10,20,30\nblack=240,240,240\nwhite=0,0,0\n"
               "primary2=200,0,0\n");
    WinOptThm panel(home.Gui());
    auto* list = Find<QListWidget>(&panel, "lst_thm");
    auto* save = Find<QPushButton>(&panel, "btn_save");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "保存");
    ASSERT_GE(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "Korvi");
    EXPECT_EQ(list->currentItem()->text(), "Korvi");
    EXPECT_EQ(list->item(list->count() - 1)->text(), "若葉");

    const QList<QListWidgetItem*> zed = list->findItems("Zed", Qt::MatchExactly);
    ASSERT_EQ(zed.size(), 1);
    list->setCurrentItem(zed.first());
    save->click();
    EXPECT_EQ(home.Read("Korvi.theme"), home.Read("theme/Zed.theme"));
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(pal.color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_EQ(pal.color(QPalette::WindowText), QColor(240, 240, 240));
    EXPECT_EQ(pal.color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(pal.color(QPalette::Highlight), QColor(200, 0, 0));
    // Open widgets follow the application palette.
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(10, 20, 30));
}

TEST(WinOptThm, EmptyThemeFolderListsNothingAndSavesNothing) {
    GuiHome home;
    QDir(home.File("theme")).removeRecursively();
    const QByteArray active = home.Read("Korvi.theme");
    WinOptThm panel(home.Gui());
    auto* list = Find<QListWidget>(&panel, "lst_thm");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(panel.SaveOpt());
    Find<QPushButton>(&panel, "btn_save")->click();
    EXPECT_EQ(home.Read("Korvi.theme"), active);
}

TEST(ThemeApply, MissingThemeLogsWithThePrefixAndKeepsTheDefaultLook) {
    PaletteGuard guard;
    GuiHome home;
    QFile::remove(home.File("Korvi.theme"));
    EXPECT_FALSE(ApplyTheme(home.Ctx(), "W_Srch "));
    EXPECT_TRUE(home.Read("log_err/R.log").contains("  W_Srch Read Theme Err : "));
    EXPECT_TRUE(ui::IsGuiStyle(QApplication::style()));
}

TEST(ThemeApply, UnsetColoursKeepTheStylesOwn) {
    PropMetal theme;
    testing::internal::CaptureStderr();
    theme.loadProperties(QStringLiteral("primary2=0,0,128\nsecondary3=bad\n"));
    testing::internal::GetCapturedStderr();
    const QPalette base = QApplication::style()->standardPalette();
    const QPalette p = ThemePalette(theme, base);
    EXPECT_EQ(p.color(QPalette::Highlight), QColor(0, 0, 128));
    EXPECT_EQ(p.color(QPalette::HighlightedText), base.color(QPalette::Base));
    EXPECT_EQ(p.color(QPalette::Window), base.color(QPalette::Window));
    EXPECT_EQ(p.color(QPalette::Text), base.color(QPalette::WindowText));
    EXPECT_EQ(p.color(QPalette::Base), base.color(QPalette::Base));
    // Disabled text stays readable but set apart.
    EXPECT_NE(p.color(QPalette::Disabled, QPalette::Text), p.color(QPalette::Text));
}

TEST(ThemeApply, ShippedThemesReadWell) {
    PaletteGuard guard;
    GuiHome home;
    for (const char* name : {"Korvi", "サクラ", "ダーク", "若葉"}) {
        home.Write("Korvi.theme", home.Read(QStringLiteral("theme/") + QString::fromUtf8(name) +
                                            QStringLiteral(".theme")));
        ASSERT_TRUE(ApplyTheme(home.Ctx(), QString())) << name;
        const QPalette p = QApplication::palette();
        for (const auto& [fg, bg] : {std::pair{QPalette::WindowText, QPalette::Window},
                                     {QPalette::Text, QPalette::Base},
                                     {QPalette::ButtonText, QPalette::Button},
                                     {QPalette::HighlightedText, QPalette::Highlight},
                                     {QPalette::ToolTipText, QPalette::ToolTipBase}}) {
            EXPECT_GE(ContrastRatio(p.color(fg), p.color(bg)), 4.5) << name << " " << fg;
        }
        EXPECT_GE(ContrastRatio(p.color(QPalette::Link), p.color(QPalette::Base)), 3.0) << name;
        // Unchecked check boxes and radio buttons keep a visible outline.
        EXPECT_GE(IndicatorContrast(QCheckBox("x"), QStyle::SE_CheckBoxIndicator), 2.5) << name;
        EXPECT_GE(IndicatorContrast(QRadioButton("x"), QStyle::SE_RadioButtonIndicator), 2.5)
            << name;
    }
}

}  // namespace
}  // namespace korvi::test
