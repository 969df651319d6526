#pragma once

#include <QString>

namespace korvi {

class Context;

// The user-support sheet: the template "doc/user_support_sheet.txt" with
// every placeholder filled from the program's files and the platform;
// optFile is the selected profile's file below the home ("" for none).
QString MkUserSupportSheet(Context& ctx, const QString& version, const QString& optFile);

// Writes the filled sheet to "tmp/user_support_sheet.txt" below the home;
// its full path, or "" when the template is missing or the write failed.
QString OutUserSupportSheet(Context& ctx, const QString& version, const QString& optFile);

}  // namespace korvi
