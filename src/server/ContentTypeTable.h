#pragma once

#include <QHash>
#include <QString>

#include <functional>

namespace korvi {

// The content-type table of "server/cntnt.txt": extension TAB type, with the
// key "Directory" for directory pages and "?,A,B" for types that depend on
// whether the file holds text.
class ContentTypeTable {
public:
    // Tells whether a file holds text (the store's encoding probe).
    using TextProbe = std::function<bool(const QString& path)>;

    void Load(const QString& text);
    int Size() const { return static_cast<int>(tbl_.size()); }
    QString Entry(const QString& key) const { return tbl_.value(key); }

    // The type of a file or folder (GetCntntTyp); "text/plain" when unknown.
    QString GetCntntTyp(const QString& path, const TextProbe& isText) const;

    // The extension of the last path segment; "" when it has none.
    static QString Extension(const QString& path);
    // For a stored query file ("style.css_/00000001.cgi", beside the query
    // list) the extension of the name the query belongs to ("css"); "" otherwise.
    static QString QueryFileExtension(const QString& path);

private:
    QHash<QString, QString> tbl_;
};

// A probe that calls a file text unless its first block holds control bytes
// that text never has.
bool LooksLikeText(const QString& path);

}  // namespace korvi
