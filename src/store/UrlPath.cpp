#include "store/UrlPath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <exception>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "shell/Assist.h"
#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr qsizetype kLongSegment = 250;   // a path segment this long becomes a query
constexpr qsizetype kSegmentMax = 32;     // stored segments are cut to this length
constexpr qsizetype kFolderMax = 256;     // folder length (with a 32 reserve) before "~"
constexpr qsizetype kHostBytesMax = 255;  // a Linux file name holds at most 255 bytes

const QString kListName = QString::fromLatin1(kQueryListName);
const QString kListFileSuffix = QStringLiteral(" lst.ini");

// Host as written (no user information, no port) and the "file" part
// (everything after the authority) of an absolute URL that QUrl accepted.
void SplitRaw(QStringView url, QStringView* host, QStringView* file) {
    const qsizetype colon = url.indexOf(u':');
    QStringView rest = url.mid(colon + 1);
    *host = QStringView();
    if (!rest.startsWith(u"//")) {
        *file = rest;
        return;
    }
    rest = rest.mid(2);
    qsizetype end = 0;
    while (end < rest.size()) {
        const QChar c = rest.at(end);
        if (c == u'/' || c == u'?' || c == u'#') break;
        ++end;
    }
    QStringView authority = rest.left(end);
    *file = rest.mid(end);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) authority = authority.mid(at + 1);
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        *host = close < 0 ? authority : authority.left(close + 1);
        return;
    }
    const qsizetype port = authority.lastIndexOf(u':');
    *host = port < 0 ? authority : authority.left(port);
}

void AppendHex(QString& out, char16_t c) {
    static const char digits[] = "0123456789ABCDEF";
    out += u'%';
    out += QLatin1Char(digits[(c >> 4) & 0xF]);
    out += QLatin1Char(digits[c & 0xF]);
}

// The character escapes of a stored path; control characters (never valid
// in a name we want to write, NUL not at all) become %XX as well.
QString EscapePath(QStringView path) {
    QString out;
    out.reserve(path.size() + 16);
    for (const QChar qc : path) {
        const char16_t c = qc.unicode();
        switch (c) {
            case u':':
                out += u"%3A";
                break;
            case u',':
                out += u"%2C";
                break;
            case u';':
                out += u"%2A";
                break;
            case u'*':
                out += u"%2A";
                break;
            case u'?':
                out += u"%3F";
                break;
            case u'"':
                out += u"%22";
                break;
            case u'<':
                out += u"%3C";
                break;
            case u'>':
                out += u"%3E";
                break;
            case u'|':
                out += u"%7C";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    AppendHex(out, c);
                } else {
                    out += qc;
                }
        }
    }
    return out;
}

// "." and ".." never name a folder level of their own.
QString NeutralDots(const QString& name) {
    if (name == u".") return QStringLiteral("%2E");
    if (name == u"..") return QStringLiteral("%2E%2E");
    return name;
}

// ":" and the port when the URL names one that is not its scheme's default:
// two sites on one host differ by port and must not share a folder.
QString PortSuffix(const QUrl& url) {
    const int port = url.port();
    if (port < 0) return QString();
    const QString scheme = url.scheme().toLower();
    if ((scheme == u"http" && port == 80) || (scheme == u"https" && port == 443) ||
        (scheme == u"ftp" && port == 21)) {
        return QString();
    }
    return u':' + QString::number(port);
}

QString HostFolder(QStringView rawHost, const QString& portSuffix) {
    QString host;
    host.reserve(rawHost.size());
    for (const QChar qc : rawHost) {
        const char16_t c = qc.unicode();
        if (c < 0x20 || c == 0x7F || c == u'/') {
            AppendHex(host, c);
        } else {
            host += qc;
        }
    }
    const qsizetype bytesMax = kHostBytesMax - portSuffix.size();
    if (host.size() * 3 > bytesMax) {
        while (host.toUtf8().size() > bytesMax) {
            host.chop(host.size() >= 2 && host.at(host.size() - 1).isLowSurrogate() ? 2 : 1);
        }
    }
    return portSuffix.isEmpty() ? NeutralDots(host) : host + portSuffix;
}

