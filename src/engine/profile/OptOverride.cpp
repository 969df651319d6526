#include "engine/profile/OptOverride.h"

#include "engine/profile/Profile.h"
#include "shell/Assist.h"

namespace korvi {

OverrideError ApplyCheckedOverride(const QString& setting, DlSrchOpt& opt) {
    const qsizetype dot = setting.indexOf(u'.');
    const qsizetype eq = setting.indexOf(u'=');
    if (dot <= 0 || eq <= dot + 1) return OverrideError::kMalformed;
    const QString section = setting.left(dot);
    const QString key = setting.mid(dot + 1, eq - dot - 1);
    const QString value = setting.mid(eq + 1);
    DlSrchOpt changed = opt;
    if (!ApplyOptOverride(setting, changed)) return OverrideError::kUnknownKey;
    // A value the key took reads back the same; an ignored or out-of-range
    // one leaves the held value there instead.
    const QString stored = Assist(OptToStr(changed)).GetIni(section, key);
    bool isNumber = false;
    const int number = value.trimmed().toInt(&isNumber);
    if (stored != value && !(isNumber && stored == QString::number(number)))
        return OverrideError::kBadValue;
    opt = changed;
    return OverrideError::kNone;
}

}  // namespace korvi
