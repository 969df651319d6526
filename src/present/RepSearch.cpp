#include "present/RepSearch.h"

namespace korvi {

int SrchLst(Matcher& matcher, const RepRows& rows, int current, const QString& words,
            const Matcher::Options& options, bool backward) {
    const int n = static_cast<int>(rows.size());
    if (n == 0 || words.isEmpty()) return -1;
    if (current < 0 || current >= n) current = backward ? n : -1;
    const int step = backward ? -1 : 1;
    for (int k = 1; k <= n; ++k) {
        const int r = ((current + step * k) % n + n) % n;
        for (const QString& cell : rows[r]) {
            if (!matcher.SrchStrList(words, cell, options).isEmpty()) return r;
        }
    }
    return -1;
}

UserMessage SrchLstNotFound(const QString& words) {
    return {QStringLiteral("検索リスト内を検索"),
            QStringLiteral("検索文字列「") + words + QStringLiteral("」が見つかりませんでした。")};
}

}  // namespace korvi
