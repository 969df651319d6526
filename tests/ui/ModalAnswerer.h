#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace korvi::test {

// Answers the real dialogs as a user would: a timer looks at
// QApplication::activeModalWidget() and hands every newly shown one to
// answer. A dialog that comes back on top after its answer (a dialog of its
// own has closed) or stays open long after it is rejected, so that a wrong
// answer never hangs a test.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QWidget* modal)>;

    explicit ModalAnswerer(Answer answer, int intervalMs = 5);

    // Window titles of the dialogs seen, in order.
    const QStringList& Titles() const { return titles_; }
    void Clear() { titles_.clear(); }

private:
    void Tick();

    Answer answer_;
    QTimer timer_;
    QPointer<QWidget> last_;
    QList<QPointer<QWidget>> answered_;
    int ticks_ = 0;
    QStringList titles_;
};

// Clicks the button with this caption inside modal; false when there is none.
bool PressButton(QWidget* modal, const QString& caption);

// The usual answers: "はい" or "いいえ" to a question, a text (or
// cancel, when text is null) to an input, the preselected item or cancel to a
// choice, "閉じる" to a message, and cancel or path to a file dialog.
void AnswerModal(QWidget* modal, bool yes, const QString& text = QString(),
                 const QString& path = QString());

}  // namespace korvi::test
