#pragma once

#include <QString>

#include "engine/page/LinkExtract.h"

namespace korvi {

class Assist;

// Contents of a list file: the base URL and title ("[BaseData]") and the
// numbered links ("[AllLinks]").
struct ListFileData {
    QString pUrl;
    QString pTitle;
    qint64 linkNo = 0;  // link_no as written (may disagree with the rows found)
    LinkList links;     // rows 0 .. link_no-1 that are present, in number order
};

// The list file text, every line ending in "\n":
// [BaseData] p_url p_title, an empty line, [AllLinks] link_no and
// link<i>/title<i>/extension<i> for each row.
QString MkListFile(const QString& pUrl, const QString& pTitle, const LinkList& links);

// True when the parsed text is a list file: link_no above 0 or a non-empty p_url.
bool IsListFile(const Assist& ini);

// Reads the rows of a parsed list file. A link_no larger than the rows
// present reads only what is there; missing numbers are skipped.
ListFileData ReadListFile(const Assist& ini);

}  // namespace korvi
