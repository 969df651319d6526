#include "tools/LogSrch.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "engine/match/MatcherWords.h"
#include "platform/ReadAhead.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/HighlightDocument.h"
#include "store/ReplaceFile.h"
#include "store/RunLock.h"
#include "store/StoreEntry.h"
#include "store/TextCodec.h"

namespace korvi {

static_assert(LogSrch::kFileMax == StoreIndex::kTextMax, "the index keeps what the search reads");

namespace {

const QString kEmptyList = QStringLiteral("リストが空か、選択されていません。");
const QString kNoTag = QStringLiteral("選択したファイルに末尾タグがありません。");

// Only web addresses go to the browser; a tag is data from the web.
bool IsWebUrl(const QString& url) {
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    return u.isValid() && !u.host().isEmpty() &&
           (scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ||
            scheme == QStringLiteral("ftp"));
}

bool InsideFolder(const QByteArray& root, const QByteArray& canonical) {
    return !root.isEmpty() && !canonical.isEmpty() &&
           (root == "/" || canonical.startsWith(root + '/'));
}

// The path a link leads to, with every link resolved; empty when it leads nowhere.
QByteArray Canonical(const QByteArray& path) {
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) return QByteArray();
    QByteArray out(real);
    std::free(real);
    return out;
}

// Whether a path's bytes are those of its shown text (valid UTF-8), so that
// the services taking a text path reach it.
bool Named(const QString& shown, const QByteArray& local) {
    return local.isEmpty() || QFile::encodeName(shown) == local;
}

// One entry of a folder: its name in bytes and as shown.
struct Entry {
    QByteArray name;
    QString shown;
    unsigned char type = DT_UNKNOWN;
};

// The entries of a folder by their bytes, so that a name that is not valid
// UTF-8 is listed too; in order of the shown names (then of the bytes, for
// names that show alike). Empty when the folder cannot be read.
std::vector<Entry> ListFolder(const QByteArray& folder) {
    std::vector<Entry> out;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return out;
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (!IsStoreEntry(n)) continue;
        Entry entry;
        entry.name = QByteArray(n);
        entry.shown = QString::fromUtf8(entry.name);
        entry.type = e->d_type;
        out.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        const int c = a.shown.compare(b.shown);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return out;
}

// Opens a regular file by its bytes for reading without blocking on a pipe;
// -1 with *failure set otherwise.
int OpenLocal(const QByteArray& path, QString* failure) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    *failure = fd < 0 ? qt_error_string(errno) : QStringLiteral("not a file");
    if (fd >= 0) ::close(fd);
    return -1;
}

// The whole open file in one read into a reused buffer; false on any failure.
bool ReadInto(int fd, qint64 size, QByteArray& buffer) {
    if (fd < 0 || size < 0) return false;
    // One more byte shows a file that grew meanwhile. A buffer that must
    // grow is made anew: its old bytes are not worth copying.
    if (buffer.capacity() < size + 1) buffer = QByteArray(size + 1, Qt::Uninitialized);
    buffer.resize(size + 1);
    qint64 got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + got, size_t(buffer.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += n;
        // A read that stops short at the expected size met the end.
        if (got == size) break;
    }
    if (got > size) return false;
    buffer.truncate(got);
    return true;
}

