// The web archive's own cost, without a crawl around it: CPU time per page
// record (request and response of a generated page) and the peak memory of
// one very large body streamed through the spool.
//
//   bench_warc_write [PAGES] [PAGE_KB] [BIG_MB]     (defaults 2000, 10, 2048)
//
// The files go to a temporary folder that is removed at the end.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

#include "warc/WarcCapture.h"
#include "warc/WarcWriter.h"

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long PeakKb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void Fetch(korvi::WarcCapture& cap, const QByteArray& url, const QByteArray& body, qint64 repeat) {
    cap.Begin();
    const QByteArray req = "GET " + url + " HTTP/1.1\r\nHost: bench\r\nUser-Agent: b\r\n\r\n";
    cap.RequestSent(url, req.constData(), req.size());
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                            QByteArray::number(body.size() * repeat) + "\r\n\r\n";
    qsizetype at = 0;
    while (at < head.size()) {
        const qsizetype end = head.indexOf('\n', at) + 1;
        cap.HeaderReceived(head.constData() + at, end - at);
        at = end;
    }
    for (qint64 i = 0; i < repeat; ++i) cap.BodyReceived(body.constData(), body.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int pages = argc > 1 ? atoi(argv[1]) : 2000;
    const int pageKb = argc > 2 ? atoi(argv[2]) : 10;
    const int bigMb = argc > 3 ? atoi(argv[3]) : 2048;
    QTemporaryDir dir;
    auto writer = std::make_shared<korvi::WarcWriter>(dir.filePath("b.warc.gz"));
    if (!writer->Open()) return 1;
    korvi::WarcCapture cap(
        writer, "<urn:uuid:x>", [] { return qint64(0); }, dir.path());

    QByteArray page;
    for (int i = 0; page.size() < pageKb * 1024; ++i)
        page += "<p>line " + QByteArray::number(i * 7919 % 100003) + " of the crow page</p>\n";
    const double cpu0 = CpuSeconds();
    for (int i = 0; i < pages; ++i) {
        Fetch(cap, "http://bench/p" + QByteArray::number(i) + ".html", page, 1);
        cap.Settle(korvi::WarcCapture::Outcome::kStored);
    }
    const double perPage = (CpuSeconds() - cpu0) / pages * 1e6;
    std::printf("pages %d of %d KB: %.1f us CPU per page (request + response)\n", pages, pageKb,
                perPage);

    QByteArray block(1024 * 1024, '\0');
    for (qsizetype i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 131) >> 5);
    const long peak0 = PeakKb();
    const auto t0 = std::chrono::steady_clock::now();
    Fetch(cap, "http://bench/big.bin", block, bigMb);
    const bool ok = cap.Settle(korvi::WarcCapture::Outcome::kStored);
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("one body of %d MB: %s in %.1f s, peak memory grew %.1f MB, archive %.1f MB\n",
                bigMb, ok ? "written" : "FAILED", secs, (PeakKb() - peak0) / 1024.0,
                QFileInfo(dir.filePath("b.warc.gz")).size() / 1048576.0);
    return ok ? 0 : 1;
}
