#include "ui/tools/ThumbLoader.h"

#include <QImageReader>

#include "store/CtrlFile.h"

namespace korvi {

ThumbLoader::ThumbLoader(CtrlFile& ctrl, int cacheEntries, QObject* parent)
    : QObject(parent), ctrl_(ctrl), cache_(cacheEntries) {
    pool_.setMaxThreadCount(kWorkers);
}

ThumbLoader::~ThumbLoader() {
    closing_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.clear();
    }
    pool_.waitForDone();
}

QPixmap ThumbLoader::Thumb(const QString& path) {
    if (const QPixmap* p = cache_.object(path)) return *p;
    if (failed_.contains(path) || queued_.contains(path)) return QPixmap();
    queued_.insert(path);
    bool startWorker = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(path);
        while (pending_.size() > size_t(kMaxPending)) {
            queued_.remove(pending_.front());
            pending_.pop_front();
        }
        if (workers_ < kWorkers) {
            ++workers_;
            startWorker = true;
        }
    }
    if (startWorker) pool_.start([this] { Work(); });
    return QPixmap();
}

void ThumbLoader::Clear() {
    ++generation_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.clear();
    }
    queued_.clear();
    failed_.clear();
    cache_.clear();
}

QImage ThumbLoader::Decode(const QString& path, QString* error) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > kSize || full.height() > kSize))
        reader.setScaledSize(full.scaled(kSize, kSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) {
        *error = reader.errorString();
        return image;
    }
    // Readers that ignore the scaled size still give a small picture.
    if (image.width() > kSize || image.height() > kSize)
        image = image.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void ThumbLoader::Work() {
    for (;;) {
        QString path;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty() || closing_) {
                --workers_;
                return;
            }
            // The newest request is the row in view now.
            path = pending_.back();
            pending_.pop_back();
        }
        const int generation = generation_;
        QString error;
        const QImage image = Decode(path, &error);
        if (image.isNull())
            ctrl_.SaveErrLog(QStringLiteral("W_LogSrch ImageRead Error : ") + error +
                             QStringLiteral("  ") + path);
        QMetaObject::invokeMethod(
            this, [this, generation, path, image] { Done(generation, path, image); },
            Qt::QueuedConnection);
    }
}

void ThumbLoader::Done(int generation, const QString& path, const QImage& image) {
    if (generation != generation_) return;
    ++decoded_;
    queued_.remove(path);
    if (image.isNull())
        failed_.insert(path);
    else
        cache_.insert(path, new QPixmap(QPixmap::fromImage(image)));
    Q_EMIT ready(path);
}

}  // namespace korvi