// Closes a file descriptor when it goes.
struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// What the text loader reads from a file of these bytes,
// when the bytes are UTF-8 without ESC and without a BOM (the loader then has
// nothing to detect); false otherwise. A file that is no text gives "".
bool TextOfBytes(const QByteArray& b, QString* text) {
    if (b.isEmpty() || b.startsWith("\xEF\xBB\xBF") || b.contains('\x1B') || !IsStrictUtf8(b)) {
        return false;
    }
    // The loader's rule: too many control bytes in the head, the first 64 KB
    // or the whole file mean no text.
    const qsizetype n = b.size();
    const qsizetype head = qMin<qsizetype>(n, 1024);
    const qsizetype sniff = qMin<qsizetype>(n, 64 * 1024);
    // Counted piece by piece, each byte once (no ESC is here to look past).
    const qsizetype inHead = CountNonTextBytes(b.constData(), head);
    const qsizetype inSniff = inHead + CountNonTextBytes(b.constData() + head, sniff - head);
    const qsizetype inAll = inSniff + CountNonTextBytes(b.constData() + sniff, n - sniff);
    if (IsNonText(inHead, head) || IsNonText(inSniff, sniff) || IsNonText(inAll, n)) {
        *text = QString("");
        return true;
    }
    *text = JoinTextLines(QString::fromUtf8(b));
    return true;
}

// The bytes the trailer-tag reader takes: from the last "<?" to the end of a
// file that ends with "?>"; empty otherwise.
QByteArrayView TagBytes(const QByteArray& file) {
    if (file.size() <= 2 || !file.endsWith("?>")) return {};
    const qsizetype at = file.lastIndexOf("<?");
    if (at < 0) return {};
    return QByteArrayView(file.constData() + at, file.size() - at);
}

// Copies a file by its bytes into target under the same name; a failure
// leaves a file already there as it was. "" on success, else the failure.
QString CopyLocal(const QByteArray& from, const QByteArray& target) {
    QString failure;
    FdCloser in{OpenLocal(from, &failure)};
    if (in.fd < 0) return failure;
    ReplaceFile out(ChildPath(target, from.mid(from.lastIndexOf('/') + 1)));
    if (!out.Open()) return out.ErrorString();
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in.fd, buf.data(), size_t(buf.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return qt_error_string(errno);
        if (got == 0) break;
        if (!out.Write(buf.constData(), got)) return out.ErrorString();
    }
    return out.Commit() ? QString() : out.ErrorString();
}

}  // namespace

QByteArray SrchRow::LocalPath() const {
    return local.isEmpty() ? QFile::encodeName(path + u'/' + fileName) : local;
}

LogSrch::LogSrch(CtrlFile& ctrl, Matcher& matcher, DocMessageFn message, DocProgressFn progress,
                 DocOpenFn opener)
    : ctrl_(ctrl),
      matcher_(matcher),
      message_(std::move(message)),
      progress_(std::move(progress)),
      opener_(std::move(opener)) {}

LogSrch::~LogSrch() {
    stop_ = true;
    Wait();
}

void LogSrch::Show(const QString& text) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_text_ = text;
    }
    if (progress_) progress_(text);
}

void LogSrch::Message(const QString& title, const QString& text) const {
    if (message_) message_(title, text);
}

bool LogSrch::StartSrch(const SrchRequest& request) {
    if (running_) return false;
    if (request.folder.isEmpty() || !QFileInfo(ctrl_.Abs(request.folder)).isDir()) {
        Message(QStringLiteral("検索警告"), QStringLiteral("フォルダが見つかりません。"));
        return false;
    }
    Wait();
    // A stop from now on ends this walk, and the last walk's rows are gone.
    stop_ = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rows_.clear();
    }
    running_ = true;
    thread_ = std::thread([this, request] { Walk(request); });
    return true;
}

void LogSrch::Wait() {
    if (thread_.joinable()) thread_.join();
}

std::vector<SrchRow> LogSrch::Rows() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rows_;
}

QString LogSrch::ProgressText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_text_;
}

QString LogSrch::EndMessage() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return end_message_;
}

