#include "index/StoreIndex.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

#include <sqlite3.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <iterator>
#include <system_error>
#include <thread>

#include "engine/match/MatcherText.h"
#include "index/IndexTokenizer.h"
#include "index/IndexTokens.h"
#include "store/CtrlFile.h"
#include "store/RegularFile.h"
#include "store/RunLock.h"
#include "store/StoreEntry.h"

namespace korvi {

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);"
    "CREATE TABLE IF NOT EXISTS files(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " path BLOB NOT NULL UNIQUE, size INTEGER NOT NULL, mtime INTEGER NOT NULL,"
    " checked INTEGER NOT NULL, ext TEXT, url TEXT);"
    "CREATE VIRTUAL TABLE IF NOT EXISTS words USING fts5(plain, raw, content='',"
    " detail=none, tokenize='korvi');";

qint64 NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Damaged(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// The path range below a folder: [low, high).
std::pair<QByteArray, QByteArray> Below(const QByteArray& folder) {
    QByteArray low = folder.endsWith('/') ? folder : folder + '/';
    QByteArray high = low;
    high[high.size() - 1] = '/' + 1;
    return {low, high};
}

}  // namespace

bool IndexLookup::Excludes(const QByteArray& path, const struct stat& st) const {
    const auto it = entries_.constFind(path);
    return it != entries_.cend() && it->size == qint64(st.st_size) && it->mtime == MtimeNs(st) &&
           !chosen_.contains(it->id);
}

// One connection; statements are finalised when it goes.
class StoreIndex::Db {
public:
    sqlite3* db = nullptr;
    int last = SQLITE_OK;
    ~Db() {
        if (db) sqlite3_close_v2(db);
    }
    bool Exec(const char* sql) {
        last = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        return last == SQLITE_OK;
    }
    // A prepared statement, finalised on scope exit.
    struct Stmt {
        sqlite3_stmt* s = nullptr;
        Db* owner = nullptr;
        Stmt() = default;
        Stmt(const Stmt&) = delete;
        Stmt& operator=(const Stmt&) = delete;
        ~Stmt() {
            if (s) sqlite3_finalize(s);
        }
        bool Ok() const { return s != nullptr; }
        void Blob(int i, const QByteArray& b) {
            sqlite3_bind_blob(s, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
        void Text(int i, const QByteArray& utf8) {
            sqlite3_bind_text(s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        void Int(int i, qint64 v) { sqlite3_bind_int64(s, i, v); }
        // SQLITE_ROW, SQLITE_DONE, or a failure (kept in the owner).
        int Step() {
            const int rc = sqlite3_step(s);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) owner->last = rc;
            return rc;
        }
        bool Run() {
            const int rc = Step();
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            return rc == SQLITE_DONE || rc == SQLITE_ROW;
        }
        qint64 Col(int i) const { return sqlite3_column_int64(s, i); }
        QByteArray ColBytes(int i) const {
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)),
                              sqlite3_column_bytes(s, i));
        }
    };
    void Prepare(Stmt& st, const char* sql) {
        st.owner = this;
        last = sqlite3_prepare_v2(db, sql, -1, &st.s, nullptr);
    }
    qint64 Meta(const char* key) {
        Stmt st;
        Prepare(st, "SELECT value FROM meta WHERE key=?1");
        if (!st.Ok()) return 0;
        sqlite3_bind_text(st.s, 1, key, -1, SQLITE_STATIC);
        return st.Step() == SQLITE_ROW ? st.Col(0) : 0;
    }
    void AddMeta(const char* key, qint64 delta) {
        Stmt st;
        Prepare(st,
                "INSERT INTO meta(key, value) VALUES(?1, ?2) "
                "ON CONFLICT(key) DO UPDATE SET value = value + ?2");
        if (!st.Ok()) return;
        sqlite3_bind_text(st.s, 1, key, -1, SQLITE_STATIC);
        st.Int(2, delta);
        st.Run();
    }
};

StoreIndex::StoreIndex(CtrlFile& ctrl) : ctrl_(ctrl), path_(ctrl.Abs(kFileName)) {}

