#include "store/FolderService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "store/CtrlFile.h"
#include "store/RunLock.h"

namespace korvi {

namespace {

const QString kDelErr = QStringLiteral("C_File DelDir Error : ");
const QString kCopyErr = QStringLiteral("C_File CopyDir Error : ");
const QString kCmbErr = QStringLiteral("C_File CmbDir Error : ");

QStringList Names(const QString& dir) {
    QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end());
    return names;
}

bool Present(const QFileInfo& fi) {
    return fi.isSymLink() || fi.exists();
}
bool RealDir(const QFileInfo& fi) {
    return fi.isDir() && !fi.isSymLink();
}
bool RealFile(const QFileInfo& fi) {
    return fi.isFile() && !fi.isSymLink();
}

// True when path is base or lies below it.
bool Within(const QString& path, const QString& base) {
    if (base == QStringLiteral("/")) return true;
    return path == base || path.startsWith(base + u'/');
}

}  // namespace

FolderService::FolderService(CtrlFile& ctrl) : ctrl_(ctrl) {}

void FolderService::ResetCounts() {
    for (auto* c : {&del_dirs_, &del_files_, &del_bytes_, &mov_dirs_, &mov_files_, &mov_bytes_,
                    &dup_dirs_, &dup_files_, &dup_bytes_}) {
        c->store(0);
    }
}

FldrCounts FolderService::Counts() const {
    return {del_dirs_.load(), del_files_.load(), del_bytes_.load(),
            mov_dirs_.load(), mov_files_.load(), mov_bytes_.load(),
            dup_dirs_.load(), dup_files_.load(), dup_bytes_.load()};
}

void FolderService::Fail(const QString& prefix, const QString& what, const QString& path) {
    ctrl_.SaveErrLog(prefix + what + QStringLiteral("  ") + path);
}

QString FolderService::Resolve(const QString& path) const {
    const QString clean = QDir::cleanPath(ctrl_.Abs(path));
    if (clean == QStringLiteral("/")) return clean;
    const QFileInfo fi(clean);
    QString parent = fi.absolutePath();
    QString tail = fi.fileName();
    // Resolve the deepest parent that exists; the rest cannot hold links yet.
    while (!QFileInfo(parent).exists() && parent != QStringLiteral("/")) {
        const QFileInfo p(parent);
        tail = p.fileName() + u'/' + tail;
        parent = p.absolutePath();
    }
    QString canon = QFileInfo(parent).canonicalFilePath();
    if (canon.isEmpty()) canon = parent;
    return QDir::cleanPath(canon + u'/' + tail);
}

QString FolderService::SafeRoot() const {
    const QFileInfo fi(ctrl_.Abs(ctrl_.LogRoot()));
    if (!fi.isDir()) return QString();
    const QString root = fi.canonicalFilePath();
    const QString home = QFileInfo(ctrl_.Home()).canonicalFilePath();
    // A root that holds the program's own folder would take settings with it.
    if (root.isEmpty() || root == QStringLiteral("/")) return QString();
    if (!home.isEmpty() && Within(home, root)) return QString();
    return root;
}

QString FolderService::InsideRoot(const QString& path) const {
    const QString root = SafeRoot();
    if (root.isEmpty()) return QString();
    const QString p = Resolve(path);
    return p.startsWith(root + u'/') ? p : QString();
}

QStringList FolderService::LsDir(const QString& dir) const {
    const QString abs = ctrl_.Abs(dir);
    if (!RealDir(QFileInfo(abs))) return {};
    return Names(abs);
}

qint64 FolderService::SzDir(const QString& path) const {
    const QString abs = ctrl_.Abs(path);
    const QFileInfo fi(abs);
    if (fi.isSymLink()) return 0;
    if (fi.isFile()) return fi.size();
    if (!fi.isDir()) return 0;
    qint64 total = 0;
    for (const QString& name : Names(abs)) total += SzDir(abs + u'/' + name);
    return total;
}

bool FolderService::DelDir(const QString& path) {
    const QString p = InsideRoot(path);
    if (p.isEmpty()) {
        Fail(kDelErr, QStringLiteral("outside the download root"), path);
        return false;
    }
    if (!Present(QFileInfo(p))) return false;
    return DelTree(p);
}

