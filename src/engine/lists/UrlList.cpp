#include "engine/lists/UrlList.h"

#include <QMutexLocker>

#include "store/CtrlFile.h"

namespace korvi {

QStringList UrlList::SplitListText(QString text) {
    text.remove(u'\r');
    while (text.contains(QStringLiteral("\n\n")))
        text.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    return text.split(u'\n');
}

std::shared_ptr<const UrlList::Entries_> UrlList::Build(const QStringList& lines) {
    auto entries = std::make_shared<Entries_>();
    static const QString kEnd = QStringLiteral("\\z");
    for (const QString& line : lines) {
        Entry e;
        e.text = line;
        if (e.text.endsWith(kEnd)) {
            e.text.chop(kEnd.size());
            e.at_end = true;
        }
        // An empty entry (also a bare "\z") would match every URL.
        if (e.text.isEmpty()) continue;
        entries->push_back(std::move(e));
    }
    return entries;
}

void UrlList::Load(CtrlFile& ctrl, const QString& setting) {
    QString all;
    for (const QString& name : setting.split(u',')) {
        const QString path = name.trimmed();
        if (path.isEmpty()) continue;
        all += ctrl.LoadData(path);  // logged and "" when unreadable
        all += u'\n';
    }
    auto entries = Build(SplitListText(all));
    QMutexLocker lock(&mutex_);
    entries_ = std::move(entries);
}

void UrlList::SetText(const QString& text) {
    auto entries = Build(SplitListText(text));
    QMutexLocker lock(&mutex_);
    entries_ = std::move(entries);
}

void UrlList::Clear() {
    QMutexLocker lock(&mutex_);
    entries_.reset();
}

std::shared_ptr<const UrlList::Entries_> UrlList::Snapshot() const {
    QMutexLocker lock(&mutex_);
    return entries_;
}

bool UrlList::Matches(const QString& url) const {
    if (url.isEmpty()) return false;
    const auto entries = Snapshot();
    if (!entries) return false;
    for (const Entry& e : *entries) {
        if (e.at_end ? url.endsWith(e.text) : url.contains(e.text)) return true;
    }
    return false;
}

bool UrlList::IsEmpty() const {
    const auto entries = Snapshot();
    return !entries || entries->empty();
}

QStringList UrlList::Entries() const {
    QStringList out;
    const auto entries = Snapshot();
    if (!entries) return out;
    for (const Entry& e : *entries) out.append(e.at_end ? e.text + QStringLiteral("\\z") : e.text);
    return out;
}

}  // namespace korvi