StoreIndex::~StoreIndex() {
    {
        std::lock_guard<std::mutex> lock(page_mutex_);
        stop_ = true;
    }
    pages_ready_.notify_all();
    pages_idle_.notify_all();
    if (indexer_.joinable()) indexer_.join();
    std::lock_guard<std::mutex> lock(thread_mutex_);
    if (background_.joinable()) background_.join();
}

bool StoreIndex::UpdateInBackground(const QString& folder) {
    return StartBackground([this, folder] {
        return Update(
            folder, false,
            [this](const IndexStats& p) {
                std::lock_guard<std::mutex> l(background_mutex_);
                background_stats_ = p;
            },
            &stop_);
    });
}

bool StoreIndex::StartBackground(std::function<IndexStats()> job) {
    if (!enabled_ || stop_ || background_busy_.exchange(true)) return false;
    std::lock_guard<std::mutex> lock(thread_mutex_);
    if (background_.joinable()) background_.join();  // ended already
    {
        std::lock_guard<std::mutex> l(background_mutex_);
        background_stats_ = IndexStats();
    }
    ++updating_;  // counted from now, so that a caller sees it at once
    try {
        background_ = std::thread([this, job = std::move(job)] {
            const IndexStats s = job();
            {
                std::lock_guard<std::mutex> l(background_mutex_);
                background_stats_ = s;
            }
            --updating_;
            background_busy_ = false;
        });
    } catch (const std::system_error&) {
        --updating_;
        background_busy_ = false;
        return false;
    }
    return true;
}

void StoreIndex::WaitBackground() {
    std::lock_guard<std::mutex> lock(thread_mutex_);
    if (background_.joinable()) background_.join();
}

QString StoreIndex::StatusText() const {
    if (!Updating()) return QString("");
    const IndexStats s = BackgroundStats();
    return QStringLiteral("索引を更新中です（確認 ") + QString::number(s.files) +
           QStringLiteral(" ファイル、読込 ") + QString::number(s.added + s.changed) +
           QStringLiteral(" ファイル）");
}

IndexStats StoreIndex::BackgroundStats() const {
    std::lock_guard<std::mutex> lock(background_mutex_);
    return background_stats_;
}

void StoreIndex::Discard() {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path_ + QString::fromLatin1(suffix));
    }
}

std::unique_ptr<StoreIndex::Db> StoreIndex::Open(bool create) {
    std::lock_guard<std::mutex> lock(open_mutex_);
    int busyTries = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!create && !QFile::exists(path_)) return nullptr;
        auto d = std::make_unique<Db>();
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(path_).constData(), &d->db, flags, nullptr) !=
            SQLITE_OK) {
            return nullptr;
        }
        sqlite3_busy_timeout(d->db, 5000);
        if (!RegisterIndexTokenizer(d->db)) {
            ctrl_.SaveErrLog(QStringLiteral("StoreIndex Open Error : no full-text search"));
            return nullptr;
        }
        const auto version = [&] {
            Db::Stmt v;
            d->Prepare(v, "PRAGMA user_version");
            return v.Ok() && v.Step() == SQLITE_ROW ? v.Col(0) : qint64(-1);
        };
        bool ok = d->Exec("PRAGMA journal_mode=WAL") && d->Exec("PRAGMA synchronous=NORMAL");
        qint64 found = ok ? version() : -1;
        // The schema is made once, by whichever connection comes first.
        if (ok && found == 0 && (ok = d->Exec("BEGIN IMMEDIATE"))) {
            found = version();
            if (found == 0) {
                ok = d->Exec(kSchema) && d->Exec("PRAGMA user_version=1");
                // Tells a watcher holding entry ids that the index was made anew.
                if (ok)
                    d->AddMeta("generation",
                               qint64(QRandomGenerator::system()->generate64() >> 2) + 1);
                found = kSchemaVersion;
            }
            if (ok) ok = d->Exec("COMMIT");
            if (!ok) sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        if (ok && found != kSchemaVersion) {
            // No index of ours, or of another version: it goes.
            ok = false;
            if (d->last == SQLITE_OK || d->last == SQLITE_ROW || d->last == SQLITE_DONE)
                d->last = SQLITE_NOTADB;
        }
        if (ok) ok = d->Exec("SELECT count(*) FROM meta");
        if (ok) return d;
        const int primary = d->last & 0xff;
        if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && ++busyTries < 40) {
            // Another process is making or converting the file: wait and try
            // again; a busy index is no fault, the search scans meanwhile.
            d.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            --attempt;
            continue;
        }
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return nullptr;
        if (!Damaged(d->last)) {
            ctrl_.SaveErrLog(QStringLiteral("StoreIndex Open Error : ") +
                             QString::fromUtf8(sqlite3_errstr(d->last)) + QStringLiteral("  ") +
                             path_);
            return nullptr;  // busy and alike: the index is left as it is
        }
        ctrl_.SaveErrLog(QStringLiteral("StoreIndex Open Error : ") +
                         QString::fromUtf8(sqlite3_errstr(d->last)) +
                         QStringLiteral(" : made anew  ") + path_);
        d.reset();
        Discard();
        create = true;
    }
    return nullptr;
}

