#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace korvi {

// Request-path and command-query decoding of the local server.
namespace HttpSrvrQuery {

// "%XY" escapes to bytes; a "%" not followed by two hex digits stays as it
// is. With plusIsBlank a "+" becomes a blank (form encoding).
QByteArray PercentDecode(const QString& text, bool plusIsBlank);

// The request path: "%%" survives, every other escape is decoded; the bytes
// are read as UTF-8 (or a Japanese encoding when they are not UTF-8). "+"
// stays "+", as in any URL path.
QString DecodePath(const QString& path);

// A value of a command query: form-decoded, then read as UTF-8 when the bytes
// are UTF-8 and as Shift_JIS (or another Japanese encoding) otherwise.
QString DecodeValue(const QString& value);

// "a=1&b&c=x=y" -> {a: "1", b: "", c: "x=y"}: each piece is split at its
// first "=" only. Values lose every control character.
QHash<QString, QString> Parse(const QString& query);

// A size in KB as a query gives it: blanks around whole decimal digits, at
// most INT_MAX; "" is 0. False for anything else.
bool ParseSize(const QString& text, int* kb);

// The text without control characters; with keepBreaks TAB, CR and LF stay.
QString NoControls(QString text, bool keepBreaks);

// The part of the request path before the first "Korvi?" and the query after
// it ("" when there is none).
void SplitKorvi(const QString& path, QString* before, QString* query);

}  // namespace HttpSrvrQuery

}  // namespace korvi
