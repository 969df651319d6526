#include "shell/Assist.h"

#include <limits>

namespace korvi {

QString Assist::Trim(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20) ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20) --end;
    return text.mid(begin, end - begin);
}

void Assist::InitIni(const QString& text) {
    keys_.clear();
    values_.clear();
    const QString all = Trim(text);
    qsizetype start = 0;
    const qsizetype n = all.size();
    for (qsizetype i = 0; i <= n; ++i) {
        const bool cut = i == n || all.at(i) == u'\r' || all.at(i) == u'\n' || all.at(i) == u'\t';
        if (!cut) continue;
        const QString token = Trim(all.mid(start, i - start));
        start = i + 1;
        if (token.isEmpty()) continue;
        if (token.startsWith(u'[') && token.size() >= 3) {
            keys_.append(kHeader);
            values_.append(token.mid(1, token.size() - 2));
            continue;
        }
        const qsizetype eq = token.indexOf(u'=');
        if (eq >= 0) {
            keys_.append(token.left(eq));
            values_.append(token.mid(eq + 1));
        } else {
            keys_.append(QString(""));
            values_.append(token);
        }
    }
}

int Assist::FindSection(const QString& section) const {
    if (section.isEmpty()) return -1;
    for (int i = 0; i < keys_.size(); ++i) {
        if (keys_.at(i) == kHeader && values_.at(i) == section) return i;
    }
    return -1;
}

int Assist::SectionEnd(int header) const {
    int i = header + 1;
    while (i < keys_.size() && keys_.at(i) != kHeader) ++i;
    return i;
}

int Assist::FindKey(int header, const QString& key) const {
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (keys_.at(i) == key) return i;
    }
    return -1;
}

QString Assist::GetIni(const QString& section, const QString& key) const {
    if (key.isEmpty() || keys_.isEmpty()) return QString("");
    const int header = FindSection(section);
    if (header < 0) return QString("");
    const int row = FindKey(header, key);
    return row < 0 ? QString("") : values_.at(row);
}

QString Assist::GetIni(const QString& section, int n) const {
    if (n < 0 || keys_.isEmpty()) return QString("");
    const int header = FindSection(section);
    if (header < 0) return QString("");
    const qint64 row = qint64(header) + 1 + n;
    if (row >= SectionEnd(header)) return QString("");
    return values_.at(int(row));
}

QString Assist::GetIniRow(const QString& section, int n) const {
    if (n < 0 || section.isEmpty() || keys_.isEmpty()) return QString();
    const int header = FindSection(section);
    if (header < 0) return QString("");
    const qint64 row = qint64(header) + 1 + n;
    if (row >= SectionEnd(header)) return QString("");
    return keys_.at(int(row)) + u'=' + values_.at(int(row));
}

int Assist::GetIniN(const QString& section, const QString& key) const {
    return StrToInt(GetIni(section, key));
}

int Assist::GetIniN(const QString& section, int n) const {
    return StrToInt(GetIni(section, n));
}

QStringList Assist::SectionKeys(const QString& section) const {
    QStringList out;
    const int header = FindSection(section);
    if (header < 0) return out;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) out.append(keys_.at(i));
    return out;
}

void Assist::SetIni(const QString& section, const QString& key, const QString& value) {
    const int header = FindSection(section);
    if (header < 0) {
        keys_.append(kHeader);
        values_.append(section);
        keys_.append(key);
        values_.append(value);
        return;
    }
    const int row = FindKey(header, key);
    if (row >= 0) {
        values_[row] = value;
        return;
    }
    const int end = SectionEnd(header);
    keys_.insert(end, key);
    values_.insert(end, value);
}

void Assist::SetIniN(const QString& section, const QString& key, int value) {
    SetIni(section, key, QString::number(value));
}

QString Assist::IniToStr() const {
    QString out;
    for (int i = 0; i < keys_.size(); ++i) {
        const QString& value = values_.at(i);
        const QString shown = value.isNull() ? QStringLiteral("null") : value;
        if (keys_.at(i) == kHeader) {
            out += QStringLiteral("\n[") + shown + QStringLiteral("]\n");
        } else {
            out += keys_.at(i) + u'=' + shown + u'\n';
        }
    }
    return out;
}

QStringList Assist::SpltStr(const QString& text, QChar sep) {
    return text.split(sep, Qt::KeepEmptyParts);
}

int Assist::StrToInt(const QString& text) {
    if (text.isEmpty()) return 0;
    qint64 acc = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') continue;
        acc = acc * 10 + (c.unicode() - u'0');
        // Anything past the int range cannot be canonical text of an int.
        if (acc > qint64(std::numeric_limits<int>::max()) + 1) return 0;
    }
    if (text.at(0) == u'-') acc = -acc;
    if (acc > std::numeric_limits<int>::max() || acc < std::numeric_limits<int>::min()) return 0;
    const int value = static_cast<int>(acc);
    return QString::number(value) == text ? value : 0;
}

QString Assist::RepStr(const QString& text, const QString& from, const QString& to) {
    if (from.isEmpty()) return text;
    QString out = text;
    return out.replace(from, to, Qt::CaseSensitive);
}

QString Assist::RepStrI(const QString& text, const QString& from, const QString& to) {
    if (from.isEmpty()) return text;
    QString out = text;
    return out.replace(from, to, Qt::CaseInsensitive);
}

QString Assist::ChngNoToStr(qint64 no, int digits) {
    return QString::number(no).rightJustified(digits, u' ');
}

QString Assist::ChngNoToZeroStr(qint64 no, int digits) {
    return QString::number(no).rightJustified(digits, u'0');
}

}  // namespace korvi