// The first 32 units of a segment, never splitting a surrogate pair.
QStringView CutSegment(QStringView seg) {
    if (seg.size() <= kSegmentMax) return seg;
    qsizetype n = kSegmentMax;
    if (seg.at(n - 1).isHighSurrogate()) --n;
    return seg.left(n);
}

// "~" and eight hex digits of the whole name: two names that share their
// first 32 units get different stored names, the same on every run.
QString CutSuffix(QStringView whole) {
    const QByteArray sum =
        QCryptographicHash::hash(whole.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return u'~' + QString::fromLatin1(sum);
}

// A real file named like a numbered query file of a query folder ("p_/00000001.cgi")
// would share its stored file; its first digit is written as an escape.
bool LooksLikeQueryFile(const QString& folder, const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[0-9]{8}\\.cgi$"));
    return folder.endsWith(u'_') && re.match(name).hasMatch();
}

}  // namespace

QString QueryFileName(int n) {
    return Assist::ChngNoToZeroStr(n, 8) + QStringLiteral(".cgi");
}

bool PathStaysBelow(const QString& prefix, const QString& path) {
    if (!path.startsWith(prefix) || path.size() <= prefix.size() + 1 ||
        path.at(prefix.size()) != u'/') {
        return false;
    }
    const QStringView rest = QStringView(path).mid(prefix.size() + 1);
    for (const QStringView part : rest.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..") return false;
        if (part.contains(QChar(0))) return false;
    }
    return true;
}

