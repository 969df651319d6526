#pragma once

#include <QString>

namespace korvi {

class Context;

// Reads "Korvi.theme" of the home and makes its colours the palette of the
// application's "Fusion" style. Failures go to the error log as
// prefix + "Read Theme Err : " / prefix + "Could Not Load LookAndFeel : "
// and the default look stays. False when the default look stays.
bool ApplyTheme(Context& ctx, const QString& logPrefix);

}  // namespace korvi
