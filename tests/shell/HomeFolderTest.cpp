#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <latch>
#include <thread>
#include <vector>

#include "platform/MoveNoReplace.h"
#include "shell/HomeFolder.h"

using korvi::HomeFolder;

namespace {

// Sets or clears an environment variable for one scope.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value) : name_(name) {
        had_ = qEnvironmentVariableIsSet(name);
        old_ = qgetenv(name);
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~EnvGuard() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(HomeFolderResolve, OptionThenEnvironmentThenExeDirThenXdg) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    const QString exe = root + "/exe";
    QDir().mkpath(exe);
    EnvGuard xdg("XDG_DATA_HOME", (root + "/xdg").toUtf8());

    {
        EnvGuard env("KORVI_HOME", (root + "/envhome").toUtf8());
        EXPECT_EQ(HomeFolder::Resolve(root + "/opt", exe), QDir(root + "/opt").absolutePath());
        EXPECT_EQ(HomeFolder::Resolve(QString(), exe), QDir(root + "/envhome").absolutePath());
    }
    {
        EnvGuard env("KORVI_HOME", QByteArray());
        EXPECT_EQ(HomeFolder::Resolve(QString(), exe), QFileInfo(exe).absoluteFilePath());
        // An executable folder that is not a usable folder leads to the data home.
        EXPECT_EQ(HomeFolder::Resolve(QString(), root + "/missing"), root + "/xdg/korvi");
        EXPECT_EQ(HomeFolder::Resolve(QString(), QString()), root + "/xdg/korvi");
        // An empty environment value counts as unset.
        EnvGuard empty("KORVI_HOME", QByteArray(""));
        EXPECT_EQ(HomeFolder::Resolve(QString(), root + "/missing"), root + "/xdg/korvi");
    }
    {
        EnvGuard env("KORVI_HOME", QByteArray());
        EnvGuard noXdg("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(HomeFolder::Resolve(QString(), root + "/missing"),
                  QDir::homePath() + "/.local/share/korvi");
    }
}

// The two layouts a program runs from: the build tree (bin/data) and an
// installed prefix (bin/ beside share/korvi/).
TEST(HomeFolderLayout, ShippedDataBesideTheProgramThenUnderTheInstallPrefix) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    EnvGuard env("KORVI_HOME", QByteArray());
    EnvGuard xdg("XDG_DATA_HOME", (root + "/xdg").toUtf8());

    // Installed: the data is found without ".." in the path, and a writable
    // bin/ is not made the home.
    const QString prefix = root + "/usr";
    QDir().mkpath(prefix + "/bin");
    QDir().mkpath(prefix + "/share/korvi/doc");
    EXPECT_EQ(HomeFolder::ShippedData(prefix + "/bin"), prefix + "/share/korvi");
    EXPECT_EQ(HomeFolder::Resolve(QString(), prefix + "/bin"), root + "/xdg/korvi");

    // A data folder beside the program wins, and the program folder stays its home.
    QDir().mkpath(prefix + "/bin/data");
    EXPECT_EQ(HomeFolder::ShippedData(prefix + "/bin"), prefix + "/bin/data");
    EXPECT_EQ(HomeFolder::Resolve(QString(), prefix + "/bin"), prefix + "/bin");

    // A program copied alone keeps its folder as home and has nothing to seed.
    QDir().mkpath(root + "/alone");
    EXPECT_TRUE(HomeFolder::ShippedData(root + "/alone").isEmpty());
    EXPECT_EQ(HomeFolder::Resolve(QString(), root + "/alone"), root + "/alone");

    // The installed data seeds a new home.
    QFile doc(prefix + "/share/korvi/doc/help.html");
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.write("<html></html>");
    doc.close();
    QDir(prefix + "/bin/data").removeRecursively();
    QString error;
    const QString home = HomeFolder::Resolve(QString(), prefix + "/bin");
    ASSERT_TRUE(HomeFolder::Prepare(home, HomeFolder::ShippedData(prefix + "/bin"), &error))
        << error.toStdString();
    EXPECT_EQ(ReadFile(home + "/doc/help.html"), "<html></html>");
}

