#include "warc/WarcCapture.h"

#include <QTemporaryFile>

#include "warc/WarcWriter.h"

namespace korvi {

namespace {

const QByteArray kHttpResponse = "application/http; msgtype=response";
const QByteArray kHttpRequest = "application/http; msgtype=request";

// The body reaches us without its chunk framing; a record that kept the
// header would make readers look for chunks that are not there.
QByteArray UnchunkedHead(const QByteArray& head) {
    QByteArray out;
    out.reserve(head.size());
    for (const QByteArray& line : head.split('\n')) {
        if (line.isEmpty()) continue;
        const QByteArray l = line.toLower();
        if (l.startsWith("transfer-encoding:") && l.contains("chunked"))
            out += "X-Korvi-Transfer-Encoding:" + line.mid(18) + '\n';
        else
            out += line + '\n';
    }
    return out;
}

}  // namespace

WarcSpool::~WarcSpool() = default;

bool WarcSpool::Add(const char* data, qint64 size) {
    if (failed_) return false;
    size_ += size;
    if (!file_ && memory_.size() + size <= kInMemory) {
        memory_.append(data, static_cast<qsizetype>(size));
        return true;
    }
    if (!file_) {
        file_ = std::make_unique<QTemporaryFile>(dir_ + QStringLiteral("/korvi-warc-XXXXXX.spool"));
        if (!file_->open() || file_->write(memory_) != memory_.size()) {
            failed_ = true;
            return false;
        }
        memory_.clear();
    }
    if (file_->write(data, size) != size) failed_ = true;
    return !failed_;
}

void WarcSpool::Clear() {
    memory_.clear();
    file_.reset();
    size_ = 0;
    failed_ = false;
}

WarcCapture::WarcCapture(std::shared_ptr<WarcWriter> writer, QByteArray warcinfoId,
                         std::function<qint64()> now, QString spoolDir)
    : writer_(std::move(writer)),
      warcinfo_id_(std::move(warcinfoId)),
      now_(std::move(now)),
      body_(std::move(spoolDir)) {}

WarcCapture::~WarcCapture() = default;

void WarcCapture::Begin() {
    hops_.clear();
    current_ = Exchange();
    body_.Clear();
    payload_.Reset();
}

void WarcCapture::RequestSent(const QByteArray& url, const char* data, qint64 size) {
    const QByteArray part(data, static_cast<qsizetype>(size));
    const QByteArray firstLine = part.left(part.indexOf('\n')).trimmed();
    const bool requestLine = firstLine.contains(" HTTP/");
    if (!requestLine && !current_.request.isEmpty() && current_.response.isEmpty()) {
        current_.request += part;  // the rest of the headers
        return;
    }
    // A request sent again before any answer (a retry) replaces the first.
    if (current_.headDone) hops_.append(current_);
    current_ = Exchange();
    current_.url = url;
    current_.ms = now_();
    current_.request = part;
    body_.Clear();
    payload_.Reset();
}

void WarcCapture::HeaderReceived(const char* data, qint64 size) {
    const QByteArray line(data, static_cast<qsizetype>(size));
    // An interim answer (100 Continue) gives way to the real one.
    if (current_.headDone && line.startsWith("HTTP/")) {
        current_.response.clear();
        current_.headDone = false;
    }
    current_.response += line;
    if (line == "\r\n" || line == "\n") current_.headDone = true;
}

void WarcCapture::BodyReceived(const char* data, qint64 size) {
    body_.Add(data, size);
    payload_.Add(data, size);
}

WarcFields WarcCapture::Common(const QByteArray& type, const QByteArray& id,
                               const Exchange& x) const {
    WarcFields f;
    f.append(WarcField{"WARC-Type", type});
    f.append(WarcField{"WARC-Record-ID", id});
    f.append(WarcField{"WARC-Date", WarcDate(x.ms)});
    f.append(WarcField{"WARC-Target-URI", x.url});
    if (!warcinfo_id_.isEmpty()) f.append(WarcField{"WARC-Warcinfo-ID", warcinfo_id_});
    return f;
}

bool WarcCapture::WriteExchange(const Exchange& x, bool last, Outcome outcome) {
    const QByteArray requestId = NewWarcRecordId();
    const QByteArray responseId = NewWarcRecordId();
    WarcFields req = Common("request", requestId, x);
    req.append(WarcField{"WARC-Concurrent-To", responseId});
    req.append(WarcField{"Content-Type", kHttpRequest});
    WarcDigest reqDigest;
    reqDigest.Add(x.request);
    req.append(WarcField{"WARC-Block-Digest", reqDigest.Text()});
    if (!writer_->Write(req, x.request)) return false;

    const QByteArray head = UnchunkedHead(x.response);
    const bool revisit = last && outcome == Outcome::kKept;
    WarcFields res = Common(revisit ? "revisit" : "response", responseId, x);
    res.append(WarcField{"WARC-Concurrent-To", requestId});
    res.append(WarcField{"Content-Type", kHttpResponse});
    if (revisit) {
        // The copy from before stands; only the answer's head is kept.
        res.append(WarcField{"WARC-Profile",
                             "http://netpreserve.org/warc/1.1/revisit/server-not-modified"});
        res.append(WarcField{"WARC-Refers-To-Target-URI", x.url});
        WarcDigest block;
        block.Add(head);
        res.append(WarcField{"WARC-Block-Digest", block.Text()});
        return writer_->Write(res, head);
    }
    const bool body = last && body_.Size() > 0;
    WarcDigest block;
    block.Add(head);
    if (body && !body_.Device()) block.Add(body_.Memory());
    if (body && body_.Device()) {
        // The spooled body is read once more for the block digest.
        QTemporaryFile* f = body_.Device();
        f->seek(0);
        char chunk[65536];
        for (qint64 n; (n = f->read(chunk, sizeof chunk)) > 0;) block.Add(chunk, n);
    }
    res.append(WarcField{"WARC-Payload-Digest", body ? payload_.Text() : WarcDigest().Text()});
    res.append(WarcField{"WARC-Block-Digest", block.Text()});
    bool ok;
    if (!body)
        ok = writer_->Write(res, head);
    else if (!body_.Device())
        ok = writer_->Write(res, head + body_.Memory());
    else
        ok = writer_->Write(res, head, body_.Device(), body_.Size());
    if (ok && last) {
        last_id_ = responseId;
        last_url_ = x.url;
    }
    return ok;
}

bool WarcCapture::Settle(Outcome outcome) {
    bool ok = true;
    if (outcome != Outcome::kDropped && current_.headDone && !body_.Failed()) {
        for (const Exchange& hop : hops_) ok = WriteExchange(hop, false, outcome) && ok;
        ok = WriteExchange(current_, true, outcome) && ok;
    }
    Begin();
    return ok;
}

bool WarcCapture::RenderedDom(const QByteArray& dom) {
    if (last_id_.isEmpty()) return false;
    Exchange x;
    x.url = last_url_;
    x.ms = now_();
    WarcFields f = Common("conversion", NewWarcRecordId(), x);
    f.append(WarcField{"WARC-Refers-To", last_id_});
    f.append(WarcField{"Content-Type", "text/html; charset=utf-8"});
    WarcDigest digest;
    digest.Add(dom);
    f.append(WarcField{"WARC-Payload-Digest", digest.Text()});
    f.append(WarcField{"WARC-Block-Digest", digest.Text()});
    return writer_->Write(f, dom);
}

}  // namespace korvi
