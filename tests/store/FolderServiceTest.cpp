#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "FldrTestUtil.h"
#include "store/CtrlFile.h"
#include "store/FolderService.h"

using korvi::FldrCounts;
using korvi::FolderService;
using korvi::test::TempHome;
using korvi::test::Tree;

namespace {

// Names that must survive every folder operation.
const QString kOdd = QStringLiteral("資料 100%#1");

}  // namespace

TEST(FolderServiceList, SizesAndNamesInOrder) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Write("log/b/" + kOdd + "/x.bin", QByteArray(1500, 'x'));
    th.Write("log/b/.hidden", "12345");
    th.Write("log/a.txt", "abc");
    th.Write("log/2006_0101_0000_00/y", "");
    QDir().mkpath(th.File("log/" + kOdd));
    EXPECT_EQ(fs.LsDir("log"), QStringList({"2006_0101_0000_00", "a.txt", "b", "tmp", kOdd}));
    EXPECT_EQ(fs.LsDir("log/b"), QStringList({".hidden", kOdd}));
    EXPECT_TRUE(fs.LsDir("log/none").isEmpty());
    EXPECT_TRUE(fs.LsDir("log/a.txt").isEmpty());
    EXPECT_EQ(fs.SzDir("log/b"), 1505);
    EXPECT_EQ(fs.SzDir("log/a.txt"), 3);
    EXPECT_EQ(fs.SzDir("log"), 1508);
    EXPECT_EQ(fs.SzDir("log/none"), 0);
    // A link is not followed: its target's size does not count.
    th.Write("outside/big", QByteArray(4000, 'z'));
    ASSERT_TRUE(QFile::link(th.File("outside"), th.File("log/b/link")));
    EXPECT_EQ(fs.SzDir("log/b"), 1505);
}

TEST(FolderServiceDelete, CountsWhatGoesAndStaysInsideTheRoot) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Write("log/R1/" + kOdd + "/deep/f1", QByteArray(2500, 'a'));
    th.Write("log/R1/f2", QByteArray(500, 'b'));
    th.Write("log/R2/keep", "k");
    th.Write("outside/precious", "p");
    ASSERT_TRUE(QFile::link(th.File("outside"), th.File("log/R1/to_outside")));
    ASSERT_TRUE(QFile::link(th.File("outside/precious"), th.File("log/R1/file_link")));

    EXPECT_TRUE(fs.DelDir("log/R1"));
    EXPECT_FALSE(th.Exists("log/R1"));
    EXPECT_TRUE(th.Exists("log/R2/keep"));
    EXPECT_EQ(th.Read("outside/precious"), "p");
    const FldrCounts c = fs.Counts();
    EXPECT_EQ(c.del_dirs, 3);   // R1, kOdd, deep
    EXPECT_EQ(c.del_files, 4);  // f1, f2 and the two links
    EXPECT_EQ(c.del_bytes, 3000);
    fs.ResetCounts();
    EXPECT_EQ(fs.Counts(), FldrCounts{});

    // Nothing outside the root, and not the root itself.
    EXPECT_FALSE(fs.DelDir("log/../outside"));
    EXPECT_FALSE(fs.DelDir(th.File("outside")));
    EXPECT_FALSE(fs.DelDir("log"));
    EXPECT_FALSE(fs.DelDir("log/"));
    EXPECT_FALSE(fs.DelDir("log/."));
    EXPECT_TRUE(th.Exists("outside/precious"));
    EXPECT_TRUE(th.Exists("log/R2/keep"));
    // A link to a folder outside cannot lead a deletion there.
    ASSERT_TRUE(QFile::link(th.File("outside"), th.File("log/via")));
    EXPECT_FALSE(fs.DelDir("log/via/precious"));
    EXPECT_TRUE(th.Exists("outside/precious"));
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log")).contains("C_File DelDir Error : "));
    EXPECT_FALSE(fs.DelDir("log/missing"));
}