TEST(HomeFolderPrepare, SeedsMissingFilesAndNeverOverwrites) {
    QTemporaryDir tmp;
    const QString data = tmp.path() + "/data";
    const QString home = tmp.path() + "/home/ホーム 1";
    WriteFile(data + "/option/デフォルト.ini", "[BaseOption]\n");
    WriteFile(data + "/theme/Korvi.theme", "shipped theme");
    WriteFile(data + "/func/GetEnvPrm.js", "shipped script");
    WriteFile(home + "/theme/Korvi.theme", "user theme");

    QString error;
    ASSERT_TRUE(HomeFolder::Prepare(home, data, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(home + "/option/デフォルト.ini"), "[BaseOption]\n");
    EXPECT_EQ(ReadFile(home + "/func/GetEnvPrm.js"), "shipped script");
    EXPECT_EQ(ReadFile(home + "/theme/Korvi.theme"), "user theme");
    for (const QString& sub : HomeFolder::LayoutFolders()) {
        EXPECT_TRUE(QFileInfo(home + "/" + sub).isDir()) << sub.toStdString();
    }
    for (const char* need : {"log", "log/tmp", "log_err", "option", "favorite", "out_templet",
                             "server", "stock", "tmp", "func", "resource/pic", "doc", "tool"}) {
        EXPECT_TRUE(HomeFolder::LayoutFolders().contains(QString::fromUtf8(need))) << need;
    }

    // A second start changes nothing the user edited, and fills in what was removed.
    WriteFile(home + "/func/GetEnvPrm.js", "edited");
    QFile::remove(home + "/option/デフォルト.ini");
    ASSERT_TRUE(HomeFolder::Prepare(home, data, &error));
    EXPECT_EQ(ReadFile(home + "/func/GetEnvPrm.js"), "edited");
    EXPECT_EQ(ReadFile(home + "/option/デフォルト.ini"), "[BaseOption]\n");

    // Without shipped data the layout is still made.
    const QString bare = tmp.path() + "/bare";
    ASSERT_TRUE(HomeFolder::Prepare(bare, QString(), &error));
    EXPECT_TRUE(QFileInfo(bare + "/log_err").isDir());
}

// The desktop program and korvi-run may seed one new home at the same
// moment: every one of them succeeds, every file arrives whole, and no
// temporary file stays behind.
TEST(HomeFolderPrepare, ConcurrentSeedingOfOneHomeAllSucceed) {
    QTemporaryDir tmp;
    const QString data = tmp.path() + "/data";
    QStringList files;
    for (int i = 0; i < 120; ++i) {
        const QString rel = QString("d%1/sub/ファイル%2.txt").arg(i % 6).arg(i);
        WriteFile(data + "/" + rel, QByteArray(4096 + i, char('a' + i % 26)));
        files.append(rel);
    }
    constexpr int kRounds = 4;
    constexpr int kSeeders = 4;
    for (int round = 0; round < kRounds; ++round) {
        const QString home = tmp.path() + QString("/home%1").arg(round);
        std::latch go(kSeeders);
        std::vector<QString> errors(kSeeders);
        std::vector<int> ok(kSeeders, 0);
        std::vector<std::thread> seeders;
        for (int t = 0; t < kSeeders; ++t) {
            seeders.emplace_back([&, t] {
                go.arrive_and_wait();
                ok[t] = HomeFolder::Prepare(home, data, &errors[t]) ? 1 : 0;
            });
        }
        for (std::thread& t : seeders) t.join();
        for (int t = 0; t < kSeeders; ++t)
            EXPECT_EQ(ok[t], 1) << "round " << round << ": " << errors[t].toStdString();
        for (const QString& rel : files)
            EXPECT_EQ(ReadFile(home + "/" + rel), ReadFile(data + "/" + rel)) << rel.toStdString();
        QDirIterator left(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (left.hasNext()) {
            const QString name = left.next();
            EXPECT_FALSE(QFileInfo(name).fileName().startsWith('.')) << name.toStdString();
        }
    }
}

TEST(MoveNoReplace, MovesIntoAFreeNameAndNeverReplaces) {
    QTemporaryDir tmp;
    const QString a = tmp.path() + "/a";
    const QString b = tmp.path() + "/b";
    WriteFile(a, "new");
    EXPECT_EQ(korvi::MoveNoReplace(a, b), korvi::MoveResult::Moved);
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(ReadFile(b), "new");
    WriteFile(a, "other");
    EXPECT_EQ(korvi::MoveNoReplace(a, b), korvi::MoveResult::Existed);
    EXPECT_EQ(ReadFile(a), "other");
    EXPECT_EQ(ReadFile(b), "new");
    QString error;
    EXPECT_EQ(korvi::MoveNoReplace(tmp.path() + "/missing", tmp.path() + "/c", &error),
              korvi::MoveResult::Failed);
    EXPECT_FALSE(error.isEmpty());
}

TEST(HomeFolderPrepare, FailsWithReasonWhenTheHomeCannotBeMade) {
    QTemporaryDir tmp;
    WriteFile(tmp.path() + "/file", "x");
    QString error;
    EXPECT_FALSE(HomeFolder::Prepare(tmp.path() + "/file/home", QString(), &error));
    EXPECT_FALSE(error.isEmpty());
}