std::optional<SrchRow> LogSrch::TestFile(const FoundFile& file, const SrchRequest& request,
                                         FileScratch& scratch) {
    const bool lst = file.name.contains(QStringLiteral(" lst.ini"));
    // A file whose bytes are tested is opened first and gives its size; any
    // other is asked for it by its path.
    FdCloser open;
    qint64 size = -1;
    if (!lst && !request.words.isEmpty() && prefilter_.Active() && request.filter == FltMode::All &&
        request.size == SizeMode::All) {
        open.fd = OpenFile(file, scratch, &size);
    }
    if (size < 0) {
        struct stat st {};
        size = ::stat(file.local.constData(), &st) == 0 ? qint64(st.st_size) : 0;
    }
    bytes_ += size;
    if (lst) return std::nullopt;
    const QString ext = ctrl_.GetUrlExtnsn(QUrl::fromLocalFile(file.path).toString());
    const qint64 kb = size / 1000;
    if (request.filter == FltMode::In && !ExtListLookup(filter_lower_, ext, kb)) {
        return std::nullopt;
    }
    if (request.filter == FltMode::Out && ExtListLookup(filter_lower_, ext, kb)) {
        return std::nullopt;
    }
    if (request.size == SizeMode::Up && kb < request.sizeKb) return std::nullopt;
    if (request.size == SizeMode::Down && kb > request.sizeKb) return std::nullopt;

    QString context("");
    if (!request.words.isEmpty()) {
        if (size > kFileMax) {
            ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : file too large to search  ") +
                             file.path);
            return std::nullopt;
        }
        bool read = false;
        if (open.fd < 0) open.fd = OpenFile(file, scratch, nullptr);
        if (!MayMatch(open.fd, size, scratch, &read)) return std::nullopt;
        // A name the text services cannot reach is read here by its bytes.
        if (!read && !Named(file.path, file.local)) read = ReadInto(open.fd, size, scratch.buffer);
        QString text;
        if (!read)
            text = ctrl_.LoadDataEnc(file.path);
        else if (!TextOfBytes(scratch.buffer, &text))
            text = DecodeDataText(scratch.buffer);
        if (text.isEmpty())
            text = read ? DecodeText(TagBytes(scratch.buffer).toByteArray())
                        : ctrl_.GetFootTag(file.path);
        if (text.isEmpty()) return std::nullopt;
        context = matcher_.SrchStrList(request.words, text, options_);
        if (context.isEmpty()) return std::nullopt;
    }
    SrchRow row;
    row.text = context;
    row.fileName = file.name;
    row.path = file.folder;
    row.sizeKb = kb;
    row.extension = ext;
    row.local = file.local;
    return row;
}

void LogSrch::FileScratch::Release() {
    if (folder_fd >= 0) ::close(folder_fd);
    folder_fd = -1;
    folder.clear();
    buffer = QByteArray();
    scratch = MatcherPrefilter::Scratch();
}

int LogSrch::OpenFile(const FoundFile& file, FileScratch& scratch, qint64* size) {
    // Files of one folder come one after another: the folder stays open,
    // so that each file is found by its name alone.
    if (scratch.folder != file.local_folder) {
        if (scratch.folder_fd >= 0) ::close(scratch.folder_fd);
        scratch.folder = file.local_folder;
        scratch.folder_fd =
            ::open(file.local_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    const int fd = scratch.folder_fd >= 0
                       ? ::openat(scratch.folder_fd, file.local_name.constData(), kFlags)
                       : ::open(file.local.constData(), kFlags);
    if (fd < 0 || !size) return fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    *size = st.st_size;
    return fd;
}

bool LogSrch::MayMatch(int fd, qint64 size, FileScratch& scratch, bool* read) {
    if (!prefilter_.Active()) return true;
    // A file that cannot be read here goes the usual way, which logs it.
    if (!ReadInto(fd, size, scratch.buffer)) return true;
    *read = true;
    // The text is the file's own, or its trailer tag when it is no text.
    return prefilter_.MayMatch(scratch.buffer, scratch.scratch) ||
           prefilter_.MayMatch(TagBytes(scratch.buffer), scratch.scratch);
}

void LogSrch::Settle(std::uint64_t seq, std::optional<SrchRow> row, bool tested) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seq != next_out_) {
        settled_.emplace(seq, Settled{std::move(row), tested});
        return;
    }
    for (;;) {
        // After a file that a stop left untested, rows would leave a gap.
        cut_ = cut_ || !tested;
        if (row && !cut_) {
            row->no = static_cast<int>(rows_.size()) + 1;
            rows_.push_back(std::move(*row));
            const int most = max_rows_;
            if (most > 0 && static_cast<int>(rows_.size()) >= most) {
                stop_ = true;
                cut_ = true;
            }
        }
        ++next_out_;
        const auto next = settled_.find(next_out_);
        if (next == settled_.end()) return;
        row = std::move(next->second.row);
        tested = next->second.tested;
        settled_.erase(next);
    }
}

