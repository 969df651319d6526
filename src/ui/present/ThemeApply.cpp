#include "ui/present/ThemeApply.h"

namespace korvi {

bool ApplyTheme(Context& ctx, const QString& logPrefix) {
    (void)ctx;
    (void)logPrefix;
    return false;
}

}  // namespace korvi
