#include "server/HttpSrvrQuery.h"

#include <QStringList>

#include <limits>

#include "store/TextCodec.h"

namespace korvi::HttpSrvrQuery {

namespace {

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

const QString kKorvi = QStringLiteral("Korvi?");

}  // namespace

QByteArray PercentDecode(const QString& text, bool plusIsBlank) {
    QByteArray out;
    out.reserve(text.size());
    QString literal;  // kept whole so that surrogate pairs encode as one
    auto flush = [&] {
        out.append(literal.toUtf8());
        literal.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'%' && i + 2 < n) {
            const int hi = HexValue(text.at(i + 1));
            const int lo = HexValue(text.at(i + 2));
            if (hi >= 0 && lo >= 0) {
                flush();
                out.append(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        literal.append(plusIsBlank && c == u'+' ? QChar(u' ') : c);
    }
    flush();
    return out;
}

QString DecodePath(const QString& path) {
    static const QString marker = QStringLiteral("per&per");
    QString marked = path;
    marked.replace(QStringLiteral("%%"), marker);
    QString decoded = DecodeText(PercentDecode(marked, false));
    decoded.replace(marker, QStringLiteral("%%"));
    return decoded;
}

QString DecodeValue(const QString& value) {
    return DecodeText(PercentDecode(value, true));
}

QHash<QString, QString> Parse(const QString& query) {
    QHash<QString, QString> out;
    const QStringList pieces = query.split(u'&');
    for (const QString& piece : pieces) {
        const qsizetype eq = piece.indexOf(u'=');
        if (eq < 0) {
            out.insert(piece, QString(""));
        } else {
            out.insert(piece.left(eq), NoControls(DecodeValue(piece.mid(eq + 1)), false));
        }
    }
    return out;
}

bool ParseSize(const QString& text, int* kb) {
    const QString digits = text.trimmed();
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) return false;
    }
    *kb = static_cast<int>(value);
    return true;
}

QString NoControls(QString text, bool keepBreaks) {
    qsizetype to = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool control = c.category() == QChar::Other_Control;
        const bool brk = c == u'\t' || c == u'\n' || c == u'\r';
        if (control && !(keepBreaks && brk)) continue;
        text[to++] = c;
    }
    text.truncate(to);
    return text;
}

void SplitKorvi(const QString& path, QString* before, QString* query) {
    const qsizetype at = path.indexOf(kKorvi);
    if (at < 0) {
        *before = path;
        *query = QString("");
        return;
    }
    *before = path.left(at);
    *query = path.mid(at + kKorvi.size());
}

}  // namespace korvi::HttpSrvrQuery
