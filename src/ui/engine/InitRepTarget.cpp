#include "ui/engine/InitRepTarget.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

#include "engine/lists/InitList.h"
#include "ui/engine/InitListModel.h"

namespace korvi {

std::vector<int> SelectedRowsOf(const QTableView& view) {
    std::vector<int> rows;
    const QItemSelectionModel* sel = view.selectionModel();
    if (!sel) return rows;
    for (const QModelIndex& i : sel->selectedIndexes()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

InitRepTarget::InitRepTarget(InitList& list, InitListModel& model, QTableView& view)
    : list_(list), model_(model), view_(view) {}

int InitRepTarget::RepRowCount() const {
    return list_.RowCount();
}

QStringList InitRepTarget::RepRowTexts(int row) const {
    if (row < 0 || row >= list_.RowCount()) return {};
    const InitRow& r = list_.Rows()[size_t(row)];
    return {r.ttl, r.url};
}

void InitRepTarget::SetRepRowTexts(int row, const QStringList& texts) {
    if (row < 0 || row >= list_.RowCount() || texts.size() < 2) return;
    list_.SetRowTexts(row, texts.at(0), texts.at(1));
    model_.RowsChanged(row, row);
}

std::vector<int> InitRepTarget::RepSelectedRows() const {
    return SelectedRowsOf(view_);
}

int InitRepTarget::RepCurrentRow() const {
    const QModelIndex cur = view_.currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

void InitRepTarget::RepSelectRow(int row) {
    if (row < 0 || row >= list_.RowCount()) return;
    const QModelIndex index = model_.index(row, 3);
    view_.selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_.scrollTo(index);
}

}  // namespace korvi
