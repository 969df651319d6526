#pragma once

#include <QByteArray>
#include <QString>

namespace korvi {

// Text as the program writes it (UTF-8) and reads it (UTF-8 when valid,
// else the Japanese encodings).
QByteArray EncodeText(const QString& text);
QString DecodeText(const QByteArray& bytes);
// True when the bytes are valid UTF-8 (a BOM is allowed).
bool IsValidUtf8(const QByteArray& bytes);
// Decodes bytes of a named encoding ("Shift_JIS", "EUC-JP", "ISO-2022-JP",
// "UTF-8", ...); a null string when the encoding is unknown.
QString DecodeAs(const QByteArray& bytes, const char* encoding);
QByteArray EncodeAs(const QString& text, const char* encoding);

}  // namespace korvi
