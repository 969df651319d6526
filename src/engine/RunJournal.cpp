#include "engine/RunJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <map>

#include <fcntl.h>
#include <unistd.h>

#include "store/RunLock.h"

namespace korvi {

namespace {

const QString kHeader = QStringLiteral("KORVI-JOURNAL");
const QString kVersion = QStringLiteral("1");
const QString kValue = QStringLiteral("V");
const QString kRowTag = QStringLiteral("R");
const QString kEnd = QStringLiteral("E");
constexpr int kRowFields = 12;
// The end record is looked for in this many trailing bytes.
constexpr qint64 kTail = 64 * 1024;

quint32 Fnv1a(const char* data, qsizetype size) {
    quint32 h = 2166136261u;
    for (qsizetype i = 0; i < size; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 16777619u;
    }
    return h;
}

QString Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        out += n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
    }
    return out;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QString JournalPath(const QString& folder) {
    return folder + u'/' + RunJournal::kFileName;
}

bool ToRow(const QStringList& f, RunRow* row) {
    if (f.size() != kRowFields + 1) return false;
    bool okNo = false;
    bool okState = false;
    bool okDepth = false;
    row->no = f[1].toInt(&okNo);
    row->state = f[2].toInt(&okState);
    row->result = f[3];
    row->depth = f[4].toInt(&okDepth);
    row->context = f[5];
    row->title = f[6];
    row->url = f[7];
    row->size = f[8];
    row->dlLen = f[9];
    row->planLen = f[10];
    row->ext = f[11];
    row->ref = f[12];
    return okNo && okState && okDepth && row->no > 0;
}

// True when the journal's first line is a journal header.
bool HasHeader(const QByteArray& bytes) {
    const qsizetype nl = bytes.indexOf('\n');
    QStringList f;
    return nl > 0 && RunJournal::ParseLine(bytes.left(nl), &f) && f.size() == 2 && f[0] == kHeader;
}

}  // namespace

QString JournalData::Value(const QString& key) const {
    for (const auto& [k, v] : values)
        if (k == key) return v;
    return QString();
}

QStringList JournalData::Values(const QString& key) const {
    QStringList out;
    for (const auto& [k, v] : values)
        if (k == key) out << v;
    return out;
}

RunJournal::~RunJournal() {
    Close();
}

QByteArray RunJournal::Line(const QStringList& fields) {
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString& f : fields) escaped << Escape(f);
    QByteArray line = escaped.join(u'\t').toUtf8();
    const quint32 sum = Fnv1a(line.constData(), line.size());
    line += '\t';
    line += QByteArray::number(sum, 16).rightJustified(8, '0');
    line += '\n';
    return line;
}

bool RunJournal::ParseLine(const QByteArray& line, QStringList* fields) {
    const qsizetype tab = line.lastIndexOf('\t');
    if (tab < 0 || line.size() - tab - 1 != 8) return false;
    bool ok = false;
    const quint32 sum = line.mid(tab + 1).toUInt(&ok, 16);
    if (!ok || sum != Fnv1a(line.constData(), tab)) return false;
    fields->clear();
    for (const QString& f : QString::fromUtf8(line.constData(), tab).split(u'\t'))
        *fields << Unescape(f);
    return true;
}

bool RunJournal::Begin(const QString& folder, const QList<QPair<QString, QString>>& values,
                       const std::vector<RunRow>& rows) {
    Close();
    QByteArray text = Line({kHeader, kVersion});
    for (const auto& [k, v] : values) text += Line({kValue, k, v});
    for (const RunRow& r : rows) text += Line(QStringList{kRowTag} + r.Cells());
    const QString path = JournalPath(folder);
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(text) != text.size() || !file.commit())
        return false;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    QMutexLocker lock(&mutex_);
    fd_ = fd;
    return true;
}

bool RunJournal::IsOpen() const {
    QMutexLocker lock(&mutex_);
    return fd_ >= 0;
}

void RunJournal::Row(const RunRow& row) {
    const QByteArray line = Line(QStringList{kRowTag} + row.Cells());
    QMutexLocker lock(&mutex_);
    if (fd_ < 0) return;
    pending_ += line;
    if (++pending_records_ >= kBatch) WriteLocked();
}

void RunJournal::WriteLocked() {
    if (fd_ >= 0 && !pending_.isEmpty() && !WriteAll(fd_, pending_)) {
        // A journal that cannot be written is given up; the run goes on.
        ::close(fd_);
        fd_ = -1;
    }
    pending_.clear();
    pending_records_ = 0;
}

void RunJournal::Flush() {
    QMutexLocker lock(&mutex_);
    WriteLocked();
}

void RunJournal::End() {
    QMutexLocker lock(&mutex_);
    if (fd_ < 0) return;
    pending_ += Line({kEnd});
    WriteLocked();
    if (fd_ >= 0) {
        ::fdatasync(fd_);
        ::close(fd_);
        fd_ = -1;
    }
}

void RunJournal::Close() {
    QMutexLocker lock(&mutex_);
    WriteLocked();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RunJournal::Read(const QString& folder, JournalData* out) {
    QFile file(JournalPath(folder));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (!HasHeader(bytes)) return false;
    *out = JournalData();
    std::map<int, RunRow> rows;
    QStringList f;
    qsizetype at = bytes.indexOf('\n') + 1;
    // A last line without its line end is torn and left out.
    for (qsizetype nl = bytes.indexOf('\n', at); nl >= 0;
         at = nl + 1, nl = bytes.indexOf('\n', at)) {
        if (!ParseLine(bytes.mid(at, nl - at), &f) || f.isEmpty()) continue;
        if (f[0] == kValue && f.size() == 3) {
            out->values.append({f[1], f[2]});
        } else if (f[0] == kRowTag) {
            RunRow row;
            if (ToRow(f, &row)) rows[row.no] = row;
        } else if (f[0] == kEnd) {
            out->ended = true;
        }
    }
    out->rows.reserve(rows.size());
    for (auto& [no, row] : rows) out->rows.push_back(std::move(row));
    return true;
}

bool RunJournal::Interrupted(const QString& folder) {
    QFile file(JournalPath(folder));
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (!HasHeader(file.peek(4096))) return false;
    const qint64 size = file.size();
    if (!file.seek(std::max<qint64>(0, size - kTail))) return false;
    const QByteArray tail = file.readAll();
    // The last whole line that reads back decides.
    qsizetype end = tail.lastIndexOf('\n');
    bool ended = false;
    while (end > 0) {
        const qsizetype start = tail.lastIndexOf('\n', end - 1) + 1;
        QStringList f;
        if (ParseLine(tail.mid(start, end - start), &f)) {
            ended = f.size() == 1 && f[0] == kEnd;
            break;
        }
        end = start - 1;
    }
    return !ended && !RunLock::InUse(folder);
}

}  // namespace korvi
