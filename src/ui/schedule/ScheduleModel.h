#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace korvi {

class KorviSchd;

// The nine columns of the schedule table over the shared table that the
// resident loop reads: every edit goes straight into that table.
class ScheduleModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ScheduleModel(KorviSchd& table, QObject* parent = nullptr);

    // Shows the table's rows again.
    void Reload();
    // Appends a new row; its index.
    int AddRow(const QStringList& row);
    bool CopyRow(int row);
    // Removes the rows (any order); false when none of them exists.
    bool DelRows(QList<int> rows);

    // True once a row was added, copied, deleted or edited since the last
    // MarkSaved.
    bool Changed() const { return changed_; }
    void MarkSaved() { changed_ = false; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    KorviSchd& table_;
    QList<QStringList> rows_;  // the GUI's copy; the GUI is the only writer
    bool changed_ = false;
};

}  // namespace korvi
