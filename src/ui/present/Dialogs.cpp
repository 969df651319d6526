#include "ui/present/Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "engine/InitList.h"
#include "shell/UserMessage.h"

namespace korvi {

namespace {

// Texts that start with "<HTML><BODY>" are rich text; the rest is plain, so
// that a URL with "<" in it shows as written.
Qt::TextFormat FormatOf(const QString& text) {
    return text.startsWith(QStringLiteral("<HTML><BODY>"), Qt::CaseInsensitive) ? Qt::RichText
                                                                                : Qt::PlainText;
}

}  // namespace

void Dialogs::Show(QWidget* parent, const DlgText& text) {
    if (!text.IsEmpty()) Message(parent, text.title, text.message);
}

void Dialogs::Show(QWidget* parent, const UserMessage& message) {
    if (!message.IsEmpty()) Message(parent, message.title, message.text);
}

void QtDialogs::Message(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setTextFormat(FormatOf(text));
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

Dialogs::Answer QtDialogs::YesNo(QWidget* parent, const QString& title, const QString& text,
                                 bool withCancel) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setTextFormat(FormatOf(text));
    box.setText(text);
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    if (withCancel) box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(withCancel ? nullptr : no);
    box.exec();
    if (box.clickedButton() == yes) return Answer::kYes;
    if (box.clickedButton() == no) return Answer::kNo;
    return withCancel ? Answer::kCancel : Answer::kNo;
}

QString QtDialogs::Input(QWidget* parent, const QString& title, const QString& text,
                         const QString& initial) {
    bool ok = false;
    const QString value =
        QInputDialog::getText(parent, title, text, QLineEdit::Normal, initial, &ok);
    return ok ? (value.isNull() ? QStringLiteral("") : value) : QString();
}

int QtDialogs::Choose(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& items, int current) {
    if (items.isEmpty()) return -1;
    bool ok = false;
    const QString value = QInputDialog::getItem(
        parent, title, text, items, qBound(0, current, int(items.size()) - 1), false, &ok);
    return ok ? int(items.indexOf(value)) : -1;
}

QString QtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QString QtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                            const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}

QString QtDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& dir) {
    return QFileDialog::getExistingDirectory(parent, title, dir);
}

}  // namespace korvi
