#pragma once

#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QString>
#include <QStringMatcher>

#include <atomic>
#include <memory>
#include <vector>

namespace korvi {

class CtrlFile;

// The page matcher: decides whether a page holds the search words and returns
// the text around the first hit ("" = no match). One object is shared by all
// workers of all runs; every operation may be called from any thread.
//
// Search types: 0 words are regular expressions, 1 the whole string is one
// regular expression, 2 words are literal texts, 3 the whole string is one
// literal text. Types 0 and 2 understand AND, "|" alternatives and "-"
// exclusions (see ParseSrchWords).
class Matcher {
public:
    static constexpr int kContextLength = 160;

    // Search type and case handling of one search.
    struct Options {
        int type = 0;
        bool case_sensitive = false;
    };

    Matcher() = default;
    // Regex failures are written to this error log.
    explicit Matcher(CtrlFile* errorLog) : log_(errorLog) {}
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    // Any value outside 0..3 is taken as 0.
    void SetSearchType(int type);
    int SearchType() const { return type_.load(); }
    // The stored setting: 0 = upper and lower case are the same, 1 = case is
    // distinguished; any other value counts as 0.
    void SetCaseInsensitiveSetting(int value) { case_sensitive_.store(value == 1); }
    void SetCaseSensitive(bool on) { case_sensitive_.store(on); }
    bool CaseSensitive() const { return case_sensitive_.load(); }
    // The process-wide settings above, read once.
    Options CurrentOptions() const { return {type_.load(), case_sensitive_.load()}; }

    // The context of the match in the page text, or "" when the page does not
    // match or either argument is empty.
    QString SrchStrList(const QString& words, const QString& text);
    // The same, but the context is only the matched text itself.
    QString SrchStrListMin(const QString& words, const QString& text);
    // Both with explicit options instead of the process-wide settings (for a
    // search that has its own case switch while a run goes on).
    QString SrchStrList(const QString& words, const QString& text, const Options& options);
    QString SrchStrListMin(const QString& words, const QString& text, const Options& options);
    // Single-word searches over a page's search text, then its raw text
    // (an empty raw text is not searched).
    QString SrchTypeTxt(const QString& word, const QString& plain, const QString& raw,
                        bool minimal = false);
    QString SrchTypeReg(const QString& pattern, const QString& plain, const QString& raw,
                        bool minimal = false);

    // The search given an already made search text; raw is searched after
    // it unless empty (SrchStrList passes "" for an HTML page, so that
    // nothing inside its tags matches).
    QString SrchPlainRaw(const QString& words, const QString& plain, const QString& raw,
                         bool minimal, const Options& options);

    // Number of compiled patterns held (for tests of the cache bound).
    int CachedPatternCount() const;
    static constexpr int kMaxCachedPatterns = 256;

private:
    // One search word: a compiled pattern, or a literal searched by matcher.
    // A case-insensitive literal is held case-folded and searched in the
    // folded page texts.
    struct Word {
        QString text;
        bool regex = false;
        QRegularExpression re;  // isValid() tells whether it compiled
        QStringMatcher literal;
        bool folded = false;
    };
    struct Parsed {
        QString words;
        int type = 0;
        bool case_sensitive = false;
        std::vector<std::vector<Word>> and_groups;
        std::vector<std::vector<Word>> not_groups;
    };
    class Page;

    std::shared_ptr<const Parsed> GetParsed(const QString& words, int type, bool caseSensitive);
    QRegularExpression GetPattern(const QString& pattern, bool caseSensitive);
    Word MakeWord(const QString& text, bool regex, bool caseSensitive);
    QString FindWord(const Word& w, Page& page, bool minimal);
    static QString FindLiteral(const Word& w, Page& page, bool minimal);
    static QString FindRegex(const QRegularExpression& re, const Page& page, bool minimal);
    void LogRegexError(const QRegularExpression& re);

    CtrlFile* log_ = nullptr;
    std::atomic<int> type_{0};
    std::atomic<bool> case_sensitive_{false};

    QMutex parsed_mutex_;
    std::shared_ptr<const Parsed> parsed_;

    mutable QMutex pattern_mutex_;
    QHash<QString, QRegularExpression> patterns_;
};

}  // namespace korvi