bool FolderService::DelTree(const QString& path) {
    const QFileInfo fi(path);
    if (!RealDir(fi)) {
        const qint64 size = RealFile(fi) ? fi.size() : 0;
        if (!QFile::remove(path)) {
            Fail(kDelErr, QStringLiteral("cannot delete"), path);
            return false;
        }
        del_files_ += 1;
        del_bytes_ += size;
        return true;
    }
    // The folder of a live run stays whole; held meanwhile, no run starts in it.
    const QStringList names = Names(path);
    RunLock hold;
    if (names.contains(RunLock::kFileName) && !hold.Take(path)) {
        Fail(kDelErr, QStringLiteral("in use by a running crawl"), path);
        return false;
    }
    bool all = true;
    for (const QString& name : names) {
        if (hold.Held() && name == RunLock::kFileName) continue;
        all = DelTree(path + u'/' + name) && all;
    }
    hold.Release();
    if (!all) return false;
    if (!QDir().rmdir(path)) {
        Fail(kDelErr, QStringLiteral("cannot delete"), path);
        return false;
    }
    del_dirs_ += 1;
    return true;
}

bool FolderService::CopyDir(const QString& from, const QString& to) {
    const QString src = InsideRoot(from);
    if (src.isEmpty() || !RealDir(QFileInfo(src))) {
        Fail(kCopyErr, QStringLiteral("no such folder in the download root"), from);
        return false;
    }
    const QString dst = Resolve(to);
    if (Within(dst, src)) {
        Fail(kCopyErr, QStringLiteral("target inside the source"), to);
        return false;
    }
    return CopyTree(src, dst);
}

bool FolderService::CopyTree(const QString& from, const QString& to) {
    const QFileInfo fi(from);
    const QFileInfo target(to);
    if (fi.isSymLink()) {
        if (Present(target) && !QFile::remove(to)) {
            Fail(kCopyErr, QStringLiteral("cannot replace"), to);
            return false;
        }
        if (!QFile::link(fi.symLinkTarget(), to)) {
            Fail(kCopyErr, QStringLiteral("cannot link"), to);
            return false;
        }
        return true;
    }
    if (fi.isFile()) {
        if (target.isSymLink() || target.isDir()) {
            Fail(kCopyErr, QStringLiteral("target is not a file"), to);
            return false;
        }
        return ctrl_.CopyFile(from, to);
    }
    if (target.isSymLink() || (Present(target) && !target.isDir()) || !QDir().mkpath(to)) {
        Fail(kCopyErr, QStringLiteral("cannot create folder"), to);
        return false;
    }
    bool all = true;
    for (const QString& name : Names(from)) {
        all = CopyTree(from + u'/' + name, to + u'/' + name) && all;
    }
    return all;
}

bool FolderService::CmbDir(const QString& from, const QString& to) {
    const QString src = InsideRoot(from);
    const QString dst = InsideRoot(to);
    if (src.isEmpty() || dst.isEmpty() || !RealDir(QFileInfo(src))) {
        Fail(kCmbErr, QStringLiteral("no such folder in the download root"), from);
        return false;
    }
    if (Within(dst, src) || Within(src, dst)) {
        Fail(kCmbErr, QStringLiteral("folders inside each other"),
             from + QStringLiteral("  ") + to);
        return false;
    }
    const QFileInfo target(dst);
    if (RealDir(target)) {
        dup_dirs_ += 1;
    } else if (!Present(target) && QDir().mkdir(dst)) {
        mov_dirs_ += 1;
    } else {
        Fail(kCmbErr, QStringLiteral("target is not a folder"), to);
        return false;
    }
    if (!CmbDir2(src, dst)) {
        Fail(kCmbErr, QStringLiteral("not everything merged, the rest is kept"), from);
        return false;
    }
    return true;
}

