#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/profile/AutoLoginFiles.h"
#include "fixtures/TempHome.h"
#include "shell/HomeFolder.h"

namespace korvi::test {
namespace {

int Mode(const QString& path) {
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return int(st.st_mode & 07777);
}

// Sets the umask for one scope.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old_); }

private:
    mode_t old_;
};

}  // namespace

// Log-in files hold passwords: in a new home, and whenever they are made or
// saved, only their owner may read them, even under a permissive umask.
TEST(PrivateFiles, LogInFilesAreTheOwnersAloneWhateverTheUmask) {
    const UmaskGuard open(0);
    TempHome th;
    EXPECT_EQ(Mode(th.File("auto_login")), 0700);
    EXPECT_EQ(Mode(th.File("auto_login/" + AutoLoginFiles::kSample)), 0600);
    EXPECT_NE(Mode(th.File("option")) & 0055, 0);  // other folders stay as they were

    AutoLoginFiles files(th.Ctrl());
    const AutoLoginResult made = files.New("site");
    ASSERT_TRUE(made.ok);
    EXPECT_EQ(Mode(th.File("auto_login/" + made.name)), 0600);
    ASSERT_TRUE(files.Save(made.name, "[URL]\nurl=http://h/\n[QUERY]\npass=secret\n").ok);
    EXPECT_EQ(Mode(th.File("auto_login/" + made.name)), 0600);
    const AutoLoginResult copied = files.Copy(made.name, "other");
    ASSERT_TRUE(copied.ok);
    EXPECT_EQ(Mode(th.File("auto_login/" + copied.name)), 0600);

    // An older home whose folder was left open is closed on the next start.
    ::chmod(QFile::encodeName(th.File("auto_login")).constData(), 0755);
    QString error;
    ASSERT_TRUE(HomeFolder::Prepare(th.Path(), QString(), &error)) << error.toStdString();
    EXPECT_EQ(Mode(th.File("auto_login")), 0700);
}

// Without HOME the data home comes from the password database, never "/".
TEST(PrivateFiles, HomeWithoutHomeVariableComesFromThePasswordDatabase) {
    const QByteArray home = qgetenv("HOME");
    const QByteArray korviHome = qgetenv("KORVI_HOME");
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    qunsetenv("HOME");
    qunsetenv("KORVI_HOME");
    qunsetenv("XDG_DATA_HOME");
    QTemporaryDir tmp;
    const QString resolved = HomeFolder::Resolve(QString(), tmp.path() + "/missing");
    if (!home.isNull()) qputenv("HOME", home);
    if (!korviHome.isNull()) qputenv("KORVI_HOME", korviHome);
    if (!xdg.isNull()) qputenv("XDG_DATA_HOME", xdg);
    const struct passwd* pw = ::getpwuid(::getuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(resolved, QString::fromLocal8Bit(pw->pw_dir) + "/.local/share/korvi");
    EXPECT_FALSE(resolved.startsWith("/.local"));
}

}  // namespace korvi::test
