#pragma once

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

namespace korvi {

class CtrlFile;

// Thumbnails of picture files, decoded on worker threads at a reduced size
// and kept in a least-recently-used cache. The newest requests are decoded
// first; requests too old to matter (rows scrolled away) are dropped and made
// again when their row shows.
class ThumbLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int kSize = 64;         // longest side in pixels
    static constexpr int kMaxPending = 256;  // queued decodes kept
    static constexpr int kWorkers = 2;

    explicit ThumbLoader(CtrlFile& ctrl, int cacheEntries = 2000, QObject* parent = nullptr);
    ~ThumbLoader() override;

    // The cached thumbnail of the file shown as path and reached through the
    // bytes local (empty: those of path); a null pixmap when it is not there
    // yet (a decode is then queued) or when the file cannot be read.
    QPixmap Thumb(const QString& path, const QByteArray& local = QByteArray());
    bool Failed(const QString& path) const { return failed_.contains(path); }
    // Forgets every thumbnail and queued decode.
    void Clear();
    // Decodes finished so far (successful or not).
    long Decoded() const { return decoded_; }

    // The picture at the size used here, or a null image with *error set.
    static QImage Decode(const QByteArray& local, QString* error);

Q_SIGNALS:
    // A decode of path ended; Thumb or Failed now answer for it.
    void ready(const QString& path);

private:
    void Work();
    void Done(int generation, const QString& path, const QImage& image);

    CtrlFile& ctrl_;
    QCache<QString, QPixmap> cache_;
    QSet<QString> failed_;
    QSet<QString> queued_;  // requested and not back yet
    std::mutex mutex_;      // guards pending_ and workers_
    std::deque<std::pair<QString, QByteArray>> pending_;
    int workers_ = 0;
    std::atomic<int> generation_{0};
    std::atomic<bool> closing_{false};
    long decoded_ = 0;
    QThreadPool pool_;
};

}  // namespace korvi