StoreIndex::Counts StoreIndex::GetCounts() {
    Counts c;
    auto d = Open(false);
    if (!d) return c;
    Db::Stmt st;
    d->Prepare(st, "SELECT count(*) FROM files");
    if (st.Ok() && st.Step() == SQLITE_ROW) c.files = st.Col(0);
    c.dead = d->Meta("dead");
    return c;
}

namespace {

// The file's text as the file search reads it, in the two columns the
// matcher searches: the search text, and the raw text of a page without
// markup. Empty when there is no text.
struct FileText {
    QByteArray plain;
    QByteArray raw;
    QByteArray url;
};

// Reads a file for the index whole: st gets its state as it was read.
// False for a file that cannot be read, is no regular file or is too large.
bool ReadWhole(const QByteArray& local, struct stat* st, QByteArray* bytes) {
    QString failure;
    return ReadRegularFile(QFile::decodeName(local), StoreIndex::kTextMax, bytes, &failure, st);
}

FileText ReadText(const QByteArray& bytes) {
    FileText out;
    const QString tag = CtrlFile::FootTagOf(bytes);
    out.url = CtrlFile::GetFootTagAttr(tag, QStringLiteral("dl_src")).toUtf8();
    QString text = CtrlFile::DataText(bytes);
    if (text.isEmpty()) text = tag;
    if (text.isEmpty()) return out;
    const MatcherSearch search = MatcherSearchText(text);
    out.plain = search.text.toUtf8();
    if (!search.markup) out.raw = text.toUtf8();
    return out;
}

}  // namespace

