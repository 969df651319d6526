#pragma once

#include <QDialog>

#include <memory>

class QTreeWidgetItem;

namespace Ui {
class WinOptForm;
}

namespace korvi {

struct GuiContext;
class WinOptIndvRoot;

// The options window: a category tree beside the chosen category's panel.
class WinOpt : public QDialog {
    Q_OBJECT
public:
    explicit WinOpt(GuiContext& gui, QWidget* parent = nullptr);
    ~WinOpt() override;

    // Shows the panel of the category with this caption ("設定" shows the
    // overview); an unknown caption changes nothing.
    void SelectCategory(const QString& caption);
    // Shows "DL＆検索 設定" with that profile in the editor.
    void SelectProfile(const QString& name);
    // The caption of the chosen category, "" when none.
    QString CurrentCategory() const;
    // The panel shown beside the tree.
    QWidget* CurrentPanel() const;
    // Presses the footer's help button: the chosen category's help page.
    void OpenHelp();

Q_SIGNALS:
    // The list of profiles changed (new, copy, rename, delete).
    void profilesChanged();
    // Common settings that the main window shows changed (search type, case, ...).
    void commonChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AddCategory(const QString& caption, const QString& anchor, QWidget* panel);
    void ShowItem(QTreeWidgetItem* item);

    GuiContext& gui_;
    std::unique_ptr<Ui::WinOptForm> ui_;
    QTreeWidgetItem* root_ = nullptr;
    WinOptIndvRoot* profiles_ = nullptr;
};

}  // namespace korvi
