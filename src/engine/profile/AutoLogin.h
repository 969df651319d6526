#pragma once

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>

namespace korvi {

class CtrlFile;

// Auto-login data: settings files in the folder "auto_login", each naming a
// URL (section URL, key url) and the query parameters (section QUERY) that
// are appended to that URL before it is fetched. A file with avoid=true (any
// letter case) is switched off. Safe to read from many workers at once.
class AutoLogin {
public:
    static inline const QString kFolder = QStringLiteral("auto_login");

    // Reads every file of the folder (home-relative unless absolute) in name
    // order; the table is replaced as a whole. A later file with the same url
    // replaces an earlier one.
    void InitAutoLogin(CtrlFile& ctrl, const QString& folder = kFolder);

    // The URL with its stored query appended ("?" or, when the URL already
    // has a query, "&"); unchanged when it has no entry or nothing to append.
    QString ChkAutoLogin(const QString& url) const;

    int Count() const;

private:
    using Table = QHash<QString, QString>;  // url -> whole settings text
    mutable QMutex mutex_;
    std::shared_ptr<const Table> table_;
};

}  // namespace korvi