IndexStats StoreIndex::Update(const QString& folder, bool rebuild, const IndexProgressFn& progress,
                              const std::atomic<bool>* stop) {
    IndexStats stats;
    ++updating_;
    struct Done {
        std::atomic<int>& n;
        ~Done() { --n; }
    } done{updating_};
    if (rebuild) {
        std::lock_guard<std::mutex> lock(open_mutex_);
        Discard();
        stats.rebuilt = true;
    }
    auto d = Open(true);
    if (!d) {
        stats.ok = false;
        return stats;
    }
    // Many stale full-text rows: the index is made anew.
    if (!rebuild) {
        Db::Stmt n;
        d->Prepare(n, "SELECT count(*) FROM files");
        const qint64 live = n.Ok() && n.Step() == SQLITE_ROW ? n.Col(0) : 0;
        if (d->Meta("dead") > std::max<qint64>(live, 10000)) {
            d.reset();
            {
                std::lock_guard<std::mutex> lock(open_mutex_);
                Discard();
            }
            stats.rebuilt = true;
            d = Open(true);
            if (!d) {
                stats.ok = false;
                return stats;
            }
        }
    }
    const QByteArray top = QFile::encodeName(QDir::cleanPath(ctrl_.Abs(folder)));
    const auto [low, high] = Below(top);

    QHash<QByteArray, IndexLookup::Entry> known;
    QHash<QByteArray, qint64> checkedAt;
    {
        Db::Stmt st;
        d->Prepare(st,
                   "SELECT path, id, size, mtime, checked FROM files WHERE path>=?1 AND path<?2");
        if (!st.Ok()) {
            stats.ok = false;
            return stats;
        }
        st.Blob(1, low);
        st.Blob(2, high);
        while (st.Step() == SQLITE_ROW) {
            const QByteArray p = st.ColBytes(0);
            known.insert(p, {st.Col(1), st.Col(2), st.Col(3)});
            checkedAt.insert(p, st.Col(4));
        }
    }

    Db::Stmt delFile, addFile, addWords, byPath;
    d->Prepare(byPath, "SELECT id, size, mtime, checked FROM files WHERE path=?1");
    d->Prepare(delFile, "DELETE FROM files WHERE id=?1");
    d->Prepare(addFile,
               "INSERT INTO files(path, size, mtime, checked, ext, url) "
               "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    d->Prepare(addWords, "INSERT INTO words(rowid, plain, raw) VALUES(?1, ?2, ?3)");
    if (!delFile.Ok() || !addFile.Ok() || !addWords.Ok() || !byPath.Ok()) {
        stats.ok = false;
        return stats;
    }

    bool inTx = false;
    int pending = 0;
    qint64 dead = 0;
    auto lastCommit = std::chrono::steady_clock::now();
    auto commit = [&](bool final) {
        if (!inTx) return;
        if (!final && pending < 256 &&
            std::chrono::steady_clock::now() - lastCommit < std::chrono::milliseconds(500)) {
            return;
        }
        if (dead) d->AddMeta("dead", dead);
        dead = 0;
        if (!d->Exec("COMMIT")) stats.ok = false;
        inTx = false;
        pending = 0;
        lastCommit = std::chrono::steady_clock::now();
        if (progress) progress(stats);
    };
    auto begin = [&] {
        if (!inTx) inTx = d->Exec("BEGIN IMMEDIATE");
        return inTx;
    };

    QSet<QByteArray> seen;
    const QByteArray lockName = QFile::encodeName(RunLock::kFileName);
    std::function<void(const QByteArray&)> walk = [&](const QByteArray& dir) {
        DIR* h = ::opendir(dir.constData());
        if (!h) return;
        std::vector<std::pair<QByteArray, unsigned char>> entries;
        while (const dirent* e = ::readdir(h)) {
            const char* n = e->d_name;
            if (!IsStoreEntry(n)) continue;
            entries.emplace_back(QByteArray(n), e->d_type);
        }
        ::closedir(h);
        std::sort(entries.begin(), entries.end());
        for (const auto& [name, type] : entries) {
            if (!stats.ok || (stop && *stop)) return;
            // A name the text services cannot reach is left to the search,
            // with all below it.
            if (!NamedByText(name)) continue;
            const QByteArray path = ChildPath(dir, name);
            struct stat st {};
            if (type == DT_DIR) {
                walk(path);
                continue;
            }
            if (type == DT_UNKNOWN) {
                if (::lstat(path.constData(), &st) != 0) continue;
                if (S_ISDIR(st.st_mode)) {
                    walk(path);
                    continue;
                }
            }
            if (name == lockName || name.contains(" lst.ini")) continue;
            if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            // A file too large to search is left to the search, which says so.
            if (st.st_size > kTextMax) continue;
            ++stats.files;
            seen.insert(path);
            qint64 mtime = MtimeNs(st);
            const auto it = known.constFind(path);
            if (it != known.cend() && it->size == qint64(st.st_size) && it->mtime == mtime &&
                checkedAt.value(path) - mtime >= kSettleNs) {
                ++stats.unchanged;
                continue;
            }
            const qint64 checked = NowNs();
            const QString shown = QFile::decodeName(path);
            FileText text;
            try {
                QByteArray bytes;
                if (!ReadWhole(path, &st, &bytes)) continue;
                mtime = MtimeNs(st);
                text = ReadText(bytes);
            } catch (const std::exception& ex) {
                ctrl_.SaveErrLog(QStringLiteral("StoreIndex Update Error : ") +
                                 QString::fromUtf8(ex.what()) + QStringLiteral("  ") + shown);
                continue;
            }
            if (!begin()) {
                stats.ok = false;
                return;
            }
            // Another writer (the page indexer, another process) may have
            // read the file since the entries were loaded.
            byPath.Blob(1, path);
            const bool had = byPath.Step() == SQLITE_ROW;
            const qint64 oldId = had ? byPath.Col(0) : 0;
            const bool same = had && byPath.Col(1) == qint64(st.st_size) &&
                              byPath.Col(2) == mtime && byPath.Col(3) - mtime >= kSettleNs;
            sqlite3_reset(byPath.s);
            sqlite3_clear_bindings(byPath.s);
            if (same) {
                ++stats.unchanged;
                continue;
            }
            if (had) {
                delFile.Int(1, oldId);
                delFile.Run();
                ++dead;
            }
            addFile.Blob(1, path);
            addFile.Int(2, qint64(st.st_size));
            addFile.Int(3, mtime);
            addFile.Int(4, checked);
            addFile.Text(5, ctrl_.GetUrlExtnsn(QUrl::fromLocalFile(shown).toString()).toUtf8());
            addFile.Text(6, text.url);
            bool ok = addFile.Run();
            const qint64 id = sqlite3_last_insert_rowid(d->db);
            if (ok && (!text.plain.isEmpty() || !text.raw.isEmpty())) {
                addWords.Int(1, id);
                addWords.Text(2, text.plain);
                addWords.Text(3, text.raw);
                ok = addWords.Run();
            }
            if (!ok) {
                stats.ok = false;
                return;
            }
            ++(it != known.cend() ? stats.changed : stats.added);
            ++pending;
            commit(false);
        }
    };
    walk(top);
    stats.stopped = stop && *stop;
    // Entries of files that are gone, once the whole folder was seen.
    if (stats.ok && !stats.stopped) {
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (seen.contains(it.key())) continue;
            if (!begin()) {
                stats.ok = false;
                break;
            }
            delFile.Int(1, it->id);
            delFile.Run();
            ++dead;
            ++stats.removed;
            ++pending;
            commit(false);
        }
    }
    commit(true);
    if (!stats.ok) {
        const int failure = d->last;  // not the rollback's answer
        if (inTx) d->Exec("ROLLBACK");
        ctrl_.SaveErrLog(QStringLiteral("StoreIndex Update Error : ") +
                         QString::fromUtf8(sqlite3_errstr(failure)) + QStringLiteral("  ") +
                         QFile::decodeName(top));
        if (Damaged(failure)) {
            d.reset();
            std::lock_guard<std::mutex> lock(open_mutex_);
            Discard();
        }
    }
    return stats;
}

