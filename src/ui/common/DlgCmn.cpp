#include "ui/common/DlgCmn.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvi {

DlgCmn::DlgCmn(Kind kind, const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), kind_(kind) {
    setObjectName(QStringLiteral("DlgCmn"));
    setWindowTitle(title);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("lbl_mes"));
    label->setTextFormat(text.startsWith(QStringLiteral("<HTML><BODY>"), Qt::CaseInsensitive)
                             ? Qt::RichText
                             : Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(320);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(this);
    if (kind == Kind::kInput) {
        input_ = new QLineEdit(this);
        input_->setObjectName(QStringLiteral("txt_input"));
        layout->addWidget(input_);
        QPushButton* ok = buttons->addButton(QStringLiteral("入力"), QDialogButtonBox::AcceptRole);
        ok->setObjectName(QStringLiteral("btn_input"));
        ok->setDefault(true);
    } else if (kind == Kind::kChoice) {
        choice_ = new QComboBox(this);
        choice_->setObjectName(QStringLiteral("cmb_choice"));
        layout->addWidget(choice_);
        QPushButton* ok = buttons->addButton(QStringLiteral("選択"), QDialogButtonBox::AcceptRole);
        ok->setObjectName(QStringLiteral("btn_select"));
        ok->setDefault(true);
    }
    QPushButton* close = buttons->addButton(
        QStringLiteral("閉じる"),
        kind == Kind::kMessage ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("btn_close"));
    if (kind == Kind::kMessage) close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void DlgCmn::SetInitial(const QString& text) {
    if (input_) {
        input_->setText(text);
        input_->selectAll();
    }
}

void DlgCmn::SetItems(const QStringList& items, int current) {
    if (!choice_) return;
    choice_->addItems(items);
    choice_->setCurrentIndex(qBound(0, current, int(items.size()) - 1));
}

QString DlgCmn::InputText() const {
    return input_ ? input_->text() : QString();
}

int DlgCmn::ChosenIndex() const {
    return choice_ ? choice_->currentIndex() : -1;
}

}  // namespace korvi
