#include "engine/render/RenderNeed.h"

#include <QRegularExpression>

namespace korvi {

bool PageNeedsRender(const QString& html) {
    constexpr auto kOpts =
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;
    static const QRegularExpression script(QStringLiteral("<script\\b[^>]*>(.*?)</script\\s*>"),
                                           kOpts);
    static const QRegularExpression hidden(
        QStringLiteral("<(script|style|template|noscript)\\b[^>]*>.*?</\\1\\s*>|<!--.*?-->"),
        kOpts);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entity(QStringLiteral("&#?\\w+;"));
    static const QRegularExpression builds(QStringLiteral(
        "document\\.write|\\.(inner|outer)HTML\\s*=|insertAdjacentHTML|"
        "replaceChildren|createRoot|ReactDOM\\.render|createApp\\s*\\(|new\\s+Vue\\b"));
    static const QRegularExpression opening(QStringLiteral("<script\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!opening.match(html).hasMatch()) return false;
    for (auto it = script.globalMatch(html); it.hasNext();) {
        if (builds.match(it.next().captured(1)).hasMatch()) return true;
    }
    QString text = html;
    text.remove(hidden);
    text.remove(tag);
    text.replace(entity, QStringLiteral("x"));
    int letters = 0;
    for (QChar c : text) {
        if (!c.isSpace() && ++letters >= kNearlyEmpty) return false;
    }
    return true;
}

}  // namespace korvi
