#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>

#include <atomic>

#include "engine/CrawlTestKit.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

QByteArray FileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(&f);
    return h.result();
}

// A 64 MB page is stored whole while the worker holds only the head of it:
// matching and link extraction see at most the cap, and the local-link
// rewrite leaves the long page as received.
TEST(LargeBody, StreamsToTheStoredFileAndReadsOnlyTheHead) {
    TempHome th;
    FixtureServer srv;
    const QByteArray head = "<html><body><a href=\"a.html\">A</a> needle ";
    constexpr qint64 kSize = 64LL * 1024 * 1024;
    FixtureServer::Route big;
    big.body = head;
    big.announcedLength = kSize;  // the rest is 'x'
    srv.SetRoute("/big.html", big);
    QByteArray expected = head;
    expected.resize(kSize, 'x');
    const QByteArray expectedHash = QCryptographicHash::hash(expected, QCryptographicHash::Sha1);
    expected.clear();
    expected.squeeze();

    std::atomic<qsizetype> seen{-1};
    auto s = MakeServices(th);
    s->match = [&](const QString&, const QString& text) {
        seen = text.size();
        return text.contains("needle") ? QString("needle") : QString();
    };
    SrchThrdSettings set;
    set.textCapBytes = 1024 * 1024;
    set.footTag = 1;
    set.searchWords = "needle";
    auto w = MakeWorker(s, srv.Url("/big.html"), set);
    w->ManPrgrs();
    EXPECT_EQ(w->Status(), SrchThrd::kStatusFinished);
    const QString file = th.File("log/R/" + srv.StoreHost() + "/big.html");
    EXPECT_EQ(QFileInfo(file).size(), kSize);
    EXPECT_EQ(FileHash(file), expectedHash);
    EXPECT_EQ(w->Downloaded(), kSize);
    EXPECT_LE(w->Body().size(), set.textCapBytes);
    EXPECT_GT(seen.load(), 0);
    EXPECT_LE(seen.load(), set.textCapBytes);
    EXPECT_EQ(w->MatchResult(), "needle");
    ASSERT_EQ(w->PageLinks().size(), 1);
    EXPECT_EQ(w->PageLinks().url[0], srv.Url("/a.html"));
}

// A cap that falls inside a UTF-8 character still reads as UTF-8, for a
// fetched body and for a stored copy read back from disk.
TEST(LargeBody, CapInsideACharacterKeepsTheEncoding) {
    TempHome th;
    FixtureServer srv;
    QByteArray body;
    while (body.size() < 4000) body += "<p>日本語の文章</p>\n";
    srv.Page("/ja.html", body);
    QString seen;
    auto s = MakeServices(th);
    s->match = [&](const QString&, const QString& text) {
        seen = text;
        return QString();
    };
    SrchThrdSettings set;
    set.textCapBytes = 1001;  // "<p>" + 7 characters of 3 bytes + "</p>\n" = 33 bytes a line
    set.footTag = 1;
    auto w = MakeWorker(s, srv.Url("/ja.html"), set);
    w->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/ja.html"), body);
    EXPECT_TRUE(seen.contains("日本語の文章"));
    EXPECT_FALSE(seen.contains(QChar(0xFFFD)));
    EXPECT_LE(seen.toUtf8().size(), 1001);

    seen.clear();
    auto local = SrchThrd::Create(s, set);
    local->SetRow(1, "file://" + th.File("log/R/" + srv.StoreHost() + "/ja.html"), "t", "html", 1,
                  "");
    local->SetLocalPath("log/R/" + srv.StoreHost() + "/ja.html");
    local->ManPrgrs();
    EXPECT_TRUE(seen.contains("日本語の文章"));
    EXPECT_FALSE(seen.contains(QChar(0xFFFD)));
    EXPECT_LE(seen.toUtf8().size(), 1001);
}

}  // namespace
}  // namespace korvi::test