void LogSrch::SrchFile(FoundFile file, const SrchRequest& request) {
    ++files_;
    file.seq = next_seq_++;
    if (workers_.empty()) {
        std::optional<SrchRow> row;
        try {
            row = TestFile(file, request, walk_scratch_);
        } catch (const std::exception& ex) {
            ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : ") +
                             QString::fromUtf8(ex.what()) + QStringLiteral("  ") + file.path);
        }
        Settle(file.seq, std::move(row), true);
        return;
    }
    // Small batches keep the hand-over cheap and both threads busy.
    constexpr size_t kBatchFiles = 16;
    constexpr size_t kQueuedBatches = 64;
    batch_.push_back(std::move(file));
    if (batch_.size() < kBatchFiles) return;
    std::unique_lock<std::mutex> lock(queue_mutex_);
    queue_room_.wait(lock, [&] { return queue_.size() < kQueuedBatches || stop_; });
    queue_.push_back(std::move(batch_));
    lock.unlock();
    queue_ready_.notify_one();
    batch_.clear();
}

void LogSrch::WorkerLoop(const SrchRequest& request) {
    FileScratch scratch;
    for (;;) {
        std::vector<FoundFile> batch;
        {
            std::unique_lock<std::mutex> lock(queue_mutex_);
            queue_ready_.wait(lock, [&] { return !queue_.empty() || walk_done_; });
            if (queue_.empty()) return;
            batch = std::move(queue_.front());
            queue_.pop_front();
        }
        queue_room_.notify_one();
        for (const FoundFile& file : batch) {
            std::optional<SrchRow> row;
            const bool tested = !stop_;
            if (tested) {
                try {
                    row = TestFile(file, request, scratch);
                } catch (const std::exception& ex) {
                    ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : ") +
                                     QString::fromUtf8(ex.what()) + QStringLiteral("  ") +
                                     file.path);
                }
            }
            Settle(file.seq, std::move(row), tested);
        }
    }
}

void LogSrch::StartWorkers(const SrchRequest& request, int count) {
    walk_done_ = false;
    for (int i = 0; i < count; ++i) {
        try {
            workers_.emplace_back([this, &request] { WorkerLoop(request); });
        } catch (const std::system_error&) {
            break;  // the threads started do the work; none: the walk does
        }
    }
}

void LogSrch::StopWorkers() {
    if (workers_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(queue_mutex_);
        if (!batch_.empty()) queue_.push_back(std::move(batch_));
        walk_done_ = true;
    }
    queue_ready_.notify_all();
    for (std::thread& w : workers_) w.join();
    workers_.clear();
    queue_.clear();
    batch_.clear();
}

