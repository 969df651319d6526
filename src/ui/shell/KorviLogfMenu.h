#pragma once

#include <QString>

#include <functional>

class QMenu;
class QTreeView;
class QWidget;

namespace korvi {

struct GuiContext;

// The context menu of the main window's download-folder tree. The folder
// commands press owner's buttons of the same commands, so both ways behave
// alike; the last item writes the folder list page of the selected folder.
QMenu* InitLogfMenu(GuiContext& gui, QWidget* owner, QTreeView* tree,
                    std::function<QString()> selectedFolder);

// Writes "out_fldr_list.html" into folder and opens it; the page's path, ""
// on failure.
QString WriteFldrLst(GuiContext& gui, QWidget* parent, const QString& folder);

}  // namespace korvi