bool StoreIndex::AddFile(const QString& path) {
    return AddFiles({path}) == 1;
}

// -1: the index could not be written.

int StoreIndex::AddFiles(const std::vector<QString>& paths) {
    auto d = Open(true);
    if (!d) return -1;
    return AddFilesOn(*d, paths);
}

int StoreIndex::AddFilesOn(Db& db, const std::vector<QString>& paths) {
    Db* d = &db;
    Db::Stmt old, del, add, words;
    d->Prepare(old, "SELECT id, size, mtime, checked FROM files WHERE path=?1");
    d->Prepare(del, "DELETE FROM files WHERE id=?1");
    d->Prepare(add,
               "INSERT INTO files(path, size, mtime, checked, ext, url) "
               "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    d->Prepare(words, "INSERT INTO words(rowid, plain, raw) VALUES(?1, ?2, ?3)");
    if (!old.Ok() || !del.Ok() || !add.Ok() || !words.Ok()) return -1;
    // Read first, written in one transaction.
    struct Read {
        QString abs;
        QByteArray local;
        struct stat st {};
        qint64 checked = 0;
        FileText text;
    };
    std::vector<Read> done;
    for (const QString& path : paths) {
        Read r;
        r.abs = QDir::cleanPath(ctrl_.Abs(path));
        r.local = QFile::encodeName(r.abs);
        r.checked = NowNs();
        try {
            QByteArray bytes;
            if (!ReadWhole(r.local, &r.st, &bytes)) continue;
            r.text = ReadText(bytes);
        } catch (const std::exception& ex) {
            ctrl_.SaveErrLog(QStringLiteral("StoreIndex Update Error : ") +
                             QString::fromUtf8(ex.what()) + QStringLiteral("  ") + r.abs);
            continue;
        }
        done.push_back(std::move(r));
    }
    if (done.empty()) return 0;
    if (!d->Exec("BEGIN IMMEDIATE")) return -1;
    int n = 0;
    bool ok = true;
    for (const Read& r : done) {
        old.Blob(1, r.local);
        const bool had = old.Step() == SQLITE_ROW;
        const qint64 oldId = had ? old.Col(0) : 0;
        // An entry read well after the file's change stays: its id may be
        // held by a watcher that trusts it.
        const bool same = had && old.Col(1) == qint64(r.st.st_size) &&
                          old.Col(2) == MtimeNs(r.st) && old.Col(3) - old.Col(2) >= kSettleNs;
        sqlite3_reset(old.s);
        sqlite3_clear_bindings(old.s);
        if (same) {
            ++n;
            continue;
        }
        if (had) {
            del.Int(1, oldId);
            ok = del.Run();
            d->AddMeta("dead", 1);
        }
        if (ok) {
            add.Blob(1, r.local);
            add.Int(2, qint64(r.st.st_size));
            add.Int(3, MtimeNs(r.st));
            add.Int(4, r.checked);
            add.Text(5, ctrl_.GetUrlExtnsn(QUrl::fromLocalFile(r.abs).toString()).toUtf8());
            add.Text(6, r.text.url);
            ok = add.Run();
        }
        if (ok && (!r.text.plain.isEmpty() || !r.text.raw.isEmpty())) {
            words.Int(1, sqlite3_last_insert_rowid(d->db));
            words.Text(2, r.text.plain);
            words.Text(3, r.text.raw);
            ok = words.Run();
        }
        if (!ok) break;
        ++n;
    }
    if (ok) ok = d->Exec("COMMIT");
    if (!ok) {
        d->Exec("ROLLBACK");
        return -1;
    }
    return n;
}

void StoreIndex::PageStored(const QString& path) {
    if (!enabled_ || stop_) return;
    {
        std::lock_guard<std::mutex> lock(page_mutex_);
        if (pages_.size() >= kPageQueueMax) {
            pages_dropped_ = true;  // left to the update at the run's end
            return;
        }
        pages_.push_back({path, std::chrono::steady_clock::now()});
        if (!indexer_.joinable()) {
            try {
                indexer_ = std::thread([this] { IndexPages(); });
            } catch (const std::system_error&) {
                pages_.clear();
                pages_dropped_ = true;
                return;
            }
        }
    }
    pages_ready_.notify_one();
}

void StoreIndex::IndexPages() {
    std::unique_lock<std::mutex> lock(page_mutex_);
    std::unique_ptr<Db> d;  // kept while pages keep coming
    for (;;) {
        if (pages_.empty() && !stop_) {
            d.reset();
            pages_ready_.wait(lock, [&] { return !pages_.empty() || stop_; });
        }
        if (stop_) return;
        // Pages gather for a moment, so that each transaction holds many.
        constexpr size_t kBatch = 256;
        pages_ready_.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return pages_.size() >= kBatch || pages_flush_ || stop_; });
        if (stop_) return;
        // A page is read once it has settled, so that its entry is trusted
        // from the start: an entry read sooner would be ignored by searches
        // and read again by the next update.
        const auto settledAt = [](const QueuedPage& page) {
            return page.at + std::chrono::nanoseconds(kSettleNs) + std::chrono::milliseconds(100);
        };
        while (!pages_.empty() && !pages_flush_ && !stop_ &&
               std::chrono::steady_clock::now() < settledAt(pages_.front()))
            pages_ready_.wait_until(lock, settledAt(pages_.front()),
                                    [&] { return pages_flush_ || stop_; });
        if (stop_) return;
        const auto now = std::chrono::steady_clock::now();
        std::vector<QString> batch;
        if (pages_flush_) {
            // A run ended: what settled is read now (a page the server dated
            // may have settled already); the rest waits for its time, or is
            // left to the next update when the process is leaving.
            std::deque<QueuedPage> all;
            all.swap(pages_);
            pages_flush_ = false;
            const bool leaving = leave_unsettled_;
            ++pages_busy_;  // out of the queue, not yet in the index
            lock.unlock();
            std::deque<QueuedPage> later;
            const qint64 settledBefore = NowNs() - kSettleNs;
            for (QueuedPage& page : all) {
                struct stat st {};
                const QByteArray local = QFile::encodeName(ctrl_.Abs(page.path));
                if (settledAt(page) <= now || ::stat(local.constData(), &st) != 0 ||
                    MtimeNs(st) <= settledBefore) {
                    batch.push_back(std::move(page.path));
                } else if (!leaving) {
                    later.push_back(std::move(page));
                }
            }
            lock.lock();
            --pages_busy_;
            // The process may have begun to end during the sweep.
            if (leave_unsettled_) later.clear();
            pages_.insert(pages_.begin(), std::make_move_iterator(later.begin()),
                          std::make_move_iterator(later.end()));
        } else {
            while (!pages_.empty() && batch.size() < kBatch && settledAt(pages_.front()) <= now) {
                batch.push_back(std::move(pages_.front().path));
                pages_.pop_front();
            }
        }
        if (batch.empty()) {
            pages_idle_.notify_all();
            continue;
        }
        ++pages_busy_;
        lock.unlock();
        if (!d) d = Open(true);
        const int written = d ? AddFilesOn(*d, batch) : -1;
        if (written < 0) d.reset();
        lock.lock();
        --pages_busy_;
        // Pages that could not be written are left to the update at the
        // run's end.
        if (written < 0) pages_dropped_ = true;
        pages_idle_.notify_all();
    }
}

