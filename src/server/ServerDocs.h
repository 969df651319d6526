#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "server/ContentTypeTable.h"
#include "server/HttpSrvrSeams.h"
#include "store/OutTemplate.h"

namespace korvi {

class CtrlFile;
class HttpSrvr;
class Matcher;
class StoreIndex;

// The local server's pages and searches on the real template engine and the
// downloaded-file search.
namespace ServerDocs {

// Data sections the shipped templates repeat.
inline const QString kDirTable = QStringLiteral("dir_list");
inline const QString kSrchTable = QStringLiteral("log_srch_list");

// GetOutRtName, and rendering through a fresh OutTemplate per page (so that
// channels never share one).
HttpSrvrDocs MkDocs(CtrlFile& ctrl);

// Rows a search through the server lists at most; the search ends there.
constexpr int kSrchRowsMax = 1000;

// One LogSrch per request, run to its end (or its kSrchRowsMax-th row) on the
// calling thread alone; a server shutdown stops it. With the store index,
// files it rules out are not read.
LogSrchFn MkLogSrch(CtrlFile& ctrl, Matcher& matcher, StoreIndex* index = nullptr);

// A file counts as text when LoadDataEnc reads it as such.
ContentTypeTable::TextProbe MkTextProbe(CtrlFile& ctrl);

// Sets all three seams of a server.
void Wire(HttpSrvr& srvr, CtrlFile& ctrl, Matcher& matcher, StoreIndex* index = nullptr);

// Template parameters (name, value, ...). Values are escaped for HTML except
// those whose name ends in "_html", which are markup already.
QStringList MkParams(const HttpDocValues& values);
// The directory lists as one table, a row per entry.
DocTable MkDirTable(const HttpDocValues& values);
// Search rows (No, context, file name, path below the root, size, extension)
// as the search table, "^href" the file's address from the server root.
DocTable MkSrchTable(const std::vector<QStringList>& rows);

}  // namespace ServerDocs

}  // namespace korvi
