#include "tools/LogSrchMatch.h"

namespace korvi {

namespace {

QStringList Words(const QString& words) {
    return words.split(QChar(u' '), Qt::SkipEmptyParts);
}

}  // namespace

SrchMatcher PlainSubstringMatcher() {
    SrchMatcher m;
    m.match = [](const QString& words, const QString& text, bool caseInsensitive) {
        const QStringList list = Words(words);
        if (list.isEmpty() || text.isEmpty()) return QString("");
        const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        qsizetype first = -1;
        for (const QString& w : list) {
            const qsizetype at = text.indexOf(w, 0, cs);
            if (at < 0) return QString("");
            if (first < 0) first = at;
        }
        return text.mid(first, 160);
    };
    m.plainWords = [](const QString& words) { return Words(words); };
    return m;
}

}  // namespace korvi
