#pragma once

#include <QString>

namespace korvi {

struct DlSrchOpt;

// Why a "Section.key=value" override was refused.
enum class OverrideError {
    kNone,
    kMalformed,   // not of the form Section.key=value
    kUnknownKey,  // no profile has that section and key
    kBadValue,    // the key does not take that value (type or range)
};

// Applies one override as ApplyOptOverride does, but refuses a value the key
// would silently ignore; opt is unchanged unless kNone is returned.
OverrideError ApplyCheckedOverride(const QString& setting, DlSrchOpt& opt);

}  // namespace korvi
