#include <gtest/gtest.h>

#include "platform/SendTo.h"

namespace korvi {
namespace {

// Field codes, quoting and the group the Exec line must come from.
TEST(SendTo, CommandFromDesktopEntry) {
    const QString file = QStringLiteral("/tmp/k/tmp/sendto.txt");
    EXPECT_EQ(
        SendToCommand(QStringLiteral("[Desktop Entry]\nType=Application\nExec=gedit %U\n"), file),
        (QStringList{QStringLiteral("gedit"), QStringLiteral("file:///tmp/k/tmp/sendto.txt")}));
    EXPECT_EQ(
        SendToCommand(QStringLiteral("[Desktop Entry]\nExec=\"/opt/my editor/ed\" --new %f %i\n"),
                      file),
        (QStringList{QStringLiteral("/opt/my editor/ed"), QStringLiteral("--new"), file}));
    // No file code: the file goes last; %% is a percent sign.
    EXPECT_EQ(SendToCommand(QStringLiteral("[Desktop Entry]\nExec=tool --ratio 50%%\n"), file),
              (QStringList{QStringLiteral("tool"), QStringLiteral("--ratio"), QStringLiteral("50%"),
                           file}));
    // An Exec line of another group, or none, gives nothing to start.
    EXPECT_TRUE(
        SendToCommand(QStringLiteral("[Desktop Action x]\nExec=rm -rf %f\n"), file).isEmpty());
    EXPECT_TRUE(
        SendToCommand(QStringLiteral("[InternetShortcut]\nURL=http://x/\n"), file).isEmpty());
}

}  // namespace
}  // namespace korvi
