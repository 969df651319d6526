#pragma once

#include <QPalette>

namespace korvi {

class PropMetal;

// The palette of a theme for the "Fusion" style. base is the style's own
// palette: colours the theme leaves unset are taken from it. Roles map as
// primary2 selection, primary3 tool tips, primary1 links, secondary3 window
// and buttons, secondary1/2 shades, black text, white text fields; text drawn
// on a coloured background takes whichever of the theme's black and white
// reads better there.
QPalette ThemePalette(const PropMetal& theme, const QPalette& base);

// The outline of check boxes and radio buttons on the palette's field
// (Base): Fusion's own when it reads (3:1), else the nearest shade from the
// field towards the text that does.
QColor IndicatorOutline(const QPalette& palette);

// WCAG contrast ratio of two colours (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace korvi
