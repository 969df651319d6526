#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include "WarcReadKit.h"
#include "engine/render/BrowserProcess.h"
#include "fixtures/FixtureServer.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"

namespace korvi::test {
namespace {

struct Row {
    QString state;
    QString url;
};

QList<Row> RunRows(const QString& tsv) {
    QList<Row> rows;
    for (const QString& line : tsv.split('\n', Qt::SkipEmptyParts).mid(1)) {
        const QStringList cells = line.split('\t');
        if (cells.size() > 6) rows.append({cells[1], cells[6]});
    }
    return rows;
}

void ServeSite(FixtureServer& srv) {
    srv.Page("/index.html",
             "<a href=\"a.html\">A</a><a href=\"r.html\">R</a><a href=\"gone.html\">G</a>"
             "<img src=\"p.gif\">");
    srv.Page("/a.html", "<p>page a</p>");
    srv.Page("/b.html", "<p>page b</p>");
    srv.Page("/p.gif", QByteArray("GIF89a\x01\x00\x01\x00\0\0", 12), "image/gif");
    srv.Redirect("/r.html", "/b.html");
}

// The stored file of a URL on the fixture server in run folder id.
QString Stored(const FixtureServer& srv, const QString& id, const QString& url) {
    return "log/" + id + "/" + srv.StoreHost() + QUrl(url).path();
}

// A crawl with the archive on: one 2xx response per stored row whose payload
// is the stored copy without its trailer tag, and request records holding
// exactly what the server received.
TEST(WarcCrawl, ArchiveMatchesTheStoreAndTheServer) {
    TempHome th;
    FixtureServer srv;
    ServeSite(srv);
    const QString warc = th.File("out/run.warc.gz");
    const ProcessRun r = RunKorviRun({"--home", th.Path(), "crawl", "--run-id", "X", "--set",
                                      "ExtraOption.local_link=1", "--profile", "デフォルト",
                                      "--warc", warc, srv.Url("/index.html")});
    ASSERT_GE(r.code, 0) << r.err.toStdString();
    const ReadWarc w = ReadWarcFile(warc);
    ASSERT_FALSE(w.torn || w.bad);
    ASSERT_FALSE(w.records.isEmpty());
    const ReadRecord& info = w.records.first();
    EXPECT_EQ(info.Type(), "warcinfo");
    EXPECT_TRUE(info.block.contains("software: Korvi/"));
    EXPECT_TRUE(info.block.contains("korvi-profile: デフォルト\r\n"));
    EXPECT_TRUE(info.block.contains("korvi-option: ExtraOption.local_link=1\r\n"));
    EXPECT_TRUE(info.block.contains("start-time: "));

    QMap<QByteArray, ReadRecord> byId;
    QMap<QString, ReadRecord> pages;  // 2xx responses by URL
    int statusOk = 0;
    for (const ReadRecord& rec : w.records) {
        EXPECT_EQ(rec.Field("WARC-Block-Digest"), Sha1Base32(rec.block)) << rec.Type().constData();
        EXPECT_TRUE(rec.Field("WARC-Record-ID").startsWith("<urn:uuid:"));
        byId[rec.Field("WARC-Record-ID")] = rec;
        if (rec.Type() != "warcinfo") {
            EXPECT_EQ(rec.Field("WARC-Warcinfo-ID"), info.Field("WARC-Record-ID"));
        }
        if (rec.Type() == "response" && rec.block.startsWith("HTTP/1.1 2")) {
            ++statusOk;
            pages[QString::fromUtf8(rec.Field("WARC-Target-URI"))] = rec;
        }
    }
    int stored = 0;
    for (const Row& row : RunRows(r.out)) {
        if (row.state != "100") continue;
        ++stored;
        ASSERT_TRUE(pages.contains(row.url)) << row.url.toStdString();
        const ReadRecord& page = pages[row.url];
        const QByteArray bytes = th.Read(Stored(srv, "X", row.url));
        ASSERT_FALSE(bytes.isEmpty()) << row.url.toStdString();
        EXPECT_EQ(page.Field("WARC-Payload-Digest"), Sha1Base32(WithoutTag(bytes)));
        EXPECT_EQ(page.HttpBody(), WithoutTag(bytes));
    }
    EXPECT_EQ(stored, 4);  // index, a, b (through r), p.gif; gone.html failed
    EXPECT_EQ(statusOk, stored);

    // Each request record is what the server saw: the target and every header.
    int requests = 0;
    for (const ReadRecord& rec : w.records) {
        if (rec.Type() != "request") continue;
        ++requests;
        ASSERT_TRUE(byId.contains(rec.Field("WARC-Concurrent-To")));
        const ReadRecord& answer = byId[rec.Field("WARC-Concurrent-To")];
        EXPECT_EQ(answer.Field("WARC-Target-URI"), rec.Field("WARC-Target-URI"));
        const QString path = QUrl(QString::fromUtf8(rec.Field("WARC-Target-URI"))).path();
        const QList<QByteArray> lines = rec.block.split('\n');
        EXPECT_EQ(lines.first(), "GET " + path.toUtf8() + " HTTP/1.1\r");
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) continue;
            EXPECT_EQ(srv.LastHeader(path, line.left(colon).toStdString()),
                      QString::fromUtf8(line.mid(colon + 1).trimmed()))
                << line.constData();
        }
    }
    // index, a, r and b (its redirect), p.gif; the failed fetch and robots.txt are not archived.
    EXPECT_EQ(requests, 5);
}

