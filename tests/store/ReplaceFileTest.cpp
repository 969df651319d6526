#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "store/ReplaceFile.h"

namespace korvi::test {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Names(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(ReplaceFile, OldBytesStayUntilCommitAndNothingIsLeftBehind) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.html");
    QFile::remove(path);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    ReplaceFile f(path);
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(f.Write("new ", 4));
    ASSERT_TRUE(f.Write("bytes", 5));
    EXPECT_EQ(ReadAll(path), "old");  // a reader sees the old file until the commit
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadAll(path), "new bytes");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's permissions

    // Cancelled or dropped without a commit: the file is as it was.
    ReplaceFile cancelled(path);
    ASSERT_TRUE(cancelled.Open());
    ASSERT_TRUE(cancelled.Write("x", 1));
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.Commit());
    {
        ReplaceFile dropped(path);
        ASSERT_TRUE(dropped.Open());
        ASSERT_TRUE(dropped.Write("y", 1));
    }
    EXPECT_EQ(ReadAll(path), "new bytes");

    // A new file, and replacing it twice more.
    const QString fresh = dir.filePath("fresh lst.ini");
    for (const QByteArray& bytes : {QByteArray("1"), QByteArray(""), QByteArray(70000, 'z')}) {
        QString error;
        ASSERT_TRUE(ReplaceFile::Save(fresh, bytes, &error)) << error.toStdString();
        EXPECT_EQ(ReadAll(fresh), bytes);
    }
    EXPECT_EQ(Names(dir.path()), QStringList({"fresh lst.ini", "page.html"}));
}

TEST(ReplaceFile, FailuresAreReportedAndChangeNothing) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(ReplaceFile::Save(dir.filePath("missing/a.html"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QDir(dir.filePath("missing")).exists());

    // A folder in the file's place is not replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    error.clear();
    EXPECT_FALSE(ReplaceFile::Save(dir.filePath("taken"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("taken")).exists());
    EXPECT_EQ(Names(dir.path()), QStringList());

    ReplaceFile closed(dir.filePath("b.html"));
    EXPECT_FALSE(closed.Write("x", 1));
    EXPECT_FALSE(closed.Commit());
    EXPECT_FALSE(QFile::exists(dir.filePath("b.html")));
}

// A link's target is replaced and the link stays; a file the caller wrongly
// took for absent is still replaced whole; the time asked for is set.
TEST(ReplaceFile, LinksHintsAndTimes) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    const QString target = dir.filePath("real/t.html");
    const QString link = dir.filePath("l.html");
    QString error;
    ASSERT_TRUE(ReplaceFile::Save(target, "one", &error));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(ReplaceFile::Save(link, "two", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(target), "two");

    ReplaceFile f(target);
    f.SetAbsent();
    f.SetModificationTime(1400000000123);
    ASSERT_TRUE(f.Open());
    ASSERT_TRUE(f.Write("three", 5));
    ASSERT_TRUE(f.Commit()) << f.ErrorString().toStdString();
    EXPECT_EQ(ReadAll(target), "three");
    EXPECT_EQ(QFileInfo(target).lastModified().toMSecsSinceEpoch(), 1400000000123);
    EXPECT_EQ(Names(dir.filePath("real")), QStringList({"t.html"}));
}

}  // namespace
}  // namespace korvi::test