TEST(FolderServiceDelete, RefusesARootThatHoldsTheHome) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Write("option/mine.ini", "x");
    for (const QString& root : {th.Path(), QStringLiteral("."), QStringLiteral("/"),
                                QFileInfo(th.Path()).absolutePath(), QStringLiteral("nothere")}) {
        th.Ctrl().SetLogRoot(root);
        EXPECT_TRUE(fs.SafeRoot().isEmpty()) << root.toStdString();
        EXPECT_FALSE(fs.DelDir(th.File("option")));
        EXPECT_EQ(fs.DelVoidDirOnce(root), 0);
    }
    EXPECT_TRUE(th.Exists("option/mine.ini"));
    // An absolute root elsewhere is fine.
    QTemporaryDir other;
    th.Ctrl().SetLogRoot(other.path());
    EXPECT_EQ(fs.SafeRoot(), QFileInfo(other.path()).canonicalFilePath());
}

TEST(FolderServiceCopy, ByteForByteAndNeverIntoItself) {
    TempHome th;
    FolderService fs(th.Ctrl());
    const QByteArray binary("a\0b\r\n\xff\xfe end", 12);
    th.Write("log/R/" + kOdd + "/bin", binary);
    th.Write("log/R/sub/empty", "");
    QDir().mkpath(th.File("log/R/void"));
    QTemporaryDir dest;
    const QString to = dest.path() + "/コピー 先";
    ASSERT_TRUE(fs.CopyDir("log/R", to));
    EXPECT_EQ(Tree(to), Tree(th.File("log/R")));
    EXPECT_EQ(Tree(to).value(kOdd + "/bin"), binary);
    EXPECT_TRUE(QFileInfo(to + "/void").isDir());
    // A second copy over the first replaces files.
    th.Write("log/R/sub/empty", "now full");
    ASSERT_TRUE(fs.CopyDir("log/R", to));
    EXPECT_EQ(Tree(to).value("sub/empty"), "now full");

    EXPECT_FALSE(fs.CopyDir("log/R", "log/R/inner"));
    EXPECT_FALSE(fs.CopyDir("log/R", "log/R"));
    EXPECT_FALSE(th.Exists("log/R/inner"));
    EXPECT_FALSE(fs.CopyDir("log/none", to + "2"));
    EXPECT_FALSE(fs.CopyDir(th.File("option"), to + "3"));
}

TEST(FolderServiceMerge, NoFileIsLostAndCountsAddUp) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Write("log/A/only_a.html", "a1");
    th.Write("log/A/both.html", "source version");
    th.Write("log/A/" + kOdd + "/n.txt", "nn");
    th.Write("log/A/shared/s.txt", "from A");
    th.Write("log/A/shared/new.txt", "new in A");
    th.Write("log/B/only_b.html", "b1");
    th.Write("log/B/shared/s.txt", "from B");
    th.Write("log/T/both.html", "target version");
    th.Write("log/T/shared/s.txt", "target s");
    const auto a = Tree(th.File("log/A"));
    const auto b = Tree(th.File("log/B"));
    const auto t = Tree(th.File("log/T"));

    EXPECT_TRUE(fs.CmbDir("log/A", "log/T"));
    EXPECT_TRUE(fs.CmbDir("log/B", "log/T"));
    EXPECT_FALSE(th.Exists("log/A"));
    EXPECT_FALSE(th.Exists("log/B"));
    const auto merged = Tree(th.File("log/T"));
    for (const auto* source : {&a, &b}) {
        for (auto it = source->cbegin(); it != source->cend(); ++it) {
            ASSERT_TRUE(merged.contains(it.key())) << it.key().toStdString();
            // The target's version wins where both had one.
            const QByteArray expected = t.contains(it.key())                     ? t.value(it.key())
                                        : (source == &b && a.contains(it.key())) ? a.value(it.key())
                                                                                 : it.value();
            EXPECT_EQ(merged.value(it.key()), expected) << it.key().toStdString();
        }
    }
    EXPECT_EQ(merged.value("shared/s.txt"), "target s");
    EXPECT_EQ(merged.size(), 6);

    const FldrCounts c = fs.Counts();
    EXPECT_EQ(c.mov_files, 4);  // only_a, n.txt, new.txt, only_b
    EXPECT_EQ(c.dup_files, 3);  // both, shared/s.txt twice
    EXPECT_EQ(c.mov_files + c.dup_files, c.del_files);
    EXPECT_EQ(c.mov_bytes + c.dup_bytes, c.del_bytes);
    EXPECT_EQ(c.mov_dirs + c.dup_dirs, c.del_dirs);
    EXPECT_EQ(c.del_dirs, 5);  // A, A/kOdd, A/shared, B, B/shared
    EXPECT_EQ(c.mov_bytes, 2 + 2 + 8 + 2);
}

