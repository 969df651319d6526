#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include "WarcReadKit.h"
#include "warc/RunWarcExport.h"
#include "warc/WarcCapture.h"
#include "warc/WarcCdx.h"
#include "warc/WarcWriter.h"

namespace korvi::test {
namespace {

WarcFields Resource(const QByteArray& url, const QByteArray& body) {
    return {{"WARC-Type", "resource"},
            {"WARC-Record-ID", NewWarcRecordId()},
            {"WARC-Date", "2026-12-10T01:02:03Z"},
            {"WARC-Target-URI", url},
            {"WARC-Payload-Digest", Sha1Base32(body)}};
}

TEST(WarcRecords, NamesAndKeysReadAsArchiveToolsExpect) {
    EXPECT_EQ(Base32("foobar"), "MZXW6YTBOI======");  // RFC 4648 test vector
    EXPECT_EQ(Base32(""), "");
    EXPECT_EQ(WarcDate(0), "1970-01-01T00:00:00Z");
    EXPECT_TRUE(NewWarcRecordId().startsWith("<urn:uuid:"));
    EXPECT_EQ(NewWarcRecordId().size(), 47);

    EXPECT_EQ(SurtKey("http://www.Example.com/A/b.html?z=1&a=2"), "com,example)/a/b.html?a=2&z=1");
    EXPECT_EQ(SurtKey("https://sub.example.org:8443/"), "org,example,sub:8443)/");
    EXPECT_EQ(SurtKey("http://example.org"), "org,example)/");
    EXPECT_EQ(SurtKey("http://127.0.0.1:8080/x"), "127.0.0.1:8080)/x");
}

// Each record is its own gzip member: a crash that tears the last one costs
// that record only; the index and any reader keep the others.
TEST(WarcRecords, TornLastRecordIsDroppedAndTheRestRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.warc.gz");
    {
        WarcWriter w(path);
        ASSERT_TRUE(w.Open());
        for (const char* name : {"a", "b", "c"}) {
            const QByteArray body = QByteArray("body of ") + name;
            ASSERT_TRUE(w.Write(Resource(QByteArray("http://h.example/") + name, body), body));
        }
    }
    const ReadWarc whole = ReadWarcFile(path);
    ASSERT_EQ(whole.records.size(), 3);
    EXPECT_FALSE(whole.torn);
    EXPECT_EQ(whole.records[1].block, "body of b");

    QFile f(path);
    ASSERT_TRUE(f.resize(f.size() - 7));
    const ReadWarc torn = ReadWarcFile(path);
    EXPECT_EQ(torn.records.size(), 2);
    EXPECT_TRUE(torn.torn);
    const WarcCdxResult cdx = WarcCdx(path);
    EXPECT_TRUE(cdx.torn);
    EXPECT_TRUE(cdx.error.isEmpty());
    ASSERT_EQ(cdx.lines.size(), 2);
    EXPECT_TRUE(
        cdx.lines[0].startsWith("example,h)/a 20261210010203 {\"url\": \"http://h.example/a\""))
        << cdx.lines[0].toStdString();

    // Writing on after the torn record: a reader stops at the torn member,
    // so what comes after it is lost to readers but the file never crashes them.
    QFile junk(dir.filePath("junk.warc.gz"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not gzip at all");
    junk.close();
    const WarcCdxResult bad = WarcCdx(junk.fileName());
    EXPECT_FALSE(bad.error.isEmpty());
    EXPECT_TRUE(bad.lines.isEmpty());
}

// What became of a fetch decides its records: a stored body gives request and
// response (every hop of a redirect), a kept copy a revisit, anything else none.
TEST(WarcRecords, CaptureWritesWhatBecameOfTheFetch) {
    QTemporaryDir dir;
    const QString path = dir.filePath("c.warc.gz");
    auto writer = std::make_shared<WarcWriter>(path);
    ASSERT_TRUE(writer->Open());
    WarcCapture cap(
        writer, "<urn:uuid:info>", [] { return qint64(1765328400000); }, dir.path());
    auto line = [](const QByteArray& s) { return s; };
    auto fetch = [&](const QByteArray& url, const QByteArray& status, const QByteArray& body) {
        const QByteArray req = "GET " + url + " HTTP/1.1\r\nHost: h\r\n\r\n";
        cap.RequestSent(url, req.constData(), req.size());
        for (const QByteArray& h : {line(status + "\r\n"), line("Content-Type: text/html\r\n"),
                                    line("Transfer-Encoding: chunked\r\n"), line("\r\n")})
            cap.HeaderReceived(h.constData(), h.size());
        if (!body.isEmpty()) cap.BodyReceived(body.constData(), body.size());
    };

    cap.Begin();
    const QByteArray retried = "GET http://h/r HTTP/1.1\r\nHost: h\r\n\r\n";
    cap.RequestSent("http://h/r", retried.constData(), retried.size());
    fetch("http://h/r", "HTTP/1.1 302 Found", {});
    fetch("http://h/p", "HTTP/1.1 200 OK", "<p>page</p>");
    ASSERT_TRUE(cap.Settle(WarcCapture::Outcome::kStored));
    ASSERT_TRUE(cap.RenderedDom("<html><p>rendered</p></html>"));
    cap.Begin();
    fetch("http://h/q", "HTTP/1.1 200 OK", "dropped");
    ASSERT_TRUE(cap.Settle(WarcCapture::Outcome::kDropped));
    cap.Begin();
    fetch("http://h/p", "HTTP/1.1 304 Not Modified", {});
    ASSERT_TRUE(cap.Settle(WarcCapture::Outcome::kKept));

    const ReadWarc w = ReadWarcFile(path);
    ASSERT_FALSE(w.torn || w.bad);
    QList<QByteArray> kinds;
    for (const ReadRecord& r : w.records) kinds << r.Type() + ' ' + r.Field("WARC-Target-URI");
    EXPECT_EQ(kinds,
              (QList<QByteArray>{"request http://h/r", "response http://h/r", "request http://h/p",
                                 "response http://h/p", "conversion http://h/p",
                                 "request http://h/p", "revisit http://h/p"}));
    for (const ReadRecord& r : w.records) {
        EXPECT_EQ(r.Field("WARC-Block-Digest"), Sha1Base32(r.block)) << r.Type().constData();
        EXPECT_EQ(r.Field("WARC-Warcinfo-ID"), "<urn:uuid:info>");
        EXPECT_EQ(r.Field("WARC-Date"), "2025-12-10T01:00:00Z");
    }
    const ReadRecord& page = w.records[3];
    EXPECT_EQ(page.HttpBody(), "<p>page</p>");
    EXPECT_EQ(page.Field("WARC-Payload-Digest"), Sha1Base32("<p>page</p>"));
    EXPECT_EQ(page.Field("WARC-Concurrent-To"), w.records[2].Field("WARC-Record-ID"));
    EXPECT_EQ(w.records[2].Field("WARC-Concurrent-To"), page.Field("WARC-Record-ID"));
    EXPECT_EQ(w.records[2].block, "GET http://h/p HTTP/1.1\r\nHost: h\r\n\r\n");
    EXPECT_EQ(w.records[0].block, retried);  // a retry before any answer is one request
    // The body arrives de-chunked, so the record must not announce chunks.
    EXPECT_FALSE(page.HttpHead().contains("\r\nTransfer-Encoding: chunked"));
    EXPECT_EQ(w.records[4].block, "<html><p>rendered</p></html>");
    EXPECT_EQ(w.records[4].Field("WARC-Refers-To"), page.Field("WARC-Record-ID"));
    EXPECT_EQ(w.records[6].Field("WARC-Profile"),
              "http://netpreserve.org/warc/1.1/revisit/server-not-modified");
    EXPECT_TRUE(w.records[6].block.startsWith("HTTP/1.1 304 Not Modified\r\n"));
}

// A body far larger than the memory spool goes through a temporary file
// beside the archive and is streamed into its record; nothing is left after.
// Peak resident size of this process in KB (Linux).
qint64 PeakKb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

TEST(WarcRecords, LargeBodyIsSpooledAndStreamed) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.warc.gz");
    auto writer = std::make_shared<WarcWriter>(path);
    ASSERT_TRUE(writer->Open());
    QByteArray chunk(64 * 1024, '\0');
    QCryptographicHash whole(QCryptographicHash::Sha1);
    const int chunks = 40 * 16;  // 40 MB
    const qint64 peakBefore = PeakKb();
    {
        WarcCapture cap(
            writer, {}, [] { return qint64(0); }, dir.path());
        cap.Begin();
        const QByteArray req = "GET /big HTTP/1.1\r\n\r\n";
        cap.RequestSent("http://h/big", req.constData(), req.size());
        for (const QByteArray& h : {QByteArray("HTTP/1.1 200 OK\r\n"), QByteArray("\r\n")})
            cap.HeaderReceived(h.constData(), h.size());
        for (int i = 0; i < chunks; ++i) {
            for (qsizetype j = 0; j < chunk.size(); j += 512) chunk[j] = char(i * 31 + j);
            whole.addData(chunk);
            cap.BodyReceived(chunk.constData(), chunk.size());
        }
        ASSERT_TRUE(cap.Settle(WarcCapture::Outcome::kStored));
    }
    // Never the whole body in memory: the spool and gzip buffers only.
    EXPECT_LT(PeakKb() - peakBefore, 16 * 1024);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"big.warc.gz"});
    const ReadWarc w = ReadWarcFile(path);
    ASSERT_EQ(w.records.size(), 2);
    const ReadRecord& r = w.records[1];
    EXPECT_EQ(r.HttpBody().size(), qsizetype(chunks) * chunk.size());
    QByteArray expect = "sha1:";
    expect += Base32(whole.result());
    EXPECT_EQ(r.Field("WARC-Payload-Digest"), expect);
    EXPECT_EQ(r.Field("WARC-Payload-Digest"), Sha1Base32(r.HttpBody()));
    EXPECT_EQ(r.Field("WARC-Block-Digest"), Sha1Base32(r.block));
}

}  // namespace
}  // namespace korvi::test
