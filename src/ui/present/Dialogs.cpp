#include "ui/present/Dialogs.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "engine/lists/InitList.h"
#include "shell/UserMessage.h"
#include "ui/shell/DlgCmn.h"

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

void Dialogs::WhenIdle(QObject* context, std::function<void()> fn) {
    if (depth_ == 0) {
        fn();
        return;
    }
    pending_.push_back({context, std::move(fn)});
}

bool Dialogs::DeferClose(QWidget* window, QCloseEvent* event) {
    if (!Busy()) return false;
    event->ignore();
    WhenIdle(window, [window] { window->close(); });
    return true;
}

void Dialogs::DismissAll() {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if (*it) (*it)->reject();
    }
}

int Dialogs::Exec(QDialog* dialog) {
    if (!dialog) return QDialog::Rejected;
    const QPointer<QDialog> guard(dialog);
    ++depth_;
    open_.push_back(guard);
    // QDialog::exec returns Rejected by itself when the dialog is deleted.
    const int result = dialog->exec();
    open_.pop_back();
    --depth_;
    if (depth_ == 0 && !pending_.empty()) {
        // Posted from here, the calls run once the caller of the dialog has
        // returned to the event loop; a dialog opened by then puts them off again.
        std::vector<Pending> pending;
        pending.swap(pending_);
        for (Pending& p : pending) {
            if (!p.context) continue;
            QObject* context = p.context;
            QMetaObject::invokeMethod(
                context,
                [this, context, fn = std::move(p.fn)]() mutable {
                    WhenIdle(context, std::move(fn));
                },
                Qt::QueuedConnection);
        }
    }
    return guard ? result : int(QDialog::Rejected);
}

// Every dialog below lives on the heap with its parent: when the parent is
// deleted while the dialog runs, the dialog goes with it and nothing is
// freed twice.

void QtDialogs::Message(QWidget* parent, const QString& title, const QString& text) {
    QPointer<DlgCmn> dlg = new DlgCmn(DlgCmn::Kind::kMessage, title, text, parent);
    Exec(dlg);
    delete dlg;
}

Dialogs::Answer QtDialogs::YesNo(QWidget* parent, const QString& title, const QString& text,
                                 bool withCancel) {
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setWindowTitle(title);
    box->setTextFormat(FormatOf(text));
    box->setText(text);
    QPushButton* yes = box->addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    if (withCancel) box->addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(withCancel ? nullptr : no);
    Exec(box);
    const Answer cancelled = withCancel ? Answer::kCancel : Answer::kNo;
    if (!box) return cancelled;
    const QAbstractButton* clicked = box->clickedButton();
    delete box;
    if (clicked == yes) return Answer::kYes;
    if (clicked == no) return Answer::kNo;
    return cancelled;
}

QString QtDialogs::Input(QWidget* parent, const QString& title, const QString& text,
                         const QString& initial) {
    QPointer<DlgCmn> dlg = new DlgCmn(DlgCmn::Kind::kInput, title, text, parent);
    dlg->SetInitial(initial);
    const bool accepted = Exec(dlg) == QDialog::Accepted && dlg;
    const QString value = accepted ? dlg->InputText() : QString();
    delete dlg;
    if (!accepted) return QString();
    return value.isNull() ? QStringLiteral("") : value;
}

int QtDialogs::Choose(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& items, int current) {
    if (items.isEmpty()) return -1;
    QPointer<DlgCmn> dlg = new DlgCmn(DlgCmn::Kind::kChoice, title, text, parent);
    dlg->SetItems(items, current);
    const bool accepted = Exec(dlg) == QDialog::Accepted && dlg;
    const int chosen = accepted ? dlg->ChosenIndex() : -1;
    delete dlg;
    return chosen;
}

QString QtDialogs::RunFileDialog(QWidget* parent, const QString& title, const QString& dir,
                                 const QString& filter, int mode) {
    QPointer<QFileDialog> dlg = new QFileDialog(parent, title, dir, filter);
    switch (mode) {
        case kOpen:
            dlg->setFileMode(QFileDialog::ExistingFile);
            break;
        case kSave:
            dlg->setAcceptMode(QFileDialog::AcceptSave);
            dlg->setFileMode(QFileDialog::AnyFile);
            break;
        default:
            dlg->setFileMode(QFileDialog::Directory);
            dlg->setOption(QFileDialog::ShowDirsOnly, true);
            break;
    }
    const bool accepted = Exec(dlg) == QDialog::Accepted && dlg;
    const QStringList chosen = accepted ? dlg->selectedFiles() : QStringList();
    delete dlg;
    return chosen.value(0);
}

QString QtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter) {
    return RunFileDialog(parent, title, dir, filter, kOpen);
}

QString QtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                            const QString& filter) {
    return RunFileDialog(parent, title, proposed, filter, kSave);
}

QString QtDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& dir) {
    return RunFileDialog(parent, title, dir, QString(), kFolder);
}

}  // namespace korvi
