#pragma once

#include <QByteArray>
#include <QString>

namespace korvi {

// Text as the program writes it (UTF-8) and reads it (UTF-8 when valid,
// else the Japanese encodings).
QByteArray EncodeText(const QString& text);
// CR LF and a lone CR become LF.
QString UnixLineBreaks(QString text);
// The lines of a text joined by "\n": line breaks made LF, the last one dropped.
QString JoinTextLines(QString text);
QString DecodeText(const QByteArray& bytes);
// The text of a whole file's bytes as LoadDataEnc gives it: "" for data that
// is not text, lines joined by "\n".
QString DecodeDataText(const QByteArray& bytes);

// DecodeText with what it found: the encoding used and whether some bytes
// could not be decoded in it.
struct DecodedText {
    QString text;
    const char* encoding = "UTF-8";
    bool errors = false;
};
DecodedText DecodeTextDetail(const QByteArray& bytes);

// Units that no text holds: the control characters 0x00-0x08, 0x0B, 0x0C,
// 0x0E-0x1F and 0x7F (an ESC that opens an ISO-2022 designation excepted) and
// the bytes 0xFD-0xFF, which neither UTF-8 nor Shift_JIS ever uses.
qsizetype CountNonTextBytes(const char* data, qsizetype size);
// True for data that is not text: such units (and units a decoder had to
// replace) make up more than 1/64 of it.
bool IsNonText(qsizetype suspects, qsizetype size);
bool LooksNonText(const QByteArray& bytes, const DecodedText& decoded);
// True when the bytes are valid UTF-8 (a BOM is allowed).
bool IsValidUtf8(const QByteArray& bytes);
// Decodes bytes of a named encoding ("Shift_JIS", "EUC-JP", "ISO-2022-JP",
// "UTF-8", ...); a null string when the encoding is unknown.
QString DecodeAs(const QByteArray& bytes, const char* encoding);
QByteArray EncodeAs(const QString& text, const char* encoding);

}  // namespace korvi
