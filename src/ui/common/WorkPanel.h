#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QTableView;

namespace korvi {

class RepTarget;

// Rows of a panel handed to an output template: the placeholder keys, one
// cell list per row in key order, and the search text the rows were found with.
struct OutputRows {
    QStringList keys;
    std::vector<QStringList> rows;
    QString words;
};

// What the main window's menus ask of the panel of the current work category.
class WorkPanel {
public:
    virtual ~WorkPanel() = default;
    // The table of the basic Edit commands (copy, send to); null when none.
    virtual QTableView* EditTable() { return nullptr; }
    // The rows for find and replace; null when the panel has none.
    virtual RepTarget* Replace() { return nullptr; }
    // Runs a panel-specific menu command by the item's object name; false
    // when the panel has no such command.
    virtual bool EditCommand(const QString& name) {
        (void)name;
        return false;
    }
    // The selected rows for "出力(T)"; empty keys when the panel has none.
    virtual OutputRows SelectedOutputRows() const { return {}; }
};

}  // namespace korvi