void LogSrch::SrchLog(const QByteArray& local, const QString& folder, const SrchRequest& request) {
    ++folders_;
    Show(QStringLiteral("  検索ディレクトリ数 = ") + QString::number(folders_) +
         QStringLiteral("  ") + ctrl_.GetPastTime(start_ms_));
    static const QByteArray kLockName = QFile::encodeName(RunLock::kFileName);
    for (const Entry& e : ListFolder(local)) {
        if (stop_) return;
        const QByteArray path = ChildPath(local, e.name);
        const QString shown = folder.endsWith(u'/') ? folder + e.shown : folder + u'/' + e.shown;
        // The entry's kind comes with its name; only a link or a file system
        // that does not tell is asked. Pipes and devices are never opened.
        bool link = e.type == DT_LNK;
        bool isDir = e.type == DT_DIR;
        bool isFile = e.type == DT_REG;
        struct stat st {};
        if (e.type == DT_UNKNOWN) {
            if (::lstat(path.constData(), &st) != 0) continue;
            link = S_ISLNK(st.st_mode);
            isDir = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
        }
        if (link) {
            if (::stat(path.constData(), &st) != 0) continue;  // leads nowhere
            isDir = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
        }
        if (isDir) {
            if (!link) SrchLog(path, shown, request);
            continue;
        }
        if (!isFile || e.name == kLockName) continue;
        // A link is followed only to a file inside the searched folder.
        if (link && !InsideFolder(root_, Canonical(path))) continue;
        // A file the index read as it is now, without the words, is counted
        // and not read.
        if (lookup_ && !e.shown.contains(QStringLiteral(" lst.ini"))) {
            struct stat fst {};
            if (::stat(path.constData(), &fst) == 0 && S_ISREG(fst.st_mode) &&
                lookup_->Excludes(path, fst)) {
                ++files_;
                bytes_ += fst.st_size;
                ++index_skips_;
                continue;
            }
        }
        try {
            FoundFile file;
            file.name = e.shown;
            file.path = shown;
            file.folder = folder;
            file.local = path;
            file.local_folder = local;
            file.local_name = e.name;
            SrchFile(std::move(file), request);
        } catch (const std::exception& ex) {
            ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : ") +
                             QString::fromUtf8(ex.what()) + QStringLiteral("  ") + shown);
        }
    }
}

void LogSrch::SrchPlan(const IndexPlan& plan, const SrchRequest& request) {
    folders_ = plan.folders;
    Show(QStringLiteral("  検索ディレクトリ数 = ") + QString::number(folders_) +
         QStringLiteral("  ") + ctrl_.GetPastTime(start_ms_));
    files_ += plan.skipped;
    bytes_ += plan.skipped_bytes;
    index_skips_ += plan.skipped;
    std::vector<QByteArray> ahead;
    ahead.reserve(plan.files.size());
    for (const IndexPlan::File& f : plan.files) ahead.push_back(f.local);
    ReadAhead(ahead);
    for (const IndexPlan::File& f : plan.files) {
        if (stop_) return;
        if (f.link) {
            // Followed as the walk follows it: to a file inside the folder.
            struct stat st {};
            if (::stat(f.local.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
                !InsideFolder(root_, Canonical(f.local))) {
                continue;
            }
        }
        const QString shown = f.shown_folder.endsWith(u'/') ? f.shown_folder + f.shown_name
                                                            : f.shown_folder + u'/' + f.shown_name;
        try {
            FoundFile file;
            file.name = f.shown_name;
            file.path = shown;
            file.folder = f.shown_folder;
            file.local = f.local;
            file.local_folder = f.local_folder;
            file.local_name = f.name;
            SrchFile(std::move(file), request);
        } catch (const std::exception& ex) {
            ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : ") +
                             QString::fromUtf8(ex.what()) + QStringLiteral("  ") + shown);
        }
    }
}

void LogSrch::Run(const SrchRequest& request) {
    stop_ = false;
    Walk(request);
}

