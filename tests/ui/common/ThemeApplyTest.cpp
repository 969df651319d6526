#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "present/PropMetal.h"
#include "ui/common/GuiStyle.h"
#include "ui/common/ThemeApply.h"
#include "ui/common/ThemePalette.h"

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
