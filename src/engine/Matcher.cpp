#include "engine/Matcher.h"

#include <QMutexLocker>

#include "engine/MatcherText.h"
#include "engine/MatcherWords.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

// The context taken at a hit: kContextLength units (or the hit itself when
// minimal), cut at the end of the text.
inline QString ContextAt(const QString& text, qsizetype pos, qsizetype hitLength, bool minimal) {
    return text.mid(pos, minimal ? hitLength : Matcher::kContextLength);
}

}  // namespace

void Matcher::SetSearchType(int type) {
    type_.store(type >= 0 && type <= 3 ? type : 0);
}

QString Matcher::SrchStrList(const QString& words, const QString& text) {
    return SrchStrList(words, text, CurrentOptions());
}

QString Matcher::SrchStrListMin(const QString& words, const QString& text) {
    return SrchStrListMin(words, text, CurrentOptions());
}

QString Matcher::SrchStrList(const QString& words, const QString& text, const Options& options) {
    if (words.isEmpty() || text.isEmpty()) return QString("");
    return SrchPlainRaw(words, MatcherPlainText(text), text, false, options);
}

QString Matcher::SrchStrListMin(const QString& words, const QString& text, const Options& options) {
    if (words.isEmpty() || text.isEmpty()) return QString("");
    return SrchPlainRaw(words, MatcherPlainText(text), text, true, options);
}

QString Matcher::SrchPlainRaw(const QString& words, const QString& plain, const QString& raw,
                              bool minimal, const Options& options) {
    if (words.isEmpty() || raw.isEmpty()) return QString("");
    const int type = options.type >= 0 && options.type <= 3 ? options.type : 0;
    const bool cs = options.case_sensitive;
    if (type == 1) {
        const QRegularExpression re = GetPattern(words, cs);
        if (!re.isValid()) {
            LogRegexError(re);
            return QString("");
        }
        return FindRegex(re, plain, raw, minimal);
    }
    if (type == 3) {
        const QStringMatcher m(words, cs ? Qt::CaseSensitive : Qt::CaseInsensitive);
        return FindLiteral(m, words.size(), plain, raw, minimal);
    }

    const std::shared_ptr<const Parsed> parsed = GetParsed(words, type, cs);
    for (const auto& group : parsed->not_groups) {
        for (const Word& w : group) {
            if (!FindWord(w, plain, raw, minimal).isEmpty()) return QString("");
        }
    }
    if (parsed->and_groups.empty()) return QString("");
    QString result;
    for (std::size_t g = 0; g < parsed->and_groups.size(); ++g) {
        bool found = false;
        for (const Word& w : parsed->and_groups[g]) {
            QString context = FindWord(w, plain, raw, minimal);
            if (context.isEmpty()) continue;
            if (g == 0) result = std::move(context);
            found = true;
            break;
        }
        if (!found) return QString("");
    }
    return result;
}

QString Matcher::SrchTypeTxt(const QString& word, const QString& plain, const QString& raw,
                             bool minimal) {
    if (word.isEmpty()) return QString("");
    const QStringMatcher m(word, case_sensitive_.load() ? Qt::CaseSensitive : Qt::CaseInsensitive);
    return FindLiteral(m, word.size(), plain, raw, minimal);
}

QString Matcher::SrchTypeReg(const QString& pattern, const QString& plain, const QString& raw,
                             bool minimal) {
    if (pattern.isEmpty()) return QString("");
    const QRegularExpression re = GetPattern(pattern, case_sensitive_.load());
    if (!re.isValid()) {
        LogRegexError(re);
        return QString("");
    }
    return FindRegex(re, plain, raw, minimal);
}

QString Matcher::FindWord(const Word& w, const QString& plain, const QString& raw, bool minimal) {
    if (!w.regex) return FindLiteral(w.literal, w.text.size(), plain, raw, minimal);
    if (!w.re.isValid()) {
        LogRegexError(w.re);
        return QString("");
    }
    return FindRegex(w.re, plain, raw, minimal);
}

QString Matcher::FindLiteral(const QStringMatcher& m, qsizetype wordLength, const QString& plain,
                             const QString& raw, bool minimal) {
    for (const QString* text : {&plain, &raw}) {
        const qsizetype p = m.indexIn(*text);
        if (p < 0) continue;
        QString context = ContextAt(*text, p, wordLength, minimal);
        if (!context.isEmpty()) return context;
    }
    return QString("");
}

QString Matcher::FindRegex(const QRegularExpression& re, const QString& plain, const QString& raw,
                           bool minimal) {
    for (const QString* text : {&plain, &raw}) {
        const QRegularExpressionMatch match = re.match(*text);
        if (!match.hasMatch()) continue;
        QString context = ContextAt(*text, match.capturedStart(), match.capturedLength(), minimal);
        if (!context.isEmpty()) return context;
    }
    return QString("");
}

void Matcher::LogRegexError(const QRegularExpression& re) {
    if (!log_) return;
    log_->SaveErrLog(QStringLiteral("SrchStrListTypeReg 1 Regex Error : ") + re.errorString() +
                     QStringLiteral(" near index ") + QString::number(re.patternErrorOffset()) +
                     u' ' + re.pattern());
}

QRegularExpression Matcher::GetPattern(const QString& pattern, bool caseSensitive) {
    const QString key = (caseSensitive ? u's' : u'i') + pattern;
    QMutexLocker lock(&pattern_mutex_);
    const auto it = patterns_.constFind(key);
    if (it != patterns_.constEnd()) return it.value();
    lock.unlock();

    QRegularExpression re(pattern, caseSensitive ? QRegularExpression::NoPatternOption
                                                 : QRegularExpression::CaseInsensitiveOption);
    // Compile now, so that the shared object is only read from here on.
    re.optimize();

    lock.relock();
    if (patterns_.size() >= kMaxCachedPatterns) patterns_.clear();
    patterns_.insert(key, re);
    return re;
}

int Matcher::CachedPatternCount() const {
    QMutexLocker lock(&pattern_mutex_);
    return static_cast<int>(patterns_.size());
}

std::shared_ptr<const Matcher::Parsed> Matcher::GetParsed(const QString& words, int type,
                                                          bool caseSensitive) {
    {
        QMutexLocker lock(&parsed_mutex_);
        if (parsed_ && parsed_->type == type && parsed_->case_sensitive == caseSensitive &&
            parsed_->words == words) {
            return parsed_;
        }
    }
    // Regex words keep their letters (lower-casing would turn "\D" into
    // "\d"); their case handling is the pattern's option instead.
    const bool regex = type == 0;
    const SrchWordGroups groups = ParseSrchWords(words, !caseSensitive && !regex);
    auto parsed = std::make_shared<Parsed>();
    parsed->words = words;
    parsed->type = type;
    parsed->case_sensitive = caseSensitive;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    auto build = [&](const std::vector<QStringList>& from, std::vector<std::vector<Word>>& to) {
        for (const QStringList& group : from) {
            std::vector<Word> ws;
            for (const QString& text : group) {
                Word w;
                w.text = text;
                w.regex = regex;
                if (regex) {
                    w.re = GetPattern(text, caseSensitive);
                } else {
                    w.literal = QStringMatcher(text, cs);
                }
                ws.push_back(std::move(w));
            }
            to.push_back(std::move(ws));
        }
    };
    build(groups.and_groups, parsed->and_groups);
    build(groups.not_groups, parsed->not_groups);

    QMutexLocker lock(&parsed_mutex_);
    parsed_ = parsed;
    return parsed;
}

}  // namespace korvi
