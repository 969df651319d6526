#include "engine/match/Matcher.h"

#include <QMutexLocker>

#include "engine/match/MatcherText.h"
#include "engine/match/MatcherWords.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

// The context taken at a hit: kContextLength units (or the hit itself when
// minimal), cut at the end of the text.
inline QString ContextAt(const QString& text, qsizetype pos, qsizetype hitLength, bool minimal) {
    return text.mid(pos, minimal ? hitLength : Matcher::kContextLength);
}

}  // namespace

// The two texts of one page; their case-folded forms are made on first use.
class Matcher::Page {
public:
    Page(const QString& plain, const QString& raw) : texts_{&plain, &raw} {}
    // The raw text is searched only when it is given.
    int Count() const { return texts_[1]->isEmpty() ? 1 : 2; }
    const QString& Text(int i) const { return *texts_[i]; }
    const QString& Folded(int i) {
        if (!have_folded_[i]) {
            folded_[i] = MatcherFoldCase(*texts_[i]);
            have_folded_[i] = true;
        }
        return folded_[i];
    }

private:
    const QString* texts_[2];
    QString folded_[2];
    bool have_folded_[2] = {false, false};
};

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
    const MatcherSearch search = MatcherSearchText(text);
    return SrchPlainRaw(words, search.text, search.markup ? QString() : text, false, options);
}

QString Matcher::SrchStrListMin(const QString& words, const QString& text, const Options& options) {
    if (words.isEmpty() || text.isEmpty()) return QString("");
    const MatcherSearch search = MatcherSearchText(text);
    return SrchPlainRaw(words, search.text, search.markup ? QString() : text, true, options);
}

QString Matcher::SrchPlainRaw(const QString& words, const QString& plain, const QString& raw,
                              bool minimal, const Options& options) {
    if (words.isEmpty() || (plain.isEmpty() && raw.isEmpty())) return QString("");
    const int type = options.type >= 0 && options.type <= 3 ? options.type : 0;
    const bool cs = options.case_sensitive;
    Page page(plain, raw);
    if (type == 1 || type == 3) {
        // The whole string is one pattern (1) or one literal (3).
        const Word w = MakeWord(words, type == 1, cs);
        return FindWord(w, page, minimal);
    }

    const std::shared_ptr<const Parsed> parsed = GetParsed(words, type, cs);
    for (const auto& group : parsed->not_groups) {
        for (const Word& w : group) {
            if (!FindWord(w, page, minimal).isEmpty()) return QString("");
        }
    }
    if (parsed->and_groups.empty()) return QString("");
    QString result;
    for (std::size_t g = 0; g < parsed->and_groups.size(); ++g) {
        bool found = false;
        for (const Word& w : parsed->and_groups[g]) {
            QString context = FindWord(w, page, minimal);
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
    Page page(plain, raw);
    return FindLiteral(MakeWord(word, false, case_sensitive_.load()), page, minimal);
}

QString Matcher::SrchTypeReg(const QString& pattern, const QString& plain, const QString& raw,
                             bool minimal) {
    if (pattern.isEmpty()) return QString("");
    Page page(plain, raw);
    return FindWord(MakeWord(pattern, true, case_sensitive_.load()), page, minimal);
}

Matcher::Word Matcher::MakeWord(const QString& text, bool regex, bool caseSensitive) {
    Word w;
    w.text = text;
    // A regex word without pattern syntax is searched as the literal it is.
    w.regex = regex && !IsPlainLiteralWord(text);
    if (w.regex) {
        w.re = GetPattern(text, caseSensitive);
    } else {
        w.folded = !caseSensitive;
        w.literal = QStringMatcher(w.folded ? MatcherFoldCase(text) : text, Qt::CaseSensitive);
    }
    return w;
}

QString Matcher::FindWord(const Word& w, Page& page, bool minimal) {
    if (!w.regex) return FindLiteral(w, page, minimal);
    if (!w.re.isValid()) {
        LogRegexError(w.re);
        return QString("");
    }
    return FindRegex(w.re, page, minimal);
}

QString Matcher::FindLiteral(const Word& w, Page& page, bool minimal) {
    if (w.text.isEmpty()) return QString("");
    for (int i = 0; i < page.Count(); ++i) {
        const qsizetype p = w.literal.indexIn(w.folded ? page.Folded(i) : page.Text(i));
        if (p < 0) continue;
        QString context = ContextAt(page.Text(i), p, w.text.size(), minimal);
        if (!context.isEmpty()) return context;
    }
    return QString("");
}

QString Matcher::FindRegex(const QRegularExpression& re, const Page& page, bool minimal) {
    for (int i = 0; i < page.Count(); ++i) {
        const QRegularExpressionMatch match = re.match(page.Text(i));
        if (!match.hasMatch()) continue;
        QString context =
            ContextAt(page.Text(i), match.capturedStart(), match.capturedLength(), minimal);
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
    // Words are not lower-cased here: case-insensitive literals are folded by
    // MakeWord, and lower-casing a pattern would turn "\D" into "\d".
    const bool regex = type == 0;
    const SrchWordGroups groups = ParseSrchWords(words, false);
    auto parsed = std::make_shared<Parsed>();
    parsed->words = words;
    parsed->type = type;
    parsed->case_sensitive = caseSensitive;
    auto build = [&](const std::vector<QStringList>& from, std::vector<std::vector<Word>>& to) {
        for (const QStringList& group : from) {
            std::vector<Word> ws;
            for (const QString& text : group) ws.push_back(MakeWord(text, regex, caseSensitive));
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
