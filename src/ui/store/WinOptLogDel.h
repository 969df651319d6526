#pragma once

#include <QWidget>

#include <memory>

#include "shell/CommonSettings.h"

namespace Ui {
class WinOptLogDelBody;
}

namespace korvi {

struct GuiContext;

// Options panel "DL先フォルダの削除設定": when the main window closes, old
// run folders go by age, total size and number ("LogDel").
class WinOptLogDel : public QWidget {
    Q_OBJECT
public:
    explicit WinOptLogDel(GuiContext& gui, QWidget* parent = nullptr);
    ~WinOptLogDel() override;

    void Show(const LogDelSettings& s);
    // "デフォルト": the reset values in the controls (not saved).
    void ResetOpt();
    // "保存": false (with a message) when a field is not a number or the
    // file could not be written; nothing changes then.
    bool SaveOpt();

Q_SIGNALS:
    void saved();

private:
    GuiContext& gui_;
    std::unique_ptr<Ui::WinOptLogDelBody> ui_;
};

}  // namespace korvi