UrlMapping MapUrl(const QString& url, const QString& root, const QString& runId, bool cutSuffix) {
    UrlMapping m;
    if (url.startsWith(QStringLiteral("file:/"))) {
        // A local file stays where it is.
        const QUrl local(url);
        m.path = local.isValid() ? local.toLocalFile() : QString();
        if (m.path.isEmpty()) {
            m.error = local.isValid() ? QStringLiteral("not a local file") : local.errorString();
        }
        return m;
    }
    const QString base = root + u'/' + runId;
    if (url.isEmpty()) {
        m.path = base + QStringLiteral("/index.html");
        return m;
    }

    const QUrl parsed(url, QUrl::TolerantMode);
    if (!parsed.isValid()) {
        m.error = parsed.errorString();
        return m;
    }
    if (parsed.scheme().isEmpty()) {
        m.error = QStringLiteral("no protocol: ") + url;
        return m;
    }
    QStringView rawHost;
    QStringView filePart;
    SplitRaw(url, &rawHost, &filePart);

    // Fragment.
    const qsizetype hash = filePart.indexOf(u'#');
    if (hash >= 0) filePart = filePart.left(hash);

    // Query.
    QString path;
    bool hasQuery = false;
    qsizetype sep = filePart.indexOf(u'?');
    if (sep <= 0) {
        sep = filePart.indexOf(u';');
        if (sep <= 0) sep = filePart.indexOf(u'&');
    }
    if (sep >= 0) {
        m.query = filePart.mid(sep + 1).toString();
        path = filePart.left(sep).toString() + QStringLiteral("_/") + kListName;
        hasQuery = true;
    } else {
        path = filePart.toString();
    }
    // A URL that ends in "/" names a folder, whatever its last name holds.
    const bool folderUrl = !hasQuery && path.endsWith(u'/');

    // Over-long segment: the rest moves into the query.
    qsizetype prev = 0;
    for (;;) {
        const qsizetype next = path.indexOf(u'/', prev + 1);
        const qsizetype end = next < 0 ? path.size() - 1 : next;
        if (end - prev >= kLongSegment) {
            const qsizetype cut = prev + kLongSegment;
            const QString rest = path.mid(cut);
            m.query = hasQuery ? rest + u'?' + m.query : rest;
            hasQuery = true;
            path = path.left(cut) + QStringLiteral("_/") + kListName;
            break;
        }
        if (next < 0) break;
        prev = next;
    }

    path = EscapePath(path);

    QString folder = base + u'/';
    if (rawHost.isEmpty()) {
        m.unknownHost = true;
        folder += QStringLiteral("Unknown Host");
    } else {
        folder += HostFolder(rawHost, PortSuffix(parsed));
    }

    // Segments; the last one is a file when it holds a ".".
    QStringView last;
    bool any = false;
    for (const QStringView seg : QStringView(path).split(u'/', Qt::SkipEmptyParts)) {
        if (any) {
            QString name = NeutralDots(CutSegment(last).toString());
            if (folder.size() + 1 + name.size() + kSegmentMax >= kFolderMax) {
                name = QStringLiteral("~");
            }
            folder += u'/';
            folder += name;
        }
        last = seg;
        any = true;
    }
    QString result;
    if (!any) {
        result = folder + QStringLiteral("/index.html");
    } else {
        QString name = CutSegment(last).toString();
        const bool file = name.contains(u'.') && !folderUrl;
        m.lastCut = name.size() < last.size();
        if (m.lastCut && cutSuffix) name += CutSuffix(last);
        if (file && !hasQuery && LooksLikeQueryFile(folder, name)) {
            QString escaped;
            AppendHex(escaped, name.at(0).unicode());
            name = escaped + name.mid(1);
        }
        result = folder + u'/' + NeutralDots(name);
        if (folderUrl && name.contains(u'.')) m.formerPath = result;
        if (!file) result += QStringLiteral("/index.html");
    }

    // A stored file never passes for the link list of a page: the blank of
    // a trailing " lst.ini" is written as the URL escapes it.
    if (result.endsWith(kListFileSuffix)) {
        result.replace(result.size() - kListFileSuffix.size(), 1, QStringLiteral("%20"));
    }

    if (!result.startsWith(base + u'/')) result = base + u'/' + result;
    // Parent references below the run folder; a download root such as
    // "../store" is the user's choice and stays as it is.
    QString below = result.mid(base.size() + 1);
    below.replace(QStringLiteral("../"), QStringLiteral("%2E%2E/"));
    result = base + u'/' + below;

    if (!PathStaysBelow(base, result)) {
        m.error = QStringLiteral("path leaves the run folder: ") + result;
        m.localError = true;
        return m;
    }
    if (!m.formerPath.isEmpty()) {
        if (!m.formerPath.startsWith(base + u'/')) m.formerPath = base + u'/' + m.formerPath;
        QString former = m.formerPath.mid(base.size() + 1);
        former.replace(QStringLiteral("../"), QStringLiteral("%2E%2E/"));
        m.formerPath =
            PathStaysBelow(base, base + u'/' + former) ? base + u'/' + former : QString();
    }
    m.path = result;
    m.queryList = result.endsWith(u'/' + kListName);
    if (m.queryList && !hasQuery) m.query = QString("");
    return m;
}

// One line of the query list per query: a line break inside a query would
// split it over two lines and it would never be found again.
QString ListableQuery(const QString& query) {
    QString q = QString::fromUtf8(query.toUtf8());  // lone surrogates do not survive a file
    q.replace(u'\r', QStringLiteral("%0D"));
    q.replace(u'\n', QStringLiteral("%0A"));
    return q;
}

namespace {

constexpr qsizetype kListsKept = 512;  // query lists remembered at a time

void FileStamp(const QString& file, qint64* size, qint64* mtime) {
    const QFileInfo info(file);
    *size = info.exists() ? info.size() : 0;
    *mtime = info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1;
}

bool ReadList(const QString& file, QString* text, bool* utf8, QString* failure) {
    text->clear();
    *utf8 = true;
    if (!QFileInfo::exists(file)) return true;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *failure = in.errorString();
        return false;
    }
    const DecodedText d = DecodeTextDetail(in.readAll());
    *text = d.text;
    *utf8 = qstrcmp(d.encoding, "UTF-8") == 0;
    return true;
}