void LogSrch::Walk(const SrchRequest& request) {
    running_ = true;
    folders_ = 0;
    files_ = 0;
    bytes_ = 0;
    start_ms_ = ctrl_.GetClock().NowMs();
    filter_lower_ = request.filterText.toLower();
    options_ = {matcher_.SearchType(), !request.caseInsensitive};
    prefilter_ = use_prefilter_ && !request.words.isEmpty()
                     ? MatcherPrefilter(request.words, options_)
                     : MatcherPrefilter();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rows_.clear();
        settled_.clear();
        end_message_.clear();
        next_out_ = 0;
        cut_ = false;
    }
    next_seq_ = 0;
    const QString top = QDir::cleanPath(ctrl_.Abs(request.folder));
    index_skips_ = 0;
    // A watched folder needs no walk; otherwise the index rules files out
    // as the walk meets them.
    std::optional<IndexPlan> plan;
    if (index_ && !request.words.isEmpty()) plan = index_->Plan(top, request.words, options_);
    lookup_ = index_ && !plan && !request.words.isEmpty()
                  ? index_->Lookup(top, request.words, options_)
                  : nullptr;
    root_ = Canonical(QFile::encodeName(top));
    int threads = threads_;
    if (threads == 0) threads = int(std::thread::hardware_concurrency());
    if (threads > 1) StartWorkers(request, qMin(threads, 8));
    try {
        if (plan)
            SrchPlan(*plan, request);
        else
            SrchLog(QFile::encodeName(top), top, request);
    } catch (const std::exception& ex) {
        ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Srch Error : ") + QString::fromUtf8(ex.what()));
    }
    StopWorkers();
    qsizetype found = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        found = static_cast<qsizetype>(rows_.size());
    }
    const QString elapsed = ctrl_.GetPastTime(start_ms_);
    const QString message =
        QStringLiteral("検索が終了しました。\n\n「") + request.words +
        QStringLiteral("」の検索結果は") + QStringLiteral("「") + QString::number(found) +
        QStringLiteral("」件です。\n\n") + QStringLiteral("検索したログは以下の通りです。\n\n") +
        QStringLiteral("・検索ディレクトリ数\t： ") + QString::number(folders_) +
        QStringLiteral(" 個\n") + QStringLiteral("・検索ファイル数\t： ") +
        QString::number(files_) + QStringLiteral(" 個\n") +
        QStringLiteral("・検索ファイル・サイズ\t： ") + QString::number(bytes_ / 1000) +
        QStringLiteral(" KB\n\n") + QStringLiteral("検索時間は ") + elapsed +
        QStringLiteral("でした。");
    walk_scratch_.Release();
    lookup_.reset();
    Show(QStringLiteral("  end : 検索ディレクトリ数 = ") + QString::number(folders_));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        end_message_ = message;
    }
    running_ = false;
    Message(QStringLiteral("検索終了"), message);
}

bool LogSrch::RowFile(int row, QString* path, QByteArray* local) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return false;
    const SrchRow& r = rows_[size_t(row)];
    *path = r.path + u'/' + r.fileName;
    if (local) *local = r.local;
    return true;
}

QString LogSrch::RowTag(const QString& path, const QByteArray& local) {
    if (Named(path, local)) return ctrl_.GetFootTag(path);
    QString failure;
    const int fd = OpenLocal(local, &failure);
    QFile f;
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        ctrl_.SaveErrLog(QStringLiteral("C_File GetFootTag Error : ") +
                         (fd < 0 ? failure : f.errorString()) + QStringLiteral("  ") + path);
        return QString("");
    }
    return ctrl_.GetFootTag(f, path);
}

bool LogSrch::SaveFiles(const std::vector<int>& selected, const QString& targetFolder) {
    std::vector<std::pair<QString, QByteArray>> files;
    for (int r : selected) {
        QString p;
        QByteArray local;
        if (RowFile(r, &p, &local)) files.emplace_back(p, local);
    }
    if (files.empty()) {
        Message(QStringLiteral("保存警告"), kEmptyList);
        return false;
    }
    const QString target = ctrl_.Abs(targetFolder);
    if (targetFolder.isEmpty() || !QDir().mkpath(target)) {
        ctrl_.SaveErrLog(QStringLiteral("W_LogSrch Save Error : cannot create ") + targetFolder);
        return false;
    }
    bool ok = true;
    for (const auto& [f, local] : files) {
        if (Named(f, local)) {
            ok = ctrl_.CopyFile(f, target + u'/' + QFileInfo(f).fileName()) && ok;
            continue;
        }
        const QString failure = CopyLocal(local, QFile::encodeName(target));
        if (!failure.isEmpty()) {
            ctrl_.SaveErrLog(QStringLiteral("C_File Copy File Error : ") + failure + u' ' + f);
            ok = false;
        }
    }
    Message(QStringLiteral("保存終了"), QStringLiteral("保存が終了しました。"));
    return ok;
}

