#pragma once

// ui/store: the download-folder settings panels. Includes core headers,
// ui/common and ui/store only.

#include <QWidget>

class QLineEdit;

namespace korvi {

struct GuiContext;

// Options panel "DL先フォルダのパス": the download root ("log_folder").
class WinOptLogF : public QWidget {
    Q_OBJECT
public:
    explicit WinOptLogF(GuiContext& gui, QWidget* parent = nullptr);

    // "参照": a folder chooser fills the field.
    void Browse();
    // "保存": stores an existing folder as the download root; false (with
    // the path error shown) otherwise.
    bool SaveOpt();

Q_SIGNALS:
    // The download root was saved.
    void saved();

private:
    GuiContext& gui_;
    QLineEdit* txt_logf_;
};

}  // namespace korvi