// Holds the query list against other processes from the check of the cached
// numbers to the append of a new line (an advisory lock on the list itself).
class ListFileLock {
public:
    explicit ListFileLock(const QString& file) {
        fd_ = ::open(QFile::encodeName(file).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~ListFileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    ListFileLock(const ListFileLock&) = delete;
    ListFileLock& operator=(const ListFileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

int CtrlFile::QueryNumberLocked(const QString& listPath, const QString& rawQuery,
                                QString* failure) {
    const QString query = ListableQuery(rawQuery);
    const QString file = Abs(listPath);
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        *failure = QStringLiteral("cannot create ") + folder;
        return -1;
    }
    // Without the lock (a list that cannot be opened) the numbers are taken
    // as before; writing the list then fails as it would have.
    const ListFileLock held(file);
    qint64 size = 0;
    qint64 mtime = 0;
    FileStamp(file, &size, &mtime);
    if (!query_lists_.contains(file) && query_lists_.size() >= kListsKept) query_lists_.clear();
    QueryList& list = query_lists_[file];
    if (list.size != size || list.mtime != mtime) {
        QString text;
        if (!ReadList(file, &text, &list.utf8, failure)) {
            query_lists_.remove(file);
            return -1;
        }
        list.index.clear();
        list.count = 0;
        qsizetype from = 0;
        while (from < text.size()) {
            qsizetype nl = text.indexOf(u'\n', from);
            if (nl < 0) nl = text.size();
            QStringView line = QStringView(text).mid(from, nl - from);
            if (line.endsWith(u'\r')) line.chop(1);
            const QString key = line.toString();
            if (!list.index.contains(key)) list.index.insert(key, list.count);
            ++list.count;
            from = nl + 1;
        }
        list.open_line = !text.isEmpty() && !text.endsWith(u'\n');
        list.size = size;
        list.mtime = mtime;
    }
    const auto found = list.index.constFind(query);
    if (found != list.index.constEnd()) return found.value();

    // Every line ends with "\n", so an empty query is a line of its own. The
    // list only ever grows: appending the new line is writing the list back,
    // unless the list came in another encoding and is rewritten in ours.
    QString add;
    if (list.open_line) add += u'\n';
    add += query;
    add += u'\n';
    QByteArray bytes;
    if (list.utf8) {
        bytes = EncodeText(add);
    } else {
        QString text;
        bool utf8 = true;
        if (!ReadList(file, &text, &utf8, failure)) {
            query_lists_.remove(file);
            return -1;
        }
        bytes = EncodeText(text + add);
    }
    QFile out(file);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | (list.utf8 ? QIODevice::Append : QIODevice::Truncate);
    if (!out.open(mode) || out.write(bytes) != bytes.size() || !out.flush()) {
        *failure = out.errorString();
        query_lists_.remove(file);
        return -1;
    }
    out.close();
    const int number = list.count;
    list.index.insert(query, number);
    ++list.count;
    list.open_line = false;
    list.utf8 = true;
    FileStamp(file, &list.size, &list.mtime);
    return number;
}

bool CtrlFile::CutNameTakenLocked(const QString& path, const QString& url, bool record) {
    const auto held = cut_names_.constFind(path);
    if (held != cut_names_.constEnd()) return held.value() != url;
    // A copy from an earlier process says in its trailer tag whose it is.
    const QString file = Abs(path);
    if (QFileInfo(file).isFile()) {
        const QString src = GetFootTagAttr(GetFootTag(file), QStringLiteral("dl_src"));
        if (!src.isEmpty() && src != url) return true;
    }
    if (record) {
        if (cut_names_.size() >= 65536) cut_names_.clear();
        cut_names_.insert(path, url);
    }
    return false;
}

QString CtrlFile::MapLocked(const QString& url, bool record) {
    UrlMapping m = MapUrl(url, LogRoot(), RunId());
    if (!m.error.isEmpty()) {
        SaveErrLog((m.localError ? QStringLiteral("Get Log Folder Local Error : ")
                                 : QStringLiteral("Get Log Folder Error : ")) +
                   url + QStringLiteral("  e = ") + m.error);
        return QString("");
    }
    if (m.unknownHost) {
        std::fprintf(stderr, "Unknown Host Error:%s\n", url.toUtf8().constData());
    }
    if (m.lastCut) {
        const qsizetype hash = url.indexOf(u'#');
        const QString key = hash < 0 ? url : url.left(hash);
        if (CutNameTakenLocked(m.path, key, record)) m = MapUrl(url, LogRoot(), RunId(), true);
    }
    // A run stored before folder URLs kept their pages inside the folder
    // still finds its copy under the file name.
    if (!m.formerPath.isEmpty() && QFileInfo(Abs(m.formerPath)).isFile()) return m.formerPath;
    if (!m.queryList) return m.path;
    QString failure;
    int n = -1;
    if (record) {
        n = QueryNumberLocked(m.path, m.query, &failure);
    } else {
        QString text;
        bool utf8 = true;
        if (ReadList(Abs(m.path), &text, &utf8, &failure)) {
            QStringList lines = text.split(u'\n');
            if (lines.last().isEmpty()) lines.removeLast();
            for (QString& line : lines) {
                if (line.endsWith(u'\r')) line.chop(1);
            }
            const QString query = ListableQuery(m.query);
            n = int(lines.indexOf(query));
            if (n < 0) {
                // Queries peeked at but never listed follow the list in the
                // order they were first asked for.
                QStringList& extra = peeked_[Abs(m.path)];
                extra.removeIf([&lines](const QString& q) { return lines.contains(q); });
                qsizetype at = extra.indexOf(query);
                if (at < 0) {
                    if (extra.size() >= 4096) extra.clear();
                    extra.append(query);
                    at = extra.size() - 1;
                }
                n = int(lines.size() + at);
            }
        }
    }
    if (n < 0) {
        SaveErrLog(QStringLiteral("Get Log Folder Local Error : ") + url +
                   QStringLiteral("  e = ") + failure);
        return QString("");
    }
    return m.path.left(m.path.size() - kListName.size()) + QueryFileName(n);
}

QString CtrlFile::GetLogFrdr(const QString& url) {
    QMutexLocker lock(&map_mutex_);
    try {
        return MapLocked(url, true);
    } catch (const std::exception& e) {
        SaveErrLog(QStringLiteral("Get Log Folder Local Error : ") + url +
                   QStringLiteral("  e = ") + QString::fromLocal8Bit(e.what()));
        return QString("");
    }
}

QString CtrlFile::PeekLogFrdr(const QString& url) {
    QMutexLocker lock(&map_mutex_);
    try {
        return MapLocked(url, false);
    } catch (const std::exception& e) {
        SaveErrLog(QStringLiteral("Get Log Folder Local Error : ") + url +
                   QStringLiteral("  e = ") + QString::fromLocal8Bit(e.what()));
        return QString("");
    }
}

QString CtrlFile::StoredPath(const QString& url) {
    const QString path = PeekLogFrdr(url);
    if (path.isEmpty()) return QString();
    if (QFileInfo(Abs(path)).isFile()) return path;
    const QString html = path + QStringLiteral(".html");
    return QFileInfo(Abs(html)).isFile() ? html : QString();
}

void CtrlFile::ForgetQuery(const QString& url) {
    QMutexLocker lock(&map_mutex_);
    const UrlMapping m = MapUrl(url, LogRoot(), RunId());
    if (!m.error.isEmpty() || !m.queryList) return;
    const QString file = Abs(m.path);
    if (!QFileInfo(file).isFile()) return;
    const ListFileLock held(file);
    QString text;
    bool utf8 = true;
    QString failure;
    if (!ReadList(file, &text, &utf8, &failure) || !utf8 || !text.endsWith(u'\n')) return;
    const QString line = ListableQuery(m.query) + u'\n';
    const qsizetype start = text.size() - line.size();
    if (start < 0 || QStringView(text).mid(start) != line ||
        (start > 0 && text.at(start - 1) != u'\n')) {
        return;
    }
    // The line's own number: a file stored under it keeps the line.
    const int number = int(QStringView(text).left(start).count(u'\n'));
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo::exists(folder + u'/' + QueryFileName(number))) return;
    query_lists_.remove(file);
    if (start == 0) {
        QFile::remove(file);
        QDir().rmdir(folder);  // only when nothing else is in it
        return;
    }
    QFile out(file);
    if (out.open(QIODevice::ReadWrite)) out.resize(EncodeText(text.left(start)).size());
}

}  // namespace korvi