bool LogSrch::SaveAllFiles(const QString& targetFolder) {
    std::vector<int> all;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < rows_.size(); ++i) all.push_back(static_cast<int>(i));
    }
    return SaveFiles(all, targetFolder);
}

bool LogSrch::ShowTagInfo(int row) {
    QString path;
    QByteArray local;
    if (!RowFile(row, &path, &local)) {
        Message(QStringLiteral("情報表示警告"), kEmptyList);
        return false;
    }
    const QString tag = RowTag(path, local);
    if (tag.isEmpty()) {
        Message(QStringLiteral("情報表示"), kNoTag);
        return false;
    }
    Message(QStringLiteral("情報表示"), tag);
    return true;
}

bool LogSrch::OpenTagAttr(int row, const QString& attr, const QString& title,
                          const QString& noValue, const QString& logPrefix) {
    QString path;
    QByteArray local;
    if (!RowFile(row, &path, &local)) {
        Message(title, kEmptyList);
        return false;
    }
    const QString tag = RowTag(path, local);
    if (tag.isEmpty()) {
        Message(title, kNoTag);
        return false;
    }
    const QString url = CtrlFile::GetFootTagAttr(tag, attr);
    if (url.isEmpty()) {
        Message(title, noValue);
        return false;
    }
    QString failure;
    if (!IsWebUrl(url)) {
        failure = QStringLiteral("not a web address ") + url;
    } else if (!opener_ || !opener_(url)) {
        failure = QStringLiteral("cannot open ") + url;
    } else {
        return true;
    }
    ctrl_.SaveErrLog(logPrefix + failure + QStringLiteral("  ") + path);
    return false;
}

bool LogSrch::OpenRef(int row) {
    return OpenTagAttr(row, QStringLiteral("dl_ref"), QStringLiteral("DL元を開く警告"),
                       QStringLiteral("リンクの参照元が末尾タグにありません。"),
                       QStringLiteral("W_LogSrch tag_btn_ref_open_al Error : "));
}

bool LogSrch::OpenUrl(int row) {
    return OpenTagAttr(row, QStringLiteral("dl_src"), QStringLiteral("URLを開く警告"),
                       QStringLiteral("DL前のURLが末尾タグにありません。"),
                       QStringLiteral("W_LogSrch tag_btn_url_open_al Error : "));
}

bool LogSrch::OpenFile(int row, bool highlight, const QString& words) {
    QString path;
    QByteArray local;
    if (!RowFile(row, &path, &local)) {
        Message(QStringLiteral("開く警告"), kEmptyList);
        return false;
    }
    const bool named = Named(path, local);
    // A name that is not valid UTF-8 goes to the desktop as a file URI that
    // carries its bytes.
    const QString shown = path;
    if (!named)
        path = QStringLiteral("file://") + QString::fromLatin1(local.toPercentEncoding("/"));
    if (highlight && !words.isEmpty()) {
        QString hl;
        if (named) {
            hl = HighlightDocument::MkHLightFile(ctrl_, shown, SrchPlainWords(words));
        } else if (Named(QFileInfo(shown).path(), local.left(local.lastIndexOf('/')))) {
            // The marked copy goes beside the file under the name as shown.
            QString failure;
            FdCloser in{OpenLocal(local, &failure)};
            struct stat st {};
            QByteArray bytes;
            if (in.fd >= 0 && ::fstat(in.fd, &st) == 0 && st.st_size <= kFileMax &&
                ReadInto(in.fd, st.st_size, bytes)) {
                hl = HighlightDocument::MkHLightText(ctrl_, shown, DecodeDataText(bytes),
                                                     SrchPlainWords(words));
            }
        }
        if (!hl.isEmpty()) path = hl;
    }
    if (!opener_ || !opener_(path)) {
        ctrl_.SaveErrLog(QStringLiteral("W_LogSrch ctr_btn_open Error : cannot open ") + path);
        return false;
    }
    return true;
}

