#pragma once

#include <QString>

class QBoxLayout;
class QListWidget;
class QPushButton;
class QWidget;

namespace korvi {

// Building blocks shared by the settings panels.

// A titled list of named files with 新規 / 複製 / 名前変更 / 削除 under it.
struct NamedListSide {
    QWidget* side = nullptr;
    QListWidget* list = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnRename = nullptr;
    QPushButton* btnDel = nullptr;
};

// The buttons are named btn_new_<suffix>, btn_copy_<suffix>, ...
NamedListSide MkNamedListSide(QWidget* parent, const QString& heading, const QString& listName,
                              const QString& suffix);

// Ends a settings panel's column: free space, then the save button at the
// right, named name.
QPushButton* AddSaveRow(QBoxLayout* layout, QWidget* parent, const QString& name);

// Fills host with a splitter: the side at sideWidth, the editor taking the rest.
void LayOutBeside(QWidget* host, QWidget* side, QWidget* editor, int sideWidth);

}  // namespace korvi
