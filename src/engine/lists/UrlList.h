#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvi {

class CtrlFile;

// A list of URL fragments loaded from list files, one entry per line. An
// entry matches a URL that contains it; an entry ending in the two characters
// "\z" matches a URL that ends with the rest of the entry. Loading replaces
// the list as a whole, so reads from other threads always see one complete list.
class UrlList {
public:
    // setting: one or more list file paths separated by ","; an empty setting
    // empties the list. A missing or unreadable file adds nothing.
    void Load(CtrlFile& ctrl, const QString& setting);
    // Replaces the list by the entries of one list text.
    void SetText(const QString& text);
    void Clear();

    bool Matches(const QString& url) const;
    bool IsEmpty() const;
    // The usable entries, in file order, as written.
    QStringList Entries() const;

    // The loading rule on a text: "\r" removed, repeated "\n" collapsed, split into lines.
    static QStringList SplitListText(QString text);

private:
    struct Entry {
        QString text;  // without the "\z"
        bool at_end = false;
    };
    using Entries_ = std::vector<Entry>;
    static std::shared_ptr<const Entries_> Build(const QStringList& lines);
    std::shared_ptr<const Entries_> Snapshot() const;

    mutable QMutex mutex_;
    std::shared_ptr<const Entries_> entries_;
};

}  // namespace korvi