// Each source entry is deleted as soon as the target holds it, and a source
// folder once it is empty; whatever could not be placed stays where it was.
bool FolderService::CmbDir2(const QString& from, const QString& to) {
    const QStringList names = Names(from);
    RunLock hold;
    if (names.contains(RunLock::kFileName) && !hold.Take(from)) {
        Fail(kCmbErr, QStringLiteral("in use by a running crawl"), from);
        return false;
    }
    bool all = true;
    for (const QString& name : names) {
        if (hold.Held() && name == RunLock::kFileName) continue;
        const QString s = from + u'/' + name;
        const QString d = to + u'/' + name;
        const QFileInfo sf(s);
        const QFileInfo df(d);
        if (sf.isSymLink() || !sf.isDir()) {
            const qint64 size = RealFile(sf) ? sf.size() : 0;
            if (Present(df)) {
                if (RealDir(df)) {
                    Fail(kCmbErr, QStringLiteral("a folder of that name exists"), d);
                    all = false;
                    continue;
                }
                dup_files_ += 1;
                dup_bytes_ += size;
            } else {
                const bool placed =
                    sf.isSymLink() ? QFile::link(sf.symLinkTarget(), d) : ctrl_.CopyFile(s, d);
                if (!placed) {
                    Fail(kCmbErr, QStringLiteral("cannot place"), d);
                    all = false;
                    continue;
                }
                mov_files_ += 1;
                mov_bytes_ += size;
            }
            all = DelTree(s) && all;
            continue;
        }
        if (RealDir(df)) {
            dup_dirs_ += 1;
        } else if (!Present(df) && QDir().mkdir(d)) {
            mov_dirs_ += 1;
        } else {
            Fail(kCmbErr, QStringLiteral("a file of that name exists"), d);
            all = false;
            continue;
        }
        all = CmbDir2(s, d) && all;
    }
    hold.Release();
    if (!all) return false;
    if (!Names(from).isEmpty() || !QDir().rmdir(from)) {
        Fail(kCmbErr, QStringLiteral("source not empty after merge"), from);
        return false;
    }
    del_dirs_ += 1;
    return true;
}

int FolderService::DelVoidDir(const QString& dir, const ProgressFn& progress) {
    const QString p = Resolve(dir);
    const QString root = SafeRoot();
    if (root.isEmpty() || !Within(p, root) || !RealDir(QFileInfo(p))) return 0;
    qint64 folders = 0;
    qint64 files = 0;
    const int removed = VoidSweep(p, folders, files, progress);
    if (progress) {
        progress(QStringLiteral("  空ディレクトリ検索中 フォルダ数 = ") + QString::number(folders) +
                 QStringLiteral("  ファイル数 = ") + QString::number(files) +
                 QStringLiteral(" -> 終了"));
    }
    return removed;
}

int FolderService::VoidSweep(const QString& dir, qint64& folders, qint64& files,
                             const ProgressFn& progress) {
    int removed = 0;
    for (const QString& name : Names(dir)) {
        const QString child = dir + u'/' + name;
        const QFileInfo fi(child);
        if (!RealDir(fi)) {
            ++files;
            continue;
        }
        ++folders;
        if (progress) {
            progress(QStringLiteral("  空ディレクトリ検索中 フォルダ数 = ") +
                     QString::number(folders) + QStringLiteral("  ファイル数 = ") +
                     QString::number(files));
        }
        removed += VoidSweep(child, folders, files, progress);
        if (Names(child).isEmpty() && QDir().rmdir(child)) ++removed;
    }
    return removed;
}

int FolderService::DelVoidDirOnce(const QString& dir, const ProgressFn& progress) {
    const QString p = Resolve(dir);
    const QString root = SafeRoot();
    if (root.isEmpty() || !Within(p, root) || !RealDir(QFileInfo(p))) return 0;
    int removed = 0;
    qint64 folders = 0;
    for (const QString& name : Names(p)) {
        const QString child = p + u'/' + name;
        if (!RealDir(QFileInfo(child))) continue;
        ++folders;
        if (progress) {
            progress(QStringLiteral("  表層空ディレクトリ検索中 フォルダ数 = ") +
                     QString::number(folders));
        }
        if (Names(child).isEmpty() && QDir().rmdir(child)) ++removed;
    }
    if (progress) {
        progress(QStringLiteral("  表層空ディレクトリ検索中 フォルダ数 = ") +
                 QString::number(folders) + QStringLiteral(" -> 終了"));
    }
    return removed;
}

}  // namespace korvi