// A page the update policy keeps is a revisit in the next run's archive,
// which the profile key writes beside the run folder.
TEST(WarcCrawl, KeptPagesAreRevisitsInTheRunsOwnArchive) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route page;
    page.body = "<p>same</p>";
    page.lastModifiedMs = 1'700'000'000'000;
    srv.SetRoute("/s.html", page);
    const QStringList args{"--home",
                           th.Path(),
                           "crawl",
                           "--run-id",
                           "Y",
                           "--set",
                           "ExtraOption.warc=1",
                           "--set",
                           "ExtraOption.overwrite_type=1",
                           srv.Url("/s.html")};
    ASSERT_EQ(RunKorviRun(args).code, 0);
    RunKorviRun(args);
    EXPECT_EQ(srv.LastHeader("/s.html", "If-Modified-Since"), "Tue, 14 Nov 2023 22:13:20 GMT");
    const ReadWarc w = ReadWarcFile(th.File("log/Y.warc.gz"));
    ASSERT_FALSE(w.torn || w.bad);
    QList<QByteArray> kinds;
    for (const ReadRecord& rec : w.records) kinds << rec.Type();
    EXPECT_EQ(kinds, (QList<QByteArray>{"warcinfo", "request", "response", "warcinfo", "request",
                                        "revisit"}));
    EXPECT_TRUE(w.records[5].block.startsWith("HTTP/1.1 304"));
}

