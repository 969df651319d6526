#include "ui/common/ThemePalette.h"

#include <QColor>

#include <algorithm>
#include <cmath>

#include "present/PropMetal.h"

namespace korvi {

namespace {

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Linear(c.red()) + 0.7152 * Linear(c.green()) + 0.0722 * Linear(c.blue());
}

// a weighted by 1 - t, b by t.
QColor Mix(const QColor& a, const QColor& b, double t) {
    const auto part = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(part(a.red(), b.red()), part(a.green(), b.green()), part(a.blue(), b.blue()));
}

// The first candidate that reads well on bg, else plain black or white.
QColor TextOn(const QColor& bg, const QColor& first, const QColor& second) {
    for (const QColor& c : {first, second}) {
        if (ContrastRatio(c, bg) >= 4.5) return c;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, bg) >= ContrastRatio(white, bg) ? black : white;
}

QColor Slot(const PropMetal& theme, PropMetal::Slot slot, const QColor& fallback) {
    const auto rgb = theme.Color(slot);
    return rgb ? QColor(rgb->red, rgb->green, rgb->blue) : fallback;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor IndicatorOutline(const QPalette& palette) {
    const QColor field = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const QColor fusion = palette.color(QPalette::Window).darker(140).lighter(110);
    if (ContrastRatio(fusion, field) >= 3.0) return fusion;
    for (int step = 3; step < 10; ++step) {
        const QColor c = Mix(field, text, step / 10.0);
        if (ContrastRatio(c, field) >= 3.0) return c;
    }
    return text;
}

QPalette ThemePalette(const PropMetal& theme, const QPalette& base) {
    const QPalette::ColorGroup a = QPalette::Active;
    const QColor p1 = Slot(theme, PropMetal::kPrimary1, base.color(a, QPalette::Link));
    const QColor p2 = Slot(theme, PropMetal::kPrimary2, base.color(a, QPalette::Highlight));
    const QColor p3 = Slot(theme, PropMetal::kPrimary3, base.color(a, QPalette::ToolTipBase));
    const QColor s1 = Slot(theme, PropMetal::kSecondary1, base.color(a, QPalette::Dark));
    const QColor s2 = Slot(theme, PropMetal::kSecondary2, base.color(a, QPalette::Mid));
    const QColor s3 = Slot(theme, PropMetal::kSecondary3, base.color(a, QPalette::Window));
    const QColor text = Slot(theme, PropMetal::kBlack, base.color(a, QPalette::WindowText));
    const QColor field = Slot(theme, PropMetal::kWhite, base.color(a, QPalette::Base));

    // Shades for bevels: lighter and darker than the window whatever the theme.
    const bool darkWindow = Luminance(s3) < 0.2;
    const QColor light = darkWindow ? s3.lighter(140) : Mix(s3, Qt::white, 0.6);
    const QColor dark = Luminance(s1) < Luminance(s3) ? s1 : s3.darker(170);
    const QColor mid = Luminance(s2) < Luminance(s3) ? s2 : s3.darker(130);
    const QColor link = ContrastRatio(p1, field) >= 3.0 ? p1 : text;

    QPalette pal(base);
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::Window, s3);
        pal.setColor(g, QPalette::WindowText, text);
        pal.setColor(g, QPalette::Base, field);
        pal.setColor(g, QPalette::AlternateBase, Mix(field, s3, 0.6));
        pal.setColor(g, QPalette::Text, text);
        pal.setColor(g, QPalette::PlaceholderText, Mix(text, field, 0.45));
        pal.setColor(g, QPalette::Button, s3);
        pal.setColor(g, QPalette::ButtonText, text);
        pal.setColor(g, QPalette::BrightText, TextOn(dark, field, text));
        pal.setColor(g, QPalette::Highlight, p2);
        pal.setColor(g, QPalette::HighlightedText, TextOn(p2, field, text));
        pal.setColor(g, QPalette::ToolTipBase, p3);
        pal.setColor(g, QPalette::ToolTipText, TextOn(p3, text, field));
        pal.setColor(g, QPalette::Link, link);
        pal.setColor(g, QPalette::LinkVisited, Mix(link, s1, 0.4));
        pal.setColor(g, QPalette::Light, light);
        pal.setColor(g, QPalette::Midlight, Mix(s3, light, 0.5));
        pal.setColor(g, QPalette::Mid, mid);
        pal.setColor(g, QPalette::Dark, dark);
        pal.setColor(g, QPalette::Shadow, Mix(dark, Qt::black, 0.5));
    }
    // Disabled: text half-way to its background, fields like the window.
    const QColor muted = Mix(text, s3, 0.5);
    const QPalette::ColorGroup d = QPalette::Disabled;
    pal.setColor(d, QPalette::Window, s3);
    pal.setColor(d, QPalette::WindowText, muted);
    pal.setColor(d, QPalette::Base, s3);
    pal.setColor(d, QPalette::AlternateBase, s3);
    pal.setColor(d, QPalette::Text, muted);
    pal.setColor(d, QPalette::PlaceholderText, muted);
    pal.setColor(d, QPalette::Button, s3);
    pal.setColor(d, QPalette::ButtonText, muted);
    pal.setColor(d, QPalette::Highlight, mid);
    pal.setColor(d, QPalette::HighlightedText, TextOn(mid, field, text));
    pal.setColor(d, QPalette::ToolTipBase, p3);
    pal.setColor(d, QPalette::ToolTipText, TextOn(p3, text, field));
    pal.setColor(d, QPalette::Link, muted);
    pal.setColor(d, QPalette::LinkVisited, muted);
    pal.setColor(d, QPalette::Light, light);
    pal.setColor(d, QPalette::Midlight, Mix(s3, light, 0.5));
    pal.setColor(d, QPalette::Mid, mid);
    pal.setColor(d, QPalette::Dark, dark);
    pal.setColor(d, QPalette::Shadow, Mix(dark, Qt::black, 0.5));
    return pal;
}

}  // namespace korvi
