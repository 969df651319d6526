#pragma once

// ui/present: the theme settings panel. Includes core headers, ui/common
// and ui/present only.

#include <QWidget>

class QListWidget;
class QPushButton;

namespace korvi {

struct GuiContext;

// Options panel "ウィンドウ表示テーマ": the theme files and "保存".
class WinOptThm : public QWidget {
    Q_OBJECT
public:
    explicit WinOptThm(GuiContext& gui, QWidget* parent = nullptr);

    // Lists the theme files, "Korvi" selected.
    void InitListData();
    // Copies the selected theme over "Korvi.theme" and applies it to every
    // window at once. False when nothing was selected or the copy failed.
    bool SaveOpt();

Q_SIGNALS:
    // The active theme changed.
    void themeSaved();

private:
    GuiContext& gui_;
    QListWidget* lst_thm_ = nullptr;
    QPushButton* btn_save_ = nullptr;
};

}  // namespace korvi
