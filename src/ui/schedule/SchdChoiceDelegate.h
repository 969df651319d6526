#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>

namespace korvi {

// Edits the cells of the choice columns with a combo box of the column's
// list; a choice is written at once.
class SchdChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Choices = std::function<QStringList(int column)>;

    explicit SchdChoiceDelegate(Choices choices, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    Choices choices_;
};

}  // namespace korvi