QString LogSrch::TagToolTip(const QString& tag) {
    if (tag.isEmpty()) return QString("");
    static const QRegularExpression emptyAttr(QStringLiteral(".+?\"\".+?\\n"));
    static const QRegularExpression firstLine(QStringLiteral("<\\?.+?\\n"));
    static const QRegularExpression lastLine(QStringLiteral("\\n.*?\\?>"));
    QString t = tag;
    t.replace(emptyAttr, QString(""));
    const QRegularExpressionMatch first = firstLine.match(t);
    if (first.hasMatch()) t.remove(first.capturedStart(), first.capturedLength());
    const QRegularExpressionMatch last = lastLine.match(t);
    if (last.hasMatch()) t.remove(last.capturedStart(), last.capturedLength());
    // Values are text: markup characters in them are shown, not applied.
    t.replace(u'&', QStringLiteral("&amp;"));
    t.replace(u'<', QStringLiteral("&lt;"));
    t.replace(u'>', QStringLiteral("&gt;"));
    t.replace(u'\n', QStringLiteral("<BR>"));
    return QStringLiteral("<HTML><BODY><TABLE BORDER=0 WIDTH=300><TR><TD>") + t +
           QStringLiteral("</TD></TR></TABLE></BODY></HTML>");
}

bool LogSrch::IsPicture(const QString& extension) {
    return !extension.isEmpty() &&
           QStringLiteral(",jpg,gif,png,").contains(u',' + extension.toLower() + u',');
}

QString LogSrch::RowToolTip(int row) {
    QString path;
    QByteArray local;
    if (!RowFile(row, &path, &local)) return QString("");
    return TagToolTip(RowTag(path, local));
}

DocTable LogSrch::MkDocTable(const std::vector<SrchRow>& rows, const QString& root) {
    DocTable t;
    t.header = {QStringLiteral("^serial_no"), QStringLiteral("^no"),   QStringLiteral("^text"),
                QStringLiteral("^file_name"), QStringLiteral("^path"), QStringLiteral("^size"),
                QStringLiteral("^extension"), QStringLiteral("^href")};
    const QString base = QDir::cleanPath(root);
    const QByteArray baseBytes = QFile::encodeName(base);
    for (size_t i = 0; i < rows.size(); ++i) {
        const SrchRow& r = rows[i];
        const QString full = QDir::cleanPath(r.path + u'/' + r.fileName);
        // Links carry the file's own bytes, whatever its name shows.
        const bool named = Named(r.path + u'/' + r.fileName, r.local);
        const QByteArray bytes = named ? QFile::encodeName(full) : r.local;
        QString href;
        if (!base.isEmpty() && bytes.startsWith(baseBytes + '/')) {
            for (const QByteArray& seg : bytes.mid(baseBytes.size() + 1).split('/')) {
                href += u'/' + QString::fromLatin1(seg.toPercentEncoding());
            }
        } else if (named) {
            href = QString::fromLatin1(QUrl::fromLocalFile(full).toEncoded());
        } else {
            href = QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
        }
        t.rows.push_back({QString::number(i), QString::number(r.no), r.text, r.fileName, r.path,
                          QString::number(r.sizeKb), r.extension, href});
    }
    return t;
}

}  // namespace korvi
