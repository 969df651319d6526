#pragma once

#include <QString>

#include "shell/UserMessage.h"

namespace korvi {

class CommonSettings;
class CtrlFile;

struct FldrNameResult {
    bool ok = false;
    QString run_id;       // the new run identifier when ok
    UserMessage message;  // what to show when not ok (may be empty for a cancel)
};

// Folder commands of the main window's download-folder tree and the
// download-root panel. After a new run identifier the caller puts it into
// force (MoveSrchStartId).
class FolderTree {
public:
    // The input boxes: title and prompt.
    static UserMessage NewFldrPrompt();
    static UserMessage RenamePrompt();

    // New folder: forbidden characters are stripped; a name that already
    // exists below the download root is refused; an empty name is a cancel.
    static FldrNameResult NewFldr(CtrlFile& ctrl, const QString& name);
    // Renames the current run folder; refused when the tree's root is selected.
    static FldrNameResult RenameFldr(CtrlFile& ctrl, bool rootSelected, const QString& name);
    // The download-root panel's save: takes the path when it names an existing
    // folder; else returns the "パス・エラー" message and changes nothing.
    static UserMessage SaveLogFolderPath(CommonSettings& settings, CtrlFile& ctrl,
                                         const QString& path);
};

}  // namespace korvi
