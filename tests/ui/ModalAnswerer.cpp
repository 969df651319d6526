#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace korvi::test {

ModalAnswerer::ModalAnswerer(Answer answer, int intervalMs) : answer_(std::move(answer)) {
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Tick);
    timer_.start();
}

void ModalAnswerer::Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal != last_) {
        last_ = modal;
        ticks_ = 0;
        answered_.removeAll(QPointer<QWidget>());
        // Back on top after a dialog of its own: it had its answer.
        if (answered_.contains(modal)) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            return;
        }
        answered_.append(modal);
        titles_.append(modal->windowTitle());
        // Answered from the event loop, not from the tick: an answer that
        // opens a dialog of its own must leave the timer free to tick.
        const QPointer<QWidget> target = modal;
        QMetaObject::invokeMethod(
            this,
            [this, target] {
                if (target) answer_(target);
            },
            Qt::QueuedConnection);
        return;
    }
    if (++ticks_ > 60) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
}

bool PressButton(QWidget* modal, const QString& caption) {
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
        if (b->text().remove(u'&') == caption && b->isVisible() && b->isEnabled()) {
            b->click();
            return true;
        }
    }
    return false;
}

void AnswerModal(QWidget* modal, bool yes, const QString& text, const QString& path) {
    if (auto* file = qobject_cast<QFileDialog*>(modal)) {
        if (!yes || path.isEmpty()) {
            file->reject();
            return;
        }
        file->selectFile(path);
        QMetaObject::invokeMethod(file, "accept");
        return;
    }
    if (qobject_cast<QMessageBox*>(modal)) {
        if (!PressButton(modal, yes ? QStringLiteral("はい") : QStringLiteral("いいえ")))
            static_cast<QDialog*>(modal)->reject();
        return;
    }
    // DlgCmn: "入力" and "選択" answer, "閉じる" closes a message or cancels.
    if (yes) {
        if (auto* line = modal->findChild<QLineEdit*>(QStringLiteral("txt_input"))) {
            if (text.isNull()) {
                PressButton(modal, QStringLiteral("閉じる"));
                return;
            }
            line->setText(text);
        }
        if (PressButton(modal, QStringLiteral("入力")) ||
            PressButton(modal, QStringLiteral("選択")))
            return;
    }
    if (!PressButton(modal, QStringLiteral("閉じる"))) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
}

}  // namespace korvi::test
