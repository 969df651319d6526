#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "server/AccessList.h"
#include "server/ContentTypeTable.h"
#include "server/HttpSrvrOpt.h"
#include "server/HttpSrvrQuery.h"
#include "store/TextCodec.h"

namespace korvi {
namespace {

TEST(HttpSrvrOptTest, DefaultsAndOddValues) {
    HttpSrvrOpt o;
    EXPECT_FALSE(o.Load(QStringLiteral("  \n ")));
    EXPECT_FALSE(o.use);
    EXPECT_EQ(o.port, 80);

    ASSERT_TRUE(
        o.Load(QStringLiteral("[HttpServer]\nuse=1\nport=8081\nq_reload_sec=9\naccess=2\n")));
    EXPECT_TRUE(o.use);
    EXPECT_EQ(o.port, 8081);
    EXPECT_EQ(o.reload_sec, 9);
    EXPECT_EQ(o.access, 2);
    EXPECT_EQ(o.bind, QStringLiteral("127.0.0.1"));

    // Only exactly "1" switches the server on; missing keys give defaults.
    ASSERT_TRUE(o.Load(QStringLiteral("[HttpServer]\nuse=yes\n")));
    EXPECT_FALSE(o.use);
    EXPECT_EQ(o.port, 80);
    EXPECT_EQ(o.reload_sec, 5);
    EXPECT_EQ(o.access, 0);
    EXPECT_EQ(o.read_timeout_ms, 10000);

    // Reload seconds of 0, below 0 or not a number give 5; a port that is
    // not a number is the default, one out of range is kept for the listener
    // to refuse.
    for (const char* v : {"0", "-3", "abc", "05"}) {
        ASSERT_TRUE(o.Load(QStringLiteral("[HttpServer]\nq_reload_sec=") + v + "\nport=x1\n"));
        EXPECT_EQ(o.reload_sec, 5) << v;
        EXPECT_EQ(o.port, 80) << v;
    }
    ASSERT_TRUE(o.Load(QStringLiteral(
        "note line\n[HttpServer]\nport=70000\nbind=0.0.0.0\nread_timeout_sec=3\naccess=-1\n")));
    EXPECT_EQ(o.port, 70000);
    EXPECT_EQ(o.bind, QStringLiteral("0.0.0.0"));
    EXPECT_EQ(o.read_timeout_ms, 3000);
    EXPECT_EQ(o.access, 0);
    ASSERT_TRUE(o.Load(QStringLiteral("[HttpServer]\nbind=localhost.evil\nport=0\n")));
    EXPECT_EQ(o.bind, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(o.port, 0);
}

TEST(ContentTypeTest, TableLinesAndLookups) {
    QTemporaryDir dir;
    const QString text = dir.path() + QStringLiteral("/doc.CGI");
    const QString bin = dir.path() + QStringLiteral("/pic.php");
    const QString noB = dir.path() + QStringLiteral("/x.asp");
    QFile t(text);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("<html>text</html>");
    t.close();
    QFile b(bin);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(QByteArray("GIF89a\0\x01\x02", 9));
    b.close();
    QFile n(noB);
    ASSERT_TRUE(n.open(QIODevice::WriteOnly));
    n.write(QByteArray("\0\0", 2));
    n.close();

    ContentTypeTable tbl;
    tbl.Load(
        QStringLiteral("// a note without a tab\r\nhtml\ttext/html\r\n\njpg\timage/jpeg\textra\n"
                       "onefield\nDirectory\ttext/html; charset=UTF-8\n"
                       "cgi\t?,text/html,application/octet-stream\nphp\t?,text/html,app/bin\n"
                       "asp\t?,text/html\nodd\t?\n"));
    EXPECT_EQ(tbl.Size(), 7);
    EXPECT_EQ(tbl.Entry(QStringLiteral("html")), QStringLiteral("text/html"));
    EXPECT_EQ(tbl.Entry(QStringLiteral("jpg")), QStringLiteral("image/jpeg"));

    ContentTypeTable::TextProbe probe = [](const QString& p) { return LooksLikeText(p); };
    EXPECT_EQ(tbl.GetCntntTyp(QStringLiteral("/x/Photo.JPG"), probe), QStringLiteral("image/jpeg"));
    EXPECT_EQ(tbl.GetCntntTyp(QStringLiteral("/x/readme"), probe), QStringLiteral("text/plain"));
    EXPECT_EQ(tbl.GetCntntTyp(QStringLiteral("/x/a.zip"), probe), QStringLiteral("text/plain"));
    EXPECT_EQ(tbl.GetCntntTyp(dir.path(), probe), QStringLiteral("text/html; charset=UTF-8"));
    // A folder whose name has a known extension is typed by the extension.
    QDir().mkpath(dir.path() + QStringLiteral("/pages.html"));
    EXPECT_EQ(tbl.GetCntntTyp(dir.path() + QStringLiteral("/pages.html"), probe),
              QStringLiteral("text/html"));
    // Conditional entries: text or not, and a missing third field.
    EXPECT_EQ(tbl.GetCntntTyp(text, probe), QStringLiteral("text/html"));
    EXPECT_EQ(tbl.GetCntntTyp(bin, probe), QStringLiteral("app/bin"));
    EXPECT_EQ(tbl.GetCntntTyp(noB, probe), QStringLiteral("text/plain"));
    EXPECT_EQ(tbl.GetCntntTyp(QStringLiteral("/x/y.odd"), probe), QStringLiteral("text/plain"));
    // The probe decides, whatever the bytes are.
    EXPECT_EQ(tbl.GetCntntTyp(bin, [](const QString&) { return true; }),
              QStringLiteral("text/html"));

    EXPECT_EQ(ContentTypeTable::Extension(QStringLiteral("/a.b/c")), QString(""));
    EXPECT_EQ(ContentTypeTable::Extension(QStringLiteral("/a/c.tar.gz")), QStringLiteral("gz"));
    EXPECT_EQ(ContentTypeTable::Extension(QStringLiteral("/a/c.")), QString(""));
}

TEST(AccessListTest, LineFormsAndModes) {
    const QString c = QStringLiteral("/192.168.1.20");
    // Address alone, path alone, both.
    EXPECT_TRUE(AccessList::LineMatches(QStringLiteral("192.168.,"), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral("10.,"), QStringLiteral("/a"), c));
    EXPECT_TRUE(AccessList::LineMatches(QStringLiteral(",/priv/"), QStringLiteral("/x/priv/y"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral(",/priv/"), QStringLiteral("/x/pub"), c));
    EXPECT_TRUE(AccessList::LineMatches(QStringLiteral("192.168.1.,/a"), QStringLiteral("/ab"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral("192.168.1.,/b"), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral("10.0.0.,/a"), QStringLiteral("/a"), c));
    // Further fields are ignored; both empty, no comma and comments never match.
    EXPECT_TRUE(AccessList::LineMatches(QStringLiteral(",/a,zzz"), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral(","), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral("192.168.1.20"), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QStringLiteral("//192.168.,"), QStringLiteral("/a"), c));
    EXPECT_FALSE(AccessList::LineMatches(QString(""), QStringLiteral("/a"), c));

    const QStringList lines = AccessList::Parse(QStringLiteral("// c\r10.,\r\n,/s/"));
    EXPECT_EQ(lines, QStringList({"// c", "10.,", "", ",/s/"}));
    const QStringList empty = AccessList::Parse(QString(""));
    // Mode 0 accepts all; 1 denies on the first match; 2 accepts on it.
    EXPECT_TRUE(AccessList::ChkAccept(0, empty, lines, QStringLiteral("/s/"), c));
    EXPECT_TRUE(AccessList::ChkAccept(1, lines, empty, QStringLiteral("/s/"), c));
    EXPECT_FALSE(AccessList::ChkAccept(1, empty, lines, QStringLiteral("/s/x"), c));
    EXPECT_TRUE(AccessList::ChkAccept(1, empty, lines, QStringLiteral("/t/"), c));
    EXPECT_FALSE(AccessList::ChkAccept(1, empty, lines, QStringLiteral("/t/"), "/10.2.3.4"));
    EXPECT_FALSE(AccessList::ChkAccept(2, empty, lines, QStringLiteral("/s/"), c));
    EXPECT_TRUE(AccessList::ChkAccept(2, lines, empty, QStringLiteral("/s/"), c));
    EXPECT_FALSE(AccessList::ChkAccept(2, lines, empty, QStringLiteral("/t/"), c));
    EXPECT_TRUE(AccessList::ChkAccept(2, lines, empty, QStringLiteral("/t/"), "/10.0.0.1"));
}

TEST(HttpSrvrQueryTest, PathsQueriesAndEncodings) {
    using namespace HttpSrvrQuery;
    EXPECT_EQ(DecodePath(QStringLiteral("/%41b%%c%2e%2E/")), QStringLiteral("/Ab%%c../"));
    EXPECT_EQ(DecodePath(QStringLiteral("/a+b%20c%zz%4")), QStringLiteral("/a+b c%zz%4"));
    EXPECT_EQ(DecodePath(QStringLiteral("/%E6%97%A5")), QStringLiteral("/日"));
    // Characters sent unescaped, outside the BMP too, come through whole.
    EXPECT_EQ(DecodePath(QStringLiteral("/日😀%20x")), QStringLiteral("/日😀 x"));
    // Bytes that are not UTF-8 are read as Shift_JIS.
    EXPECT_EQ(DecodePath(QStringLiteral("/%93%FA%96%7B")), QStringLiteral("/日本"));

    const QByteArray sjis = EncodeAs(QStringLiteral("検索語"), "windows-31j").toPercentEncoding();
    EXPECT_EQ(DecodeValue(QString::fromLatin1(sjis)), QStringLiteral("検索語"));
    EXPECT_EQ(DecodeValue(QStringLiteral("%E6%A4%9C%E7%B4%A2+a%2Bb")), QStringLiteral("検索 a+b"));

    const QHash<QString, QString> q =
        Parse(QStringLiteral("act=log_srch&srch_word=a%20b&flag&x=1=2&=v&sz_txt="));
    EXPECT_EQ(q.value(QStringLiteral("act")), QStringLiteral("log_srch"));
    EXPECT_EQ(q.value(QStringLiteral("srch_word")), QStringLiteral("a b"));
    EXPECT_TRUE(q.contains(QStringLiteral("flag")));
    EXPECT_EQ(q.value(QStringLiteral("flag")), QString(""));
    EXPECT_EQ(q.value(QStringLiteral("x")), QStringLiteral("1=2"));
    EXPECT_EQ(q.value(QString("")), QStringLiteral("v"));
    EXPECT_TRUE(q.contains(QStringLiteral("sz_txt")));

    QString before, query;
    SplitKorvi(QStringLiteral("/sub/Korvi?act=dir&Korvi?x"), &before, &query);
    EXPECT_EQ(before, QStringLiteral("/sub/"));
    EXPECT_EQ(query, QStringLiteral("act=dir&Korvi?x"));
    SplitKorvi(QStringLiteral("/page.html?a=1"), &before, &query);
    EXPECT_EQ(before, QStringLiteral("/page.html?a=1"));
    EXPECT_TRUE(query.isEmpty());
    SplitKorvi(QStringLiteral("/Korvi?"), &before, &query);
    EXPECT_EQ(before, QStringLiteral("/"));
    EXPECT_TRUE(query.isEmpty());
}

}  // namespace
}  // namespace korvi
