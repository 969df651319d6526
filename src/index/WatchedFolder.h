#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/DirWatch.h"

namespace korvi {

// A search of a watched folder without a walk: the files to test, in the
// order the walk meets them, and what the walk would count of the rest.
struct IndexPlan {
    struct File {
        QByteArray local;         // path
        QByteArray local_folder;  // folder of it
        QByteArray name;
        QString shown_folder;
        QString shown_name;
        bool link = false;  // a link: the search judges where it leads
    };
    std::vector<File> files;
    qint64 folders = 0;
    qint64 skipped = 0;        // files the index rules out
    qint64 skipped_bytes = 0;  // and their sizes
};

// A trusted entry of the index: read long enough after the file's change.
struct IndexEntry {
    qint64 id = 0;
    qint64 size = 0;
    qint64 mtime = 0;
};

// What the kernel's change feed and one full walk tell about a folder of
// the store: every folder and file below it with the size and time it has
// now, and the index entry that matches it. Once the walk has run with the
// watches set, the feed's events keep it current; an event dropped or a
// watch lost makes it walk again. Not thread-safe.
class WatchedFolder {
public:
    // top: absolute, clean path bytes; shown: the same as text.
    WatchedFolder(QByteArray top, QString shown);
    ~WatchedFolder();
    WatchedFolder(const WatchedFolder&) = delete;
    WatchedFolder& operator=(const WatchedFolder&) = delete;

    const QByteArray& Top() const { return top_; }

    // The index's view, inside one read of it.
    struct Source {
        qint64 generation = 0;  // changes when the index is made anew
        // Trusted entries below the folder, by path.
        std::function<std::unordered_map<QByteArray, IndexEntry>()> below;
        // The trusted entry of one path.
        std::function<std::optional<IndexEntry>(const QByteArray&)> at;
    };
    // The files to test for a search whose words only the chosen entries can
    // hold (null: any file may); nothing when the folder cannot be watched
    // (then the search walks).
    std::optional<IndexPlan> Plan(const Source& source, const QSet<qint64>* chosen);

    // How many full walks were made (for tests).
    int Walks() const { return walks_; }

private:
    struct Node;
    bool Rebuild(const Source& source);
    bool Refresh();
    // Lists a folder below its watch; false when the watch cannot be set.
    bool Fill(Node& dir, const QByteArray& path);
    void Reconcile(const QByteArray& path, bool relist);
    void Drop(Node& node, const QByteArray& path);
    Node* FindDir(const QByteArray& path);
    // Files the index cannot rule out (loose) or can, by entry id.
    void Judge(Node& node);
    // Takes a node out of the sets and the totals.
    void Forget(Node& node);
    QByteArray PathOf(const Node& node) const;

    QByteArray top_;
    QString shown_;
    std::unique_ptr<DirWatch> watch_;
    std::unique_ptr<Node> root_;
    std::unordered_map<int, QByteArray> wds_;  // watch id -> folder path
    std::unordered_map<qint64, Node*> by_id_;  // files whose entry holds
    std::unordered_set<Node*> loose_;          // files and links to test always
    // What a walk would count: folders, files and their bytes.
    qint64 folders_ = 0;
    qint64 files_ = 0;
    qint64 bytes_ = 0;
    qint64 generation_ = -1;
    bool trusted_ = false;
    bool rebuilding_ = false;
    int walks_ = 0;
};

}  // namespace korvi
