#include "warc/WarcWriter.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>

namespace korvi {

// A deflate state; making one costs a few hundred KB of memory, so the
// writer keeps them for the next record.
struct WarcWriter::Deflater {
    Deflater() {
        ok = deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() { deflateEnd(&z); }
    z_stream z{};
    bool ok = false;
};

namespace {

// One gzip member, compressed into a buffer that is handed on when full.
class GzipMember {
public:
    explicit GzipMember(z_stream* z) : z_(z) { ok_ = z_ && deflateReset(z_) == Z_OK; }

    bool Ok() const { return ok_; }
    QByteArray& Buffer() { return out_; }

    bool Add(const char* data, qint64 size) { return Run(data, size, Z_NO_FLUSH); }
    bool Finish() { return Run(nullptr, 0, Z_FINISH); }

private:
    bool Run(const char* data, qint64 size, int flush) {
        if (!ok_) return false;
        z_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z_->avail_in = static_cast<uInt>(size);
        for (;;) {
            const qsizetype had = out_.size();
            const qsizetype room = std::max<qsizetype>(16384, z_->avail_in / 2 + 1024);
            out_.resize(had + room);
            z_->next_out = reinterpret_cast<Bytef*>(out_.data() + had);
            z_->avail_out = static_cast<uInt>(room);
            const int rc = deflate(z_, flush);
            out_.resize(had + room - z_->avail_out);
            if (rc == Z_STREAM_ERROR) return ok_ = false;
            if (flush == Z_FINISH ? rc == Z_STREAM_END : z_->avail_in == 0 && z_->avail_out != 0)
                return true;
        }
    }

    z_stream* z_;
    bool ok_ = false;
    QByteArray out_;
};

}  // namespace

WarcWriter::WarcWriter(const QString& path) : path_(path) {}

WarcWriter::WarcWriter(QIODevice* device) : out_(device) {}

WarcWriter::~WarcWriter() = default;

bool WarcWriter::Open() {
    std::lock_guard lock(mutex_);
    if (out_) return true;
    file_ = std::make_unique<QFile>(path_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error_ = file_->errorString() + QStringLiteral(" ") + path_;
        file_.reset();
        return false;
    }
    out_ = file_.get();
    return true;
}

QString WarcWriter::ErrorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

std::unique_ptr<WarcWriter::Deflater> WarcWriter::TakeDeflater() {
    {
        std::lock_guard pool(pool_mutex_);
        if (!pool_.empty()) {
            std::unique_ptr<Deflater> d = std::move(pool_.back());
            pool_.pop_back();
            return d;
        }
    }
    return std::make_unique<Deflater>();
}

bool WarcWriter::Write(const WarcFields& fields, const QByteArray& block) {
    return Write(fields, block, nullptr, 0);
}

bool WarcWriter::Write(const WarcFields& fields, const QByteArray& blockHead, QIODevice* tail,
                       qint64 tailSize) {
    if (!tail) tailSize = 0;
    if (blockHead.size() + tailSize > kOneWrite) {
        std::unique_lock lock(mutex_);
        return Compress(fields, blockHead, tail, tailSize, &lock);
    }
    // A small member is made before the lock is taken: workers compress
    // side by side and only the append is one at a time.
    return Compress(fields, blockHead, tail, tailSize, nullptr);
}

bool WarcWriter::Compress(const WarcFields& fields, const QByteArray& blockHead, QIODevice* tail,
                          qint64 tailSize, std::unique_lock<std::mutex>* held) {
    std::unique_lock<std::mutex> late;
    std::unique_ptr<Deflater> deflater = TakeDeflater();
    GzipMember gz(deflater && deflater->ok ? &deflater->z : nullptr);
    qint64 start = -1;
    // Hands the compressed bytes on: a held lock streams them as they come,
    // otherwise they go out together at the end.
    auto drain = [&](bool last) {
        QByteArray& buf = gz.Buffer();
        if (!last && (!held || buf.size() < kOneWrite)) return true;
        if (last && !held) late = std::unique_lock(mutex_);
        if (!out_) return false;
        if (start < 0 && file_) start = file_->size();
        const bool ok = out_->write(buf) == buf.size();
        buf.clear();
        return ok;
    };
    const QByteArray head = WarcHead(fields, blockHead.size() + tailSize);
    bool ok = gz.Ok() && gz.Add(head.constData(), head.size()) &&
              gz.Add(blockHead.constData(), blockHead.size());
    if (ok && tail) {
        ok = tail->seek(0);
        char chunk[65536];
        qint64 left = tailSize;
        while (ok && left > 0) {
            const qint64 n = tail->read(chunk, std::min<qint64>(left, sizeof chunk));
            ok = n > 0 && gz.Add(chunk, n) && drain(false);
            left -= n;
        }
    }
    ok = ok && gz.Add(kWarcRecordEnd, 4) && gz.Finish() && drain(true);
    if (ok && file_) ok = file_->flush();
    if (deflater && deflater->ok) {
        std::lock_guard pool(pool_mutex_);
        if (pool_.size() < kPoolSize) pool_.push_back(std::move(deflater));
    }
    if (!ok) {
        if (!held && !late.owns_lock()) late = std::unique_lock(mutex_);
        error_ = !out_ ? QStringLiteral("not open")
                       : (file_ ? file_->errorString() : out_->errorString());
        error_ += QStringLiteral(" ") + path_;
        // A torn member in the middle would hide every later record.
        if (file_ && start >= 0) file_->resize(start);
    }
    return ok;
}

}  // namespace korvi
