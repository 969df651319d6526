#pragma once

// ui/guide: the guide window. Includes core headers, ui/common and ui/guide
// only; it reaches the main window through MainWindowLink.

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "guide/GuidePreset.h"

class QPushButton;

namespace Ui {
class WinGuideForm;
}

namespace korvi {

struct GuiContext;
class MainWindowLink;

// The guide: presets for beginners that fill the main window's profile and
// init list, then name the start button to press.
class WinGuide : public QWidget {
    Q_OBJECT
public:
    WinGuide(GuiContext& gui, MainWindowLink& main, QWidget* parent = nullptr);
    ~WinGuide() override;

    // A built-in preset or a user preset (a profile named in guide.dat), as
    // its button runs it. False when a dialog was cancelled or left empty;
    // then nothing has changed.
    bool RunPreset(GuidePreset preset);
    bool RunUserPreset(const QString& name);

    // Closes the guide; with a run list it first offers to reset it.
    void Close();

    // The dialogs of the presets.
    QString GetStrDialog(const QString& title, const QString& text);
    int SelLstDialog(const QString& title, const QString& text, const QStringList& items);
    void Dialog(const QString& title, const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void InitSrchBtn();
    void InitDlBtn();
    void InitPicBtn();
    void InitOtherBtn();
    void InitBtn();
    void Connect(QPushButton* button, GuidePreset preset);
    bool Run(const GuidePlan& plan, const std::function<void()>& applyProfile);
    void ViewChanged(bool view);
    void OpenHelp();

    GuiContext& gui_;
    MainWindowLink& main_;
    std::unique_ptr<Ui::WinGuideForm> ui_;
    bool asked_reset_ = false;
};

}  // namespace korvi