TEST(FolderServiceMerge, AnEntryThatCannotBePlacedStaysInTheSource) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Write("log/S/clash", "file in source");
    th.Write("log/S/fine.txt", "ok");
    th.Write("log/S/dirclash/inner", "i");
    th.Write("log/T/clash/x", "folder in target");
    th.Write("log/T/dirclash", "file in target");
    EXPECT_FALSE(fs.CmbDir("log/S", "log/T"));
    EXPECT_EQ(th.Read("log/S/clash"), "file in source");
    EXPECT_EQ(th.Read("log/S/dirclash/inner"), "i");
    EXPECT_EQ(th.Read("log/T/fine.txt"), "ok");
    EXPECT_FALSE(th.Exists("log/S/fine.txt"));
    EXPECT_EQ(th.Read("log/T/dirclash"), "file in target");
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log")).contains("C_File CmbDir Error : "));

    // Folders inside each other, folders outside the root and a missing source are refused.
    th.Write("log/P/Q/q", "q");
    EXPECT_FALSE(fs.CmbDir("log/P", "log/P/Q"));
    EXPECT_FALSE(fs.CmbDir("log/P/Q", "log/P"));
    EXPECT_FALSE(fs.CmbDir("log/P", th.File("option")));
    EXPECT_FALSE(fs.CmbDir("log/none", "log/P"));
    EXPECT_EQ(th.Read("log/P/Q/q"), "q");
    // A missing target is created.
    EXPECT_TRUE(fs.CmbDir("log/P", "log/新しい " + kOdd));
    EXPECT_EQ(th.Read("log/新しい " + kOdd + "/Q/q"), "q");
}

TEST(FolderServiceVoid, EmptyFoldersGoBottomUpOnlyBelowTheFolder) {
    TempHome th;
    FolderService fs(th.Ctrl());
    QDir().mkpath(th.File("log/R/a/b/c"));
    QDir().mkpath(th.File("log/R/" + kOdd));
    th.Write("log/R/keep/file", "f");
    QDir().mkpath(th.File("log/R/keep/empty"));
    QDir().mkpath(th.File("log/E1/sub"));
    QDir().mkpath(th.File("log/E2"));
    QStringList texts;
    EXPECT_EQ(fs.DelVoidDir("log/R", [&](const QString& s) { texts.append(s); }), 5);
    EXPECT_TRUE(th.Exists("log/R"));
    EXPECT_TRUE(th.Exists("log/R/keep/file"));
    EXPECT_FALSE(th.Exists("log/R/a"));
    EXPECT_FALSE(th.Exists("log/R/" + kOdd));
    EXPECT_FALSE(th.Exists("log/R/keep/empty"));
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.last(), "  空ディレクトリ検索中 フォルダ数 = 6  ファイル数 = 1 -> 終了");

    texts.clear();
    // Only direct children: E1 holds a folder and stays, E2 and tmp go.
    EXPECT_EQ(fs.DelVoidDirOnce("log", [&](const QString& s) { texts.append(s); }), 2);
    EXPECT_TRUE(th.Exists("log/E1/sub"));
    EXPECT_FALSE(th.Exists("log/E2"));
    EXPECT_TRUE(th.Exists("log"));
    EXPECT_EQ(texts.last(), "  表層空ディレクトリ検索中 フォルダ数 = 4 -> 終了");
    // Outside the root nothing is swept.
    QDir().mkpath(th.File("outside/empty"));
    EXPECT_EQ(fs.DelVoidDirOnce("outside"), 0);
    EXPECT_TRUE(th.Exists("outside/empty"));
}