// A run crawled without the archive gets one afterwards from its stored files
// and trailer tags; the CDXJ index points at each record.
TEST(WarcCrawl, AfterTheFactArchiveAndItsIndex) {
    TempHome th;
    FixtureServer srv;
    ServeSite(srv);
    ASSERT_GE(RunKorviRun({"--home", th.Path(), "crawl", "--run-id", "Z", "--set",
                           "ExtraOption.local_link=1", srv.Url("/index.html")})
                  .code,
              0);
    const QString out = th.File("z.warc.gz");
    const ProcessRun made =
        RunProcess("/bin/sh", {"-c", "\"$0\" --home \"$1\" warc Z > \"$2\"",
                               TempHome::BinDir() + "/korvi-run", th.Path(), out});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.contains("4 records written"));
    const ReadWarc w = ReadWarcFile(out);
    ASSERT_FALSE(w.torn || w.bad);
    ASSERT_EQ(w.records.size(), 5);
    EXPECT_EQ(w.records[0].Type(), "warcinfo");
    QSet<QString> urls;
    for (const ReadRecord& rec : w.records.mid(1)) {
        EXPECT_EQ(rec.Type(), "resource");
        const QString url = QString::fromUtf8(rec.Field("WARC-Target-URI"));
        urls << url;
        const QByteArray bytes = th.Read(Stored(srv, "Z", url));
        EXPECT_EQ(rec.block, WithoutTag(bytes)) << url.toStdString();
        EXPECT_EQ(rec.Field("WARC-Payload-Digest"), Sha1Base32(WithoutTag(bytes)));
        // The time of the tag (JST) as UTC.
        const QString tag = QString::fromUtf8(bytes.mid(bytes.lastIndexOf("dl_time=\"") + 9, 21));
        QDateTime t = QDateTime::fromString(tag, "yyyy/MM/dd - HH:mm:ss");
        t.setTimeZone(QTimeZone(9 * 3600));
        EXPECT_EQ(rec.Field("WARC-Date"), t.toUTC().toString(Qt::ISODate).toUtf8());
    }
    EXPECT_EQ(urls, (QSet<QString>{srv.Url("/index.html"), srv.Url("/a.html"), srv.Url("/b.html"),
                                   srv.Url("/p.gif")}));

    const ProcessRun cdx = RunKorviRun({"--home", th.Path(), "warc", "--cdx", out});
    ASSERT_EQ(cdx.code, 0) << cdx.err.toStdString();
    const QStringList lines = cdx.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray all = file.readAll();
    QStringList sorted = lines;
    sorted.sort();
    EXPECT_EQ(lines, sorted);
    for (const QString& line : lines) {
        const QStringList parts = line.split(' ');
        ASSERT_GE(parts.size(), 3);
        const QJsonObject j = QJsonDocument::fromJson(line.section(' ', 2).toUtf8()).object();
        const QString url = j["url"].toString();
        EXPECT_EQ(parts[0], "127.0.0.1:" + QString::number(srv.Port()) + ")" + QUrl(url).path());
        EXPECT_EQ(parts[1].size(), 14);
        EXPECT_EQ(j["filename"].toString(), "z.warc.gz");
        const ReadWarc one = ReadWarcBytes(
            all.mid(j["offset"].toString().toLongLong(), j["length"].toString().toLongLong()));
        ASSERT_EQ(one.records.size(), 1) << line.toStdString();
        EXPECT_FALSE(one.torn);
        EXPECT_EQ(QString::fromUtf8(one.records[0].Field("WARC-Target-URI")), url);
        EXPECT_EQ("sha1:" + j["digest"].toString().toUtf8(),
                  one.records[0].Field("WARC-Payload-Digest"));
        EXPECT_EQ(j["mime"].toString(), url.endsWith(".gif") ? "image/gif" : "text/html");
    }
}

// A page the browser rendered adds its document as a conversion record that
// refers to the response it was made from.
TEST(WarcCrawl, RenderedPageAddsItsDocument) {
    if (BrowserProcess::FindChromium().isEmpty()) GTEST_SKIP() << "chromium is not installed";
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html",
             "<html><body><div id=out></div>"
             "<script>out.innerHTML = '<h1>kohl' + 'rabi</h1>';</script></body></html>");
    const QString warc = th.File("out/run.warc.gz");
    const ProcessRun r =
        RunKorviRun({"--home", th.Path(), "crawl", "--run-id", "X", "--set",
                     "ExtraOption.render_js=1", "--warc", warc, srv.Url("/index.html")});
    ASSERT_GE(r.code, 0) << r.err.toStdString();
    const ReadWarc w = ReadWarcFile(warc);
    ReadRecord response, conversion;
    for (const ReadRecord& rec : w.records) {
        if (rec.Type() == "response") response = rec;
        if (rec.Type() == "conversion") conversion = rec;
    }
    ASSERT_FALSE(conversion.block.isEmpty());
    EXPECT_EQ(conversion.Field("WARC-Refers-To"), response.Field("WARC-Record-ID"));
    EXPECT_EQ(conversion.Field("WARC-Target-URI"), srv.Url("/index.html").toUtf8());
    EXPECT_TRUE(conversion.block.contains("<h1>kohlrabi</h1>"));
    EXPECT_FALSE(response.block.contains("<h1>kohlrabi</h1>"));
}

}  // namespace
}  // namespace korvi::test
