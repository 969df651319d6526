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
// "続きから再開" is offered when canResume says the selected folder holds an
// interrupted run.
QMenu* InitLogfMenu(GuiContext& gui, QWidget* owner, QTreeView* tree,
                    std::function<QString()> selectedFolder, std::function<bool()> canResume,
                    std::function<void()> resume);

// Writes "out_fldr_list.html" into folder and opens it; the page's path, ""
// on failure.
QString WriteFldrLst(GuiContext& gui, QWidget* parent, const QString& folder);

}  // namespace korvi
