#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

class Assist;
class CommonSettings;

// The history of an editable combo box of the replace dialog: most recent
// first, no duplicates, at most kMax entries. Kept in "cmn_opt.ini" in a
// section of the history's name, one key per entry ("0", "1", ...).
class RepHistory {
public:
    static inline const QString kSearchBox = QStringLiteral("ReplaceSearchBox");
    static inline const QString kReplaceBox = QStringLiteral("ReplaceReplaceBox");
    static constexpr int kMax = 20;

    explicit RepHistory(const QString& name) : name_(name) {}

    const QString& Name() const { return name_; }
    const QStringList& Items() const { return items_; }
    // Puts the text first (moving it when present); empty text is ignored.
    void Add(const QString& text);

    // Reads the entries from a settings text.
    void Read(const Assist& ini);
    // Writes the entries into a settings text; entries beyond the list are
    // emptied.
    void Write(Assist& ini) const;
    // Reads from the held text of the common settings.
    void Load(const CommonSettings& cmn);
    // Writes into the common settings and their file, other keys kept.
    bool Save(CommonSettings& cmn) const;

    // A value that survives the settings format: "\" doubled, TAB, LF and
    // CR written "\t", "\n", "\r", blanks at the end written "\s".
    static QString Escape(const QString& text);
    static QString Unescape(const QString& text);

private:
    QString name_;
    QStringList items_;
};

}  // namespace korvi
