#include "engine/match/MatcherWords.h"

namespace korvi {

namespace {

QString RestoreEscapes(QString word) {
    word.replace(QStringLiteral("\\%20"), QStringLiteral(" "));
    word.replace(QStringLiteral("\\%2D"), QStringLiteral("-"));
    word.replace(QStringLiteral("\\%7C"), QStringLiteral("|"));
    return word;
}

}  // namespace

SrchWordGroups ParseSrchWords(const QString& words, bool lowerCase) {
    SrchWordGroups out;
    // A blank in front lets an escaped sign on the very first word count too.
    QString text = u' ' + words;
    text.replace(QStringLiteral("\\ "), QStringLiteral("\\%20"));
    text.replace(QStringLiteral(" \\-"), QStringLiteral(" \\%2D"));
    text.replace(QStringLiteral(" \\|"), QStringLiteral(" \\%7C"));

    enum class Last { kNone, kAnd, kNot };
    Last last = Last::kNone;
    const QStringList tokens = text.split(u' ', Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        enum class Kind { kAnd, kNot, kAlt } kind = Kind::kAnd;
        QString word = token;
        if (word.startsWith(u'-')) {
            kind = Kind::kNot;
            word.remove(0, 1);
        } else if (word.startsWith(u'|')) {
            kind = Kind::kAlt;
            word.remove(0, 1);
        }
        word = RestoreEscapes(word);
        if (word.isEmpty()) continue;
        if (lowerCase) word = word.toLower();

        if (kind == Kind::kAlt && last == Last::kNot) {
            out.not_groups.back().append(word);
        } else if (kind == Kind::kAlt && last == Last::kAnd) {
            out.and_groups.back().append(word);
        } else if (kind == Kind::kNot) {
            out.not_groups.push_back(QStringList{word});
            last = Last::kNot;
        } else {
            // A plain word, or an alternative with nothing before it.
            out.and_groups.push_back(QStringList{word});
            last = Last::kAnd;
        }
    }
    return out;
}

QStringList SrchPlainWords(const QString& words) {
    QStringList out;
    for (const QStringList& group : ParseSrchWords(words, false).and_groups) out += group;
    return out;
}

QStringList SrchReportWords(const QString& words, int searchType) {
    const QString trimmed = words.trimmed();
    if (trimmed.isEmpty()) return {};
    if (searchType == 1 || searchType == 3) return {trimmed};
    return SrchPlainWords(trimmed);
}

bool IsPlainLiteralWord(const QString& word) {
    static const QString kSyntax = QStringLiteral("\\^$.|?*+()[]{}");
    for (QChar c : word) {
        if (kSyntax.contains(c)) return false;
    }
    return true;
}

}  // namespace korvi
