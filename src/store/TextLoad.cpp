#include <QFile>

#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr qint64 kSniff = 64 * 1024;  // a picture shows itself in its first bytes

// CR LF and a lone CR become LF; the last line's terminator goes, so the lines
// come back joined by "\n".
QString JoinLines(const QString& text) {
    QString out;
    if (!text.contains(u'\r')) {
        out = text;
    } else {
        out.reserve(text.size());
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = text.at(i);
            if (c == u'\r') {
                out += u'\n';
                if (i + 1 < n && text.at(i + 1) == u'\n') ++i;
            } else {
                out += c;
            }
        }
    }
    if (out.endsWith(u'\n')) out.chop(1);
    return out;
}

}  // namespace

QString CtrlFile::LoadDataEnc(const QString& path) {
    QFile f(Abs(path));
    if (!f.open(QIODevice::ReadOnly)) {
        SaveErrLog(QStringLiteral("C_File Read Data Error : ") + f.errorString() + u' ' + path);
        return QString("");
    }
    QByteArray bytes = f.read(kSniff);
    if (IsNonText(CountNonTextBytes(bytes.constData(), bytes.size()), bytes.size())) {
        return QString("");
    }
    if (!f.atEnd()) bytes += f.readAll();
    if (bytes.isEmpty()) return QString("");
    const DecodedText decoded = DecodeTextDetail(bytes);
    if (LooksNonText(bytes, decoded)) return QString("");
    return JoinLines(decoded.text);
}

}  // namespace korvi
