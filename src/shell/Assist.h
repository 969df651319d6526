#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

// A sectioned key=value settings text held as parallel key and value rows,
// plus the general string helpers the rest of the program shares.
//
// Row kinds: a header has key "[" and the section name as value; an entry has
// the text before the first "=" as key; a bare line has key "".
class Assist {
public:
    Assist() = default;
    explicit Assist(const QString& text) { InitIni(text); }

    void InitIni(const QString& text);

    QString GetIni(const QString& section, const QString& key) const;
    QString GetIni(const QString& section, int n) const;
    // key + "=" + value of the n-th row of the section; a null QString for a
    // negative position, an empty section name or no rows, "" when absent.
    QString GetIniRow(const QString& section, int n) const;
    int GetIniN(const QString& section, const QString& key) const;
    int GetIniN(const QString& section, int n) const;

    void SetIni(const QString& section, const QString& key, const QString& value);
    void SetIniN(const QString& section, const QString& key, int value);

    QString IniToStr() const;

    int RowCount() const { return static_cast<int>(keys_.size()); }
    const QStringList& Keys() const { return keys_; }
    const QStringList& Values() const { return values_; }
    // Entry keys of the first section of that name, in file order.
    QStringList SectionKeys(const QString& section) const;
    bool HasSection(const QString& section) const { return FindSection(section) >= 0; }

    // Whitespace trim as the settings format defines it: every character at
    // or below the blank (U+0020) goes, nothing else.
    static QString Trim(const QString& text);
    static QStringList SpltStr(const QString& text, QChar sep);
    static int StrToInt(const QString& text);
    static QString RepStr(const QString& text, const QString& from, const QString& to);
    static QString RepStrI(const QString& text, const QString& from, const QString& to);
    static QString ChngNoToStr(qint64 no, int digits);
    static QString ChngNoToZeroStr(qint64 no, int digits);
    static QString IntToStr(qint64 no) { return QString::number(no); }

private:
    static inline const QString kHeader = QStringLiteral("[");

    int FindSection(const QString& section) const;
    int FindKey(int header, const QString& key) const;
    int SectionEnd(int header) const;

    QStringList keys_;
    QStringList values_;
};

}  // namespace korvi
