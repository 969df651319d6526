#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace korvi {

struct DlgText;
struct UserMessage;

// Every message box, question, input line, list choice and file or folder
// chooser of the windows goes through this seam: the desktop shows Qt
// dialogs, tests record them and answer from a script.
class Dialogs {
public:
    enum class Answer { kYes, kNo, kCancel };

    virtual ~Dialogs() = default;

    virtual void Message(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual Answer YesNo(QWidget* parent, const QString& title, const QString& text,
                         bool withCancel = false) = 0;
    // One line of text; a null string when cancelled.
    virtual QString Input(QWidget* parent, const QString& title, const QString& text,
                          const QString& initial = QString()) = 0;
    // One of items, current preselected; -1 when cancelled.
    virtual int Choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& items, int current = 0) = 0;
    // File and folder choosers; "" when cancelled. filter as in QFileDialog.
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& dir,
                             const QString& filter = QString()) = 0;
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                             const QString& filter = QString()) = 0;
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& dir) = 0;

    // Convenience over Message for the core's message values; nothing when empty.
    void Show(QWidget* parent, const DlgText& text);
    void Show(QWidget* parent, const UserMessage& message);
    bool Confirm(QWidget* parent, const QString& title, const QString& text) {
        return YesNo(parent, title, text) == Answer::kYes;
    }
};

// The real dialogs of the desktop.
class QtDialogs : public Dialogs {
public:
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
};

}  // namespace korvi
