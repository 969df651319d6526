#include <gtest/gtest.h>

#include "engine/LinkPrint.h"
#include "engine/lists/ListFile.h"
#include "shell/Assist.h"

using namespace korvi;

TEST(ListFile, ExactLayout) {
    LinkList links;
    links.append(QStringLiteral("http://a/1.html"), QStringLiteral("one"), QStringLiteral("html"));
    links.append(QStringLiteral("http://b/"), QStringLiteral("?"), QStringLiteral("-"));
    EXPECT_EQ(MkListFile(QStringLiteral("http://a/"), QStringLiteral("Base"), links),
              QStringLiteral("[BaseData]\np_url=http://a/\np_title=Base\n\n[AllLinks]\nlink_no=2\n"
                             "link0=http://a/1.html\ntitle0=one\nextension0=html\n"
                             "link1=http://b/\ntitle1=?\nextension1=-\n"));
    EXPECT_EQ(MkListFile(QString(), QString(), LinkList{}),
              QStringLiteral("[BaseData]\np_url=\np_title=\n\n[AllLinks]\nlink_no=0\n"));
}

TEST(ListFile, ReadsWhatIsThereOfMalformedFiles) {
    // link_no larger than the rows, numbers missing or out of order,
    // non-canonical numbers, duplicates and foreign keys.
    const Assist ini(QStringLiteral(
        "[BaseData]\np_url=http://base/\n[AllLinks]\nlink_no=999999999\n"
        "link2=http://c/\ntitle2=C\nlink0=http://a/\nextension0=htm\nlink01=http://bad/\n"
        "link0=http://dup/\nlinkx=http://x/\nlink-1=http://neg/\nlink=http://none/\n"
        "title7=orphan\n[Other]\nlink1=http://other-section/\n"));
    EXPECT_TRUE(IsListFile(ini));
    const ListFileData d = ReadListFile(ini);
    EXPECT_EQ(d.pUrl, QStringLiteral("http://base/"));
    EXPECT_EQ(d.linkNo, 999999999);
    EXPECT_EQ(d.links.url, QStringList({QStringLiteral("http://a/"), QStringLiteral("http://c/")}));
    EXPECT_EQ(d.links.title, QStringList({QString(), QStringLiteral("C")}));
    EXPECT_EQ(d.links.ext, QStringList({QStringLiteral("htm"), QString()}));

    // Rows at or beyond link_no do not count.
    const ListFileData cut = ReadListFile(
        Assist(QStringLiteral("[AllLinks]\nlink_no=1\nlink0=http://a/\nlink1=http://b/\n")));
    EXPECT_EQ(cut.links.size(), 1);

    const Assist notList(
        QStringLiteral("[AllLinks]\nlink_no=-3\nlink0=http://a/\n[BaseData]\np_url=\n"));
    EXPECT_FALSE(IsListFile(notList));
    EXPECT_TRUE(ReadListFile(notList).links.empty());
    EXPECT_FALSE(IsListFile(Assist(QStringLiteral("http://a/\nhttp://b/\n"))));
}
