#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QCloseEvent;
class QDialog;
class QObject;
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

    // A modal dialog runs a nested event loop in which anything may happen,
    // also the deletion of the window that asked. Windows therefore close and
    // are deleted only while no dialog runs.

    // True while a dialog run through Exec is open.
    bool Busy() const { return depth_ > 0; }
    // Runs fn once no dialog is open: at once when none is, else after the
    // last one returned, from the event loop. Dropped when context is gone.
    void WhenIdle(QObject* context, std::function<void()> fn);
    // For a closeEvent: while a dialog is open the close is refused and made
    // again once the dialogs returned. True when the close was put off.
    bool DeferClose(QWidget* window, QCloseEvent* event);
    // Cancels every open dialog, the innermost first (the program ends).
    void DismissAll();
    // Runs a heap dialog modally (it should have a parent, which guards it).
    // The dialog is not deleted here; it may be gone afterwards when its
    // parent was deleted meanwhile, and then the result is Rejected.
    int Exec(QDialog* dialog);

private:
    struct Pending {
        QPointer<QObject> context;
        std::function<void()> fn;
    };
    int depth_ = 0;
    std::vector<QPointer<QDialog>> open_;
    std::vector<Pending> pending_;
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

private:
    enum FileMode { kOpen, kSave, kFolder };
    QString RunFileDialog(QWidget* parent, const QString& title, const QString& dir,
                          const QString& filter, int mode);
};

}  // namespace korvi