void StoreIndex::LeaveUnsettledPages() {
    {
        std::lock_guard<std::mutex> lock(page_mutex_);
        leave_unsettled_ = true;
        pages_flush_ = !pages_.empty();
    }
    pages_ready_.notify_all();
}

void StoreIndex::RunEnded(const QString& folder) {
    if (!enabled_ || stop_) return;
    bool dropped;
    {
        std::lock_guard<std::mutex> lock(page_mutex_);
        dropped = pages_dropped_ || !indexer_.joinable();
        pages_dropped_ = false;
        pages_flush_ = !pages_.empty();
    }
    // The pages reported during the run are in, or on their way: the rest
    // of the folder is looked at only when some were left out.
    pages_ready_.notify_all();
    if (dropped) {
        UpdateInBackground(folder);
        return;
    }
    StartBackground([this] {
        std::unique_lock<std::mutex> lock(page_mutex_);
        pages_idle_.wait(lock, [&] { return (pages_.empty() && pages_busy_ == 0) || stop_; });
        return IndexStats();
    });
}

std::shared_ptr<const IndexLookup> StoreIndex::Lookup(const QString& folder, const QString& words,
                                                      const Matcher::Options& options) {
    const IndexMatch match = IndexMatchFor(words, options);
    if (match.kind == IndexMatch::Kind::Scan) return nullptr;
    auto d = Open(false);
    if (!d) return nullptr;
    sqlite3_busy_timeout(d->db, 1000);
    auto out = std::make_shared<IndexLookup>();
    const QByteArray top = QFile::encodeName(QDir::cleanPath(ctrl_.Abs(folder)));
    const auto [low, high] = Below(top);
    // One read transaction: the entries and the words agree.
    if (!d->Exec("BEGIN")) return nullptr;
    Db::Stmt st;
    d->Prepare(st, "SELECT path, id, size, mtime, checked FROM files WHERE path>=?1 AND path<?2");
    if (!st.Ok()) return nullptr;
    st.Blob(1, low);
    st.Blob(2, high);
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) {
        const qint64 mtime = st.Col(3);
        if (st.Col(4) - mtime < kSettleNs) continue;
        out->entries_.insert(st.ColBytes(0), {st.Col(1), st.Col(2), mtime});
    }
    bool ok = rc == SQLITE_DONE;
    if (ok && match.kind == IndexMatch::Kind::Match) {
        ok = Choose(*d, match.expression, out->chosen_);
    }
    d->Exec("COMMIT");
    if (ok) ++narrowed_;
    if (!ok) {
        LookupFailed(d);
        return nullptr;
    }
    return out;
}

