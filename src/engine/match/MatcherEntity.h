#pragma once

#include <QStringView>

namespace korvi {

// The character a character reference stands for, read at the "&" that
// text[at] must hold: "&lt;", "&#187;", "&#x2014;" or a common named one such
// as "&nbsp;" or "&raquo;". Names need their ";"; a numeric reference also
// ends at the first character that is no digit. On success *length is the
// number of units read and the code point is returned; -1 when there is no
// reference here. A number that is no character gives U+FFFD.
char32_t DecodeCharRef(QStringView text, qsizetype at, qsizetype* length);

}  // namespace korvi
