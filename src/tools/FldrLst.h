#pragma once

#include <QString>

#include "store/DocNotify.h"

namespace korvi {

class CtrlFile;

// The folder list page: "out_fldr_list.html" in a folder, listing everything
// below it as a collapsible tree of links.
class FldrLst {
public:
    FldrLst(CtrlFile& ctrl, DocMessageFn message = {}, DocOpenFn opener = {});

    // Writes and opens the page; returns its path, "" on failure.
    QString MkFldrLstHtml(const QString& folder);
    // The page text alone (counts in the members below).
    QString MkPage(const QString& folder);
    // The entries of one folder: files first, then sub-folders.
    void MkFldrLstHtml2(const QString& folder, QString* out);

    int Folders() const { return folders_; }
    int Files() const { return files_; }

private:
    CtrlFile& ctrl_;
    DocMessageFn message_;
    DocOpenFn opener_;
    int folders_ = 0;
    int files_ = 0;
};

}  // namespace korvi
