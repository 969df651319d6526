#pragma once

#include <QHash>
#include <QMutex>
#include <QString>
#include <QVector>

namespace korvi {

class CtrlFile;

// The references of a run's offline copies that were made local before
// their targets were stored. Once the run has ended, a reference whose copy
// never came is pointed at the copy actually stored (a redirect, a page
// renamed to ".html") or else at its web URL. Shared by the run's workers.
class OfflineLedger {
public:
    // The stored page (or style sheet) `page` refers to `target` (both paths
    // as the store maps them), written as a local reference; web is the
    // absolute URL the reference stands for.
    void Pending(const QString& page, const QString& target, const QString& web);
    // The answer for the URL mapped to `mapped` was stored as `stored`.
    void Stored(const QString& mapped, const QString& stored);
    // Rewrites the pages whose pending references name no stored file;
    // returns how many pages changed. The ledger is empty afterwards.
    int Settle(CtrlFile& ctrl);

private:
    struct Ref {
        QString target;
        QString web;
    };
    QMutex mutex_;
    QHash<QString, QVector<Ref>> pending_;  // page -> references
    QHash<QString, QString> stored_;        // mapped path -> stored path
};

}  // namespace korvi
