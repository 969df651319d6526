#include "store/CtrlFile.h"

namespace korvi {

// One pass that gives the same text as removing, in this order, every match of
// "[\n|\r|\t]+", then " {2,}+", then "<[^>]*>":
// - line breaks, tabs and "|" simply vanish;
// - a run of blanks (counted after those vanished) goes when it is two or
//   more long; a tag ends any run, since "<" and ">" are not blanks;
// - "<" opens a tag only when some ">" follows it; the first ">" closes it.
//   Neither earlier step removes "<" or ">", so "some '>' follows" can be
//   decided on the input.
QString CtrlFile::RemoveHtmlTag(const QString& html) {
    const qsizetype n = html.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(html.constData());
    const qsizetype lastGt = html.lastIndexOf(u'>');
    QString out(n, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    char16_t* const begin = dst;
    qsizetype blanks = 0;
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = in[i];
        if (c > u'|') {
            // Nothing above "|" is special.
            if (blanks) {
                if (blanks == 1) *dst++ = u' ';
                blanks = 0;
            }
            *dst++ = c;
            ++i;
            continue;
        }
        switch (c) {
            case u'\n':
            case u'\r':
            case u'\t':
            case u'|':
                ++i;
                continue;
            case u' ':
                ++blanks;
                ++i;
                continue;
            default:
                break;
        }
        if (blanks) {
            if (blanks == 1) *dst++ = u' ';
            blanks = 0;
        }
        if (c == u'<' && i < lastGt) {
            // Skip through the first ">" after it.
            const qsizetype close = html.indexOf(u'>', i + 1);
            i = close + 1;
            continue;
        }
        *dst++ = c;
        ++i;
    }
    if (blanks == 1) *dst++ = u' ';
    out.truncate(dst - begin);
    return out;
}

}  // namespace korvi
