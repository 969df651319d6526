#pragma once

#include <QString>

namespace korvi {

// The pure part of the URL-to-path mapping: everything but the query-list
// file, which CtrlFile::GetLogFrdr reads and extends under its lock.
struct UrlMapping {
    // Mapped path below root + "/" + run id; for a URL with a query it ends
    // in the folder's query list "cgi%%q.txt".
    QString path;
    bool queryList = false;  // path names a query list; query gives the line
    QString query;
    bool unknownHost = false;
    QString error;            // failure; path is then empty
    bool localError = false;  // the failure came after parsing
    // The last name was cut to the stored length; another URL may share it.
    bool lastCut = false;
    // For a folder URL whose last name holds a ".": the file name earlier
    // versions stored its page under ("…/rel1.2" for "…/rel1.2/").
    QString formerPath;
};

inline constexpr char kQueryListName[] = "cgi%%q.txt";

// Maps a URL to its local path (a file: URL to its local file). root and
// runId are joined with "/" as given. The host folder is the host as written,
// with ":" and the port when the URL names one other than its scheme's default.
// With cutSuffix, a last name that had to be cut gets a stable suffix made
// from the whole name, for a URL whose cut name another URL holds already.
UrlMapping MapUrl(const QString& url, const QString& root, const QString& runId,
                  bool cutSuffix = false);

// The query list entry of a URL, as the list stores it (line breaks escaped).
QString ListableQuery(const QString& query);

// True when path lies strictly below prefix and none of the components
// after prefix is empty, "." or ".." or holds a NUL.
bool PathStaysBelow(const QString& prefix, const QString& path);

// The file name of the n-th query of a page: 00000000.cgi, 00000001.cgi ...
QString QueryFileName(int n);

}  // namespace korvi
