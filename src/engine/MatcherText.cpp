#include "engine/MatcherText.h"

#include "store/CtrlFile.h"

namespace korvi {

QString MatcherPlainText(const QString& html) {
    return CtrlFile::RemoveHtmlTag(html);
}

QString MatcherFoldCase(const QString& text) {
    QString out = text;
    const qsizetype n = out.size();
    if (n == 0) return out;
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z') p[i] = char16_t(c + 32);
        } else if ((c >= 0x3000 && c < 0xA640) || (c >= 0xAC00 && c < 0xD800)) {
            // Kana, CJK ideographs, Hangul syllables: no case.
        } else if (!QChar::isSurrogate(c)) {
            p[i] = QChar::toCaseFolded(char32_t(c));
        }
    }
    return out;
}

}  // namespace korvi
