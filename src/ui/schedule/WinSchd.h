#pragma once

// ui/schedule: the schedule panel. Includes core headers, ui/common and
// ui/schedule only.

#include <QStringList>
#include <QWidget>

#include "ui/common/WorkPanel.h"

#include <memory>

class QTableView;

namespace Ui {
class WinSchdBody;
}

namespace korvi {

struct GuiContext;
class KorviSchd;
class ScheduleModel;

// The schedule panel of the main window (objectName "KorviSchd"): the
// schedule table with its choice cells and the new / copy / delete buttons.
// It edits the table the resident loop checks.
class WinSchd : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    WinSchd(GuiContext& gui, KorviSchd& table, QWidget* parent = nullptr);
    ~WinSchd() override;

    // Reads the schedules from their folder (InitLstData).
    void InitLstData();
    // Writes them back (SaveLstData); false when a file failed.
    bool SaveLstData();
    // Edited since the last load or save.
    bool Changed() const;
    // Stores the schedules when the main window closes: when the panel is
    // shown, and whenever they were edited (a cell still being edited
    // counts). False when a file failed.
    bool StoreOnClose(bool shown);

    void NewSchd();
    void CopySchd();
    void DelSchd();

    // The names of the favourites offered in the settings column.
    QStringList Favorites() const;

    // WorkPanel
    QTableView* EditTable() override { return table_view_; }
    bool EditCommand(const QString& name) override;

private:
    QList<int> SelectedRows() const;
    void SelectRow(int row);

    GuiContext& gui_;
    KorviSchd& table_;
    std::unique_ptr<Ui::WinSchdBody> ui_;
    ScheduleModel* model_ = nullptr;
    QTableView* table_view_ = nullptr;
};

}  // namespace korvi
