#include "index/WatchedFolder.h"

#include <QFile>
#include <algorithm>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include "store/RunLock.h"
#include "store/StoreEntry.h"

namespace korvi {

namespace {

// Entries in the walk's order: by the name as shown, then by its bytes.
struct Key {
    QString shown;
    QByteArray name;
    bool operator<(const Key& o) const {
        const int c = shown.compare(o.shown);
        return c != 0 ? c < 0 : name < o.name;
    }
};

Key KeyOf(const QByteArray& name) {
    return {QString::fromUtf8(name), name};
}

}  // namespace

struct WatchedFolder::Node {
    enum class Kind { Dir, File, Link };
    Kind kind = Kind::File;
    Node* parent = nullptr;
    QByteArray name;
    QString shown;
    bool indexable = true;  // the index may hold an entry of it
    qint64 size = 0;
    qint64 mtime = 0;
    IndexEntry entry;  // the matching entry; id 0: none known
    // A file that appeared under this name after the walk: the entry the
    // index had of the name then may be of the file it replaced (same size
    // and time after a rename), so that entry is not trusted. -1: not
    // looked up yet.
    qint64 stale = 0;
    bool counted = false;  // in the folder's totals
    int wd = -1;
    std::map<Key, std::unique_ptr<Node>> children;
};

WatchedFolder::WatchedFolder(QByteArray top, QString shown)
    : top_(std::move(top)), shown_(std::move(shown)) {}

WatchedFolder::~WatchedFolder() = default;

bool WatchedFolder::Fill(Node& dir, const QByteArray& path) {
    // The watch first: whatever changes from now on is reported.
    dir.wd = watch_->Add(path);
    if (dir.wd < 0) return false;
    wds_[dir.wd] = path;
    DIR* h = ::opendir(path.constData());
    if (!h) return false;
    std::vector<QByteArray> names;
    while (const dirent* e = ::readdir(h)) {
        if (IsStoreEntry(e->d_name)) names.emplace_back(e->d_name);
    }
    ::closedir(h);
    for (const QByteArray& name : names) Reconcile(ChildPath(path, name), true);
    return trusted_;
}

void WatchedFolder::Drop(Node& node, const QByteArray& path) {
    Forget(node);
    if (node.kind != Node::Kind::Dir) return;
    // A folder moved elsewhere below keeps its watch under its new path.
    const auto it = wds_.find(node.wd);
    if (it != wds_.end() && it->second == path) {
        wds_.erase(it);
        watch_->Remove(node.wd);
    }
    for (auto& [key, child] : node.children) Drop(*child, ChildPath(path, key.name));
}

WatchedFolder::Node* WatchedFolder::FindDir(const QByteArray& path) {
    if (path == top_) return root_.get();
    if (!path.startsWith(top_) || path.size() <= top_.size() + 1 || path[top_.size()] != '/') {
        return nullptr;
    }
    Node* at = root_.get();
    for (const QByteArray& part : path.mid(top_.size() + 1).split('/')) {
        const auto it = at->children.find(KeyOf(part));
        if (it == at->children.end() || it->second->kind != Node::Kind::Dir) return nullptr;
        at = it->second.get();
    }
    return at;
}

void WatchedFolder::Reconcile(const QByteArray& path, bool relist) {
    if (path == top_) {
        if (relist) trusted_ = false;  // the folder itself went or lost its watch
        return;
    }
    const qsizetype cut = path.lastIndexOf('/');
    if (cut < 0) return;
    const QByteArray name = path.mid(cut + 1);
    Node* parent = FindDir(cut == 0 ? QByteArray("/") : path.left(cut));
    if (!parent || !IsStoreEntry(name.constData())) return;
    static const QByteArray kLockName = QFile::encodeName(RunLock::kFileName);
    const Key key = KeyOf(name);
    auto it = parent->children.find(key);
    struct stat st {};
    const bool exists = ::lstat(path.constData(), &st) == 0;
    Node::Kind kind = Node::Kind::File;
    if (!exists || name == kLockName) {
        if (it != parent->children.end()) {
            Drop(*it->second, path);
            parent->children.erase(it);
        }
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        kind = Node::Kind::Dir;
    } else if (S_ISLNK(st.st_mode)) {
        kind = Node::Kind::Link;
    } else if (!S_ISREG(st.st_mode)) {
        if (it != parent->children.end()) {
            Drop(*it->second, path);
            parent->children.erase(it);
        }
        return;  // pipes and devices are never searched
    }
    if (it != parent->children.end() && (it->second->kind != kind || relist)) {
        Drop(*it->second, path);
        parent->children.erase(it);
        it = parent->children.end();
    }
    if (it == parent->children.end()) {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->parent = parent;
        node->name = name;
        node->shown = key.shown;
        node->indexable = parent->indexable && NamedByText(name) && !name.contains(" lst.ini") &&
                          kind == Node::Kind::File;
        if (kind == Node::Kind::Dir) node->indexable = parent->indexable && NamedByText(name);
        it = parent->children.emplace(key, std::move(node)).first;
        if (kind == Node::Kind::File && !rebuilding_) it->second->stale = -1;
        if (kind == Node::Kind::Dir) {
            ++folders_;
            it->second->counted = true;
            if (!Fill(*it->second, path)) trusted_ = false;
        }
    }
    Node& n = *it->second;
    if (n.kind == Node::Kind::File) {
        Forget(n);
        n.size = qint64(st.st_size);
        n.mtime = MtimeNs(st);
        Judge(n);
    } else if (n.kind == Node::Kind::Link) {
        loose_.insert(&n);
    }
}

void WatchedFolder::Forget(Node& n) {
    loose_.erase(&n);
    if (n.kind == Node::Kind::File) {
        const auto it = by_id_.find(n.entry.id);
        if (it != by_id_.end() && it->second == &n) by_id_.erase(it);
    }
    if (!n.counted) return;
    n.counted = false;
    if (n.kind == Node::Kind::Dir) {
        --folders_;
    } else if (n.kind == Node::Kind::File) {
        --files_;
        bytes_ -= n.size;
    }
}

void WatchedFolder::Judge(Node& n) {
    if (n.kind != Node::Kind::File) return;
    if (!n.counted) {
        ++files_;
        bytes_ += n.size;
        n.counted = true;
    }
    loose_.erase(&n);
    const auto it = by_id_.find(n.entry.id);
    if (it != by_id_.end() && it->second == &n) by_id_.erase(it);
    const bool holds = n.indexable && n.entry.id > 0 && n.entry.id != n.stale &&
                       n.entry.size == n.size && n.entry.mtime == n.mtime;
    if (holds)
        by_id_[n.entry.id] = &n;
    else
        loose_.insert(&n);
}

QByteArray WatchedFolder::PathOf(const Node& node) const {
    std::vector<const Node*> chain;
    for (const Node* n = &node; n->parent; n = n->parent) chain.push_back(n);
    QByteArray p = top_;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = ChildPath(p, (*it)->name);
    return p;
}

bool WatchedFolder::Rebuild(const Source& source) {
    ++walks_;
    wds_.clear();
    by_id_.clear();
    loose_.clear();
    files_ = bytes_ = 0;
    folders_ = 1;
    watch_ = std::make_unique<DirWatch>();
    root_ = std::make_unique<Node>();
    root_->kind = Node::Kind::Dir;
    root_->counted = true;
    root_->indexable = NamedByText(top_);
    trusted_ = watch_->Ok();
    rebuilding_ = true;
    if (trusted_) trusted_ = Fill(*root_, top_);
    rebuilding_ = false;
    generation_ = source.generation;
    if (!trusted_) {
        by_id_.clear();
        loose_.clear();
        root_.reset();
        watch_.reset();
        wds_.clear();
        return false;
    }
    // One look at the index for every file, as the update compares them.
    const std::unordered_map<QByteArray, IndexEntry> known = source.below();
    std::function<void(Node&, const QByteArray&)> match = [&](Node& dir, const QByteArray& path) {
        for (auto& [key, child] : dir.children) {
            const QByteArray p = ChildPath(path, key.name);
            if (child->kind == Node::Kind::Dir) {
                match(*child, p);
            } else if (child->kind == Node::Kind::File && child->indexable) {
                const auto e = known.find(p);
                if (e == known.end()) continue;
                child->entry = e->second;
                Judge(*child);
            }
        }
    };
    match(*root_, top_);
    return true;
}

bool WatchedFolder::Refresh() {
    bool overflow = false;
    const std::vector<DirWatch::Event> events = watch_->Drain(&overflow);
    if (overflow) return trusted_ = false;
    // Paths to look at again, parents before children; true: list anew.
    std::map<QByteArray, bool> dirty;
    for (const DirWatch::Event& e : events) {
        const auto w = wds_.find(e.wd);
        if (w == wds_.end()) continue;  // a watch given up already
        const QByteArray folder = w->second;
        if (!e.name.isEmpty()) {
            bool& relist = dirty[ChildPath(folder, e.name)];
            relist = relist || (e.mask & (IN_CREATE | IN_MOVED_TO));
            continue;
        }
        if (e.mask & IN_IGNORED) wds_.erase(e.wd);
        if (e.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
            dirty[folder] = true;
        }
    }
    for (const auto& [path, relist] : dirty) {
        Reconcile(path, relist);
        if (!trusted_) return false;
    }
    return trusted_;
}

std::optional<IndexPlan> WatchedFolder::Plan(const Source& source, const QSet<qint64>* chosen) {
    if (!trusted_ || !watch_ || source.generation != generation_ || !Refresh()) {
        if (!Rebuild(source) || !Refresh()) {
            trusted_ = false;
            return std::nullopt;
        }
    }
    std::vector<Node*> test;
    std::vector<Node*> loose(loose_.begin(), loose_.end());
    for (Node* n : loose) {
        if (n->kind == Node::Kind::File && n->indexable) {
            // Changed since it was last matched: the index may have read it since.
            n->entry = source.at(PathOf(*n)).value_or(IndexEntry());
            if (n->stale == -1) n->stale = n->entry.id;
            Judge(*n);
        }
    }
    test.assign(loose_.begin(), loose_.end());
    if (chosen) {
        for (const qint64 id : *chosen) {
            const auto it = by_id_.find(id);
            if (it != by_id_.end()) test.push_back(it->second);
        }
    } else {
        for (const auto& [id, n] : by_id_) test.push_back(n);
    }
    IndexPlan plan;
    plan.folders = folders_;
    plan.skipped = files_;
    plan.skipped_bytes = bytes_;
    // In the walk's order: folder by folder, by name as shown, then bytes.
    struct Item {
        std::vector<const Node*> chain;  // from the top down
        Node* node;
    };
    std::vector<Item> items;
    items.reserve(test.size());
    for (Node* n : test) {
        Item item{{}, n};
        for (const Node* at = n; at->parent; at = at->parent) item.chain.push_back(at);
        std::reverse(item.chain.begin(), item.chain.end());
        items.push_back(std::move(item));
        if (n->kind == Node::Kind::File) {
            --plan.skipped;
            plan.skipped_bytes -= n->size;
        }
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        const size_t n = std::min(a.chain.size(), b.chain.size());
        for (size_t i = 0; i < n; ++i) {
            const Node* x = a.chain[i];
            const Node* y = b.chain[i];
            if (x == y) continue;
            const int c = x->shown.compare(y->shown);
            return c != 0 ? c < 0 : x->name < y->name;
        }
        return a.chain.size() < b.chain.size();
    });
    plan.files.reserve(items.size());
    for (const Item& item : items) {
        QByteArray folder = top_;
        QString shown = shown_;
        for (size_t i = 0; i + 1 < item.chain.size(); ++i) {
            folder = ChildPath(folder, item.chain[i]->name);
            shown = shown.endsWith(u'/') ? shown + item.chain[i]->shown
                                         : shown + u'/' + item.chain[i]->shown;
        }
        const Node& n = *item.node;
        plan.files.push_back({ChildPath(folder, n.name), folder, n.name, shown, n.shown,
                              n.kind == Node::Kind::Link});
    }
    return plan;
}

}  // namespace korvi
