#include "ui/schedule/SchdChoiceDelegate.h"

#include <QComboBox>

#include <algorithm>

namespace korvi {

SchdChoiceDelegate::SchdChoiceDelegate(Choices choices, QObject* parent)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QWidget* SchdChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    (void)option;
    auto* box = new QComboBox(parent);
    if (choices_) box->addItems(choices_(index.column()));
    box->setMaxVisibleItems(16);
    // A choice is final: write it and close the editor.
    connect(box, &QComboBox::activated, this, [this, box] {
        auto* self = const_cast<SchdChoiceDelegate*>(this);
        Q_EMIT self->commitData(box);
        Q_EMIT self->closeEditor(box);
    });
    return box;
}

void SchdChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* box = qobject_cast<QComboBox*>(editor);
    if (!box) return;
    const QString cur = index.data(Qt::EditRole).toString();
    int at = box->findText(cur);
    if (at < 0) {
        // A value no longer offered (a removed favourite) stays choosable.
        box->insertItem(0, cur);
        at = 0;
    }
    box->setCurrentIndex(at);
}

void SchdChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor))
        model->setData(index, box->currentText(), Qt::EditRole);
}

void SchdChoiceDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    (void)index;
    // A narrow column ("時", "分") still shows the whole choice.
    QRect r = option.rect;
    r.setWidth(std::max(r.width(), editor->sizeHint().width()));
    editor->setGeometry(r);
}

}  // namespace korvi
