#pragma once

#include <QWidget>

class QCheckBox;

namespace korvi {

struct GuiContext;

// Options panel "URLを開くブラウザの設定": the switch not_send_ie of
// "cmn_opt.ini" (several URLs go to the desktop's default opener).
class WinOptBrws : public QWidget {
    Q_OBJECT
public:
    explicit WinOptBrws(GuiContext& gui, QWidget* parent = nullptr);

    // Presses "保存": writes not_send_ie and saves the common settings.
    // False when the file could not be written (nothing changes then).
    bool SaveOpt();

Q_SIGNALS:
    void saved();

private:
    GuiContext& gui_;
    QCheckBox* cb_not_ie_;
};

}  // namespace korvi
