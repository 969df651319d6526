#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

#include "TempHome.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"

namespace korvi::test {

// Dialogs that record what would have been shown and answer from a script.
// Without a scripted answer: messages are acknowledged, questions answered
// yes, inputs and choosers cancelled, list choices take the preselected item.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "message", "yesno", "input", "choose", "open", "save", "folder"
        QString title;
        QString text;
    };

    // Answers for the next questions of each kind, taken in order.
    std::deque<Answer> yesNo;
    std::deque<QString> inputs;  // also answers the file and folder choosers
    std::deque<int> choices;

    std::vector<Shown> shown;
    // Called after each dialog is recorded (for example to quit an event loop).
    std::function<void(const Shown&)> onShown;

    bool WasShown(const QString& title) const;
    QString TextOf(const QString& title) const;  // last text shown under title
    QStringList Titles() const;

    void Message(QWidget* parent, const QString& title, const QString& text) override;
    Answer YesNo(QWidget* parent, const QString& title, const QString& text,
                 bool withCancel) override;
    QString Input(QWidget* parent, const QString& title, const QString& text,
                  const QString& initial) override;
    int Choose(QWidget* parent, const QString& title, const QString& text, const QStringList& items,
               int current) override;
    QString OpenFile(QWidget* parent, const QString& title, const QString& dir,
                     const QString& filter) override;
    QString SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                     const QString& filter) override;
    QString ChooseFolder(QWidget* parent, const QString& title, const QString& dir) override;

private:
    void Record(const QString& kind, const QString& title, const QString& text);
    QString NextInput();
};

// A temporary home with scripted dialogs and an opener that records what it
// was asked to open.
class GuiHome : public TempHome {
public:
    GuiHome();
    GuiContext& Gui() { return gui_; }
    ScriptedDialogs& Dlg() { return dlg_; }
    QStringList opened;

private:
    ScriptedDialogs dlg_;
    GuiContext gui_;
};

// The named child of a panel, failing the test when missing.
template <typename T>
T* Find(QObject* parent, const QString& name) {
    return parent ? parent->findChild<T*>(name) : nullptr;
}

// Processes events until pred holds or timeoutMs passes; pred's last value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 10000);

}  // namespace korvi::test
