#pragma once

#include <QDialog>

namespace korvi {

struct GuiContext;

// The options window: a category tree beside the chosen category's panel.
class WinOpt : public QDialog {
    Q_OBJECT
public:
    explicit WinOpt(GuiContext& gui, QWidget* parent = nullptr);
    // Shows the panel of the category with this caption.
    void SelectCategory(const QString& caption);

Q_SIGNALS:
    // The list of profiles changed (new, copy, rename, delete).
    void profilesChanged();
    // Common settings that the main window shows changed (search type, case, ...).
    void commonChanged();

private:
    GuiContext& gui_;
};

}  // namespace korvi
