#include "engine/lists/InitListOrder.h"

#include <QHash>
#include <QRegularExpression>

#include <deque>
#include <numeric>

#include "engine/page/HtmlText.h"
#include "shell/Assist.h"

namespace korvi {

namespace {

bool CanonicalInt(const QString& s, int* value) {
    const int v = Assist::StrToInt(s);
    if (QString::number(v) != s) return false;
    *value = v;
    return true;
}

const QRegularExpression& ServerPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("//.+?/"));
    return re;
}

const QRegularExpression& RangePattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("\\[(\\d+)-(\\d+)\\]"));
    return re;
}

int SerialValue(const QString& digits) {
    QString s = digits;
    static const QRegularExpression leadingZeros = CompiledPattern(QStringLiteral("^0*"));
    s.remove(leadingZeros);
    if (s.isEmpty()) s = QStringLiteral("0");
    return Assist::StrToInt(s);
}

// Skip pointers over placed rows: Next(i) is the first unplaced index >= i.
class Unplaced {
public:
    explicit Unplaced(int n) : next_(size_t(n) + 1) { std::iota(next_.begin(), next_.end(), 0); }
    int Next(int i) {
        int root = i;
        while (next_[size_t(root)] != root) root = next_[size_t(root)];
        while (next_[size_t(i)] != root) {
            const int up = next_[size_t(i)];
            next_[size_t(i)] = root;
            i = up;
        }
        return root;
    }
    void Place(int i) { next_[size_t(i)] = i + 1; }

private:
    std::vector<int> next_;
};

}  // namespace

int CompareCells(const QString& a, const QString& b) {
    int x = 0;
    int y = 0;
    if (CanonicalInt(a, &x) && CanonicalInt(b, &y)) return x < y ? -1 : (x > y ? 1 : 0);
    return a.compare(b);
}

QString ServerOf(const QString& url) {
    const QRegularExpressionMatch m = ServerPattern().match(url);
    if (m.hasMatch()) return m.captured(0);
    const qsizetype slashes = url.indexOf(QStringLiteral("//"));
    return slashes < 0 ? QString() : url.mid(slashes);
}

std::vector<int> ShuffleOrder(const QStringList& sortedUrls) {
    const int n = int(sortedUrls.size());
    std::vector<int> out;
    out.reserve(size_t(n));
    if (n < 3) {
        for (int i = 0; i < n; ++i) out.push_back(i);
        return out;
    }
    // Servers as small integers; runEnd[i] is the first index after the run
    // of equal servers that holds i (sorted URLs keep a server together).
    std::vector<int> server(static_cast<size_t>(n));
    QHash<QString, int> ids;
    for (int i = 0; i < n; ++i) {
        const QString s = ServerOf(sortedUrls.at(i));
        auto it = ids.constFind(s);
        if (it == ids.constEnd()) it = ids.insert(s, int(ids.size()));
        server[size_t(i)] = *it;
    }
    std::vector<int> runEnd(static_cast<size_t>(n));
    runEnd[size_t(n - 1)] = n;
    for (int i = n - 2; i >= 0; --i) {
        runEnd[size_t(i)] =
            server[size_t(i)] == server[size_t(i + 1)] ? runEnd[size_t(i + 1)] : i + 1;
    }
    Unplaced unplaced(n);
    // First unplaced index in [from, to) whose server is not s, or -1.
    auto findOther = [&](int from, int to, int s) {
        for (int j = unplaced.Next(from); j < to; j = unplaced.Next(runEnd[size_t(j)])) {
            if (server[size_t(j)] != s) return j;
        }
        return -1;
    };

    out.push_back(0);
    unplaced.Place(0);
    int resume = 1;
    int insertFrom = 1;  // insertion search start while the last server stays the same
    int insertServer = -1;
    while (int(out.size()) < n) {
        const int s = server[size_t(out.back())];
        if (resume >= n) resume = 0;
        int found = findOther(resume, n, s);
        if (found < 0) found = findOther(0, resume, s);
        if (found >= 0) {
            out.push_back(found);
            unplaced.Place(found);
            resume = found + 1;
            continue;
        }
        // Every unplaced row shares the last server: take the row at the
        // resume position (or the next unplaced one after it).
        int pick = unplaced.Next(resume);
        if (pick >= n) pick = unplaced.Next(0);
        unplaced.Place(pick);
        // With one row placed there is no gap between two rows: it goes last.
        if (insertServer != s) {
            insertServer = s;
            insertFrom = 1;
        }
        size_t at = out.size();
        for (size_t p = size_t(insertFrom); p < out.size(); ++p) {
            if (server[size_t(out[p - 1])] != s && server[size_t(out[p])] != s) {
                at = p;
                break;
            }
        }
        out.insert(out.begin() + std::ptrdiff_t(at), pick);
        insertFrom = int(at) + 1;
        resume = pick + 1;
    }
    return out;
}

QStringList ExpandSerial(const QString& text, int limit) {
    QStringList out;
    std::deque<QString> queue{text};
    while (!queue.empty() && out.size() < limit) {
        const QString t = queue.front();
        queue.pop_front();
        const QRegularExpressionMatch m = RangePattern().match(t);
        if (!m.hasMatch()) {
            out.append(t);
            continue;
        }
        const QString before = t.left(m.capturedStart());
        const QString after = t.mid(m.capturedEnd());
        const QString from = m.captured(1);
        const QString to = m.captured(2);
        const int a = SerialValue(from);
        const int b = SerialValue(to);
        const int width =
            from.startsWith(u'0') && from.size() >= 2 ? int(std::max(from.size(), to.size())) : 0;
        for (qint64 no = a; no <= b; ++no) {
            if (qint64(queue.size()) + out.size() >= limit) break;
            queue.push_back(before +
                            (width > 0 ? Assist::ChngNoToZeroStr(no, width) : QString::number(no)) +
                            after);
        }
    }
    return out;
}

}  // namespace korvi