void StoreIndex::LookupFailed(std::unique_ptr<Db>& d) {
    ctrl_.SaveErrLog(QStringLiteral("StoreIndex Lookup Error : ") +
                     QString::fromUtf8(sqlite3_errstr(d->last)));
    if (Damaged(d->last)) {
        d.reset();
        std::lock_guard<std::mutex> lock(open_mutex_);
        Discard();
    }
}

bool StoreIndex::Choose(Db& d, const QByteArray& expression, QSet<qint64>& chosen) {
    Db::Stmt m;
    d.Prepare(m, "SELECT rowid FROM words WHERE words MATCH ?1");
    if (!m.Ok()) return false;
    m.Text(1, expression);
    int rc;
    while ((rc = m.Step()) == SQLITE_ROW) chosen.insert(m.Col(0));
    return rc == SQLITE_DONE;
}

std::optional<IndexPlan> StoreIndex::Plan(const QString& folder, const QString& words,
                                          const Matcher::Options& options) {
    if (!watching_) return std::nullopt;
    const IndexMatch match = IndexMatchFor(words, options);
    if (match.kind == IndexMatch::Kind::Scan) return std::nullopt;
    auto d = Open(false);
    if (!d) return std::nullopt;
    sqlite3_busy_timeout(d->db, 1000);
    const QString shown = QDir::cleanPath(ctrl_.Abs(folder));
    const QByteArray top = QFile::encodeName(shown);
    // One read: the entries and the words agree.
    if (!d->Exec("BEGIN")) return std::nullopt;
    QSet<qint64> chosen;
    bool ok = match.kind == IndexMatch::Kind::None || Choose(*d, match.expression, chosen);
    Db::Stmt at;
    d->Prepare(at, "SELECT id, size, mtime, checked FROM files WHERE path=?1");
    ok = ok && at.Ok();
    WatchedFolder::Source source;
    source.generation = ok ? d->Meta("generation") : 0;
    source.below = [&] {
        std::unordered_map<QByteArray, IndexEntry> out;
        Db::Stmt st;
        d->Prepare(st,
                   "SELECT path, id, size, mtime, checked FROM files WHERE path>=?1 AND path<?2");
        if (!st.Ok()) return out;
        const auto [low, high] = Below(top);
        st.Blob(1, low);
        st.Blob(2, high);
        while (st.Step() == SQLITE_ROW) {
            if (st.Col(4) - st.Col(3) < kSettleNs) continue;
            out.emplace(st.ColBytes(0), IndexEntry{st.Col(1), st.Col(2), st.Col(3)});
        }
        return out;
    };
    source.at = [&](const QByteArray& path) -> std::optional<IndexEntry> {
        at.Blob(1, path);
        std::optional<IndexEntry> e;
        if (at.Step() == SQLITE_ROW && at.Col(3) - at.Col(2) >= kSettleNs)
            e = IndexEntry{at.Col(0), at.Col(1), at.Col(2)};
        sqlite3_reset(at.s);
        sqlite3_clear_bindings(at.s);
        return e;
    };
    std::optional<IndexPlan> plan;
    if (ok) {
        std::lock_guard<std::mutex> lock(watch_mutex_);
        auto it = std::find_if(watched_.begin(), watched_.end(),
                               [&](const auto& w) { return w->Top() == top; });
        if (it == watched_.end()) {
            // A few folders at a time; the one searched longest ago goes.
            constexpr size_t kMaxWatched = 4;
            if (watched_.size() >= kMaxWatched) watched_.pop_back();
            watched_.insert(watched_.begin(), std::make_unique<WatchedFolder>(top, shown));
        } else {
            std::rotate(watched_.begin(), it, it + 1);
        }
        plan = watched_.front()->Plan(source, &chosen);
    }
    d->Exec("COMMIT");
    if (plan) ++narrowed_;
    if (!ok) LookupFailed(d);
    return plan;
}

int StoreIndex::WatchWalks() {
    std::lock_guard<std::mutex> lock(watch_mutex_);
    int n = 0;
    for (const auto& w : watched_) n += w->Walks();
    return n;
}

}  // namespace korvi
