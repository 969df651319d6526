#pragma once

#include <QWidget>

namespace korvi {

struct GuiContext;

// Options panel "ウィンドウ表示テーマ": the theme files and "保存".
class WinOptThm : public QWidget {
    Q_OBJECT
public:
    explicit WinOptThm(GuiContext& gui, QWidget* parent = nullptr);

private:
    GuiContext& gui_;
};

}  // namespace korvi
