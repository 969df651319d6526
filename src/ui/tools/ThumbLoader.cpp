#include "ui/tools/ThumbLoader.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

QPixmap ThumbLoader::Thumb(const QString& path, const QByteArray& local) {
    if (const QPixmap* p = cache_.object(path)) return *p;
    if (failed_.contains(path) || queued_.contains(path)) return QPixmap();
    queued_.insert(path);
    bool startWorker = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.emplace_back(path, local.isEmpty() ? QFile::encodeName(path) : local);
        while (pending_.size() > size_t(kMaxPending)) {
            queued_.remove(pending_.front().first);
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

QImage ThumbLoader::Decode(const QByteArray& local, QString* error) {
    // Opened by its bytes: a name that is not valid UTF-8 is reached too.
    QFile file;
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = fd < 0 ? qt_error_string(errno) : file.errorString();
        if (fd >= 0) ::close(fd);
        return QImage();
    }
    QImageReader reader(&file);
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
        QByteArray local;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty() || closing_) {
                --workers_;
                return;
            }
            // The newest request is the row in view now.
            path = pending_.back().first;
            local = pending_.back().second;
            pending_.pop_back();
        }
        const int generation = generation_;
        QString error;
        const QImage image = Decode(local, &error);
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
