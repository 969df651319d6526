#include "present/Properties.h"

#include <QStringList>

namespace korvi {

namespace {

bool IsPropBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\f';
}

qsizetype SkipBlanks(const QString& s, qsizetype i) {
    while (i < s.size() && IsPropBlank(s[i])) ++i;
    return i;
}

// True when the line ends in an odd number of backslashes.
bool Continues(const QString& line) {
    qsizetype n = 0;
    for (qsizetype i = line.size() - 1; i >= 0 && line[i] == u'\\'; --i) ++n;
    return n % 2 == 1;
}

QString Unescape(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != u'\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const QChar e = s[++i];
        if (e == u't') {
            out += u'\t';
        } else if (e == u'n') {
            out += u'\n';
        } else if (e == u'r') {
            out += u'\r';
        } else if (e == u'f') {
            out += u'\f';
        } else if (e == u'u') {
            bool ok = false;
            const ushort code = s.mid(i + 1, 4).toUShort(&ok, 16);
            if (ok && s.mid(i + 1, 4).size() == 4) {
                out += QChar(code);
                i += 4;
            } else {
                out += e;  // malformed escape: keep the letter
            }
        } else {
            out += e;
        }
    }
    return out;
}

// The end of the key: the first unescaped "=", ":" or blank.
qsizetype KeyEnd(const QString& line, qsizetype from) {
    for (qsizetype i = from; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'\\') {
            ++i;
            continue;
        }
        if (c == u'=' || c == u':' || IsPropBlank(c)) return i;
    }
    return line.size();
}

}  // namespace

QHash<QString, QString> ParseProperties(const QString& text) {
    QHash<QString, QString> props;
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    flat.replace(u'\r', u'\n');
    const QStringList lines = flat.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n].mid(SkipBlanks(lines[n], 0));
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u'!')) continue;
        while (Continues(line)) {
            line.chop(1);
            if (++n >= lines.size()) break;
            line += lines[n].mid(SkipBlanks(lines[n], 0));
        }
        const qsizetype keyEnd = KeyEnd(line, 0);
        qsizetype v = SkipBlanks(line, keyEnd);
        if (v < line.size() && (line[v] == u'=' || line[v] == u':')) v = SkipBlanks(line, v + 1);
        props.insert(Unescape(line.left(keyEnd)), Unescape(line.mid(v)));
    }
    return props;
}

}  // namespace korvi
