#pragma once

#include "ui/common/RepTarget.h"

class QTableView;

namespace korvi {

class InitList;
class InitListModel;

// The init list's rows for find and replace: the cells 見出し and URL.
class InitRepTarget : public RepTarget {
public:
    InitRepTarget(InitList& list, InitListModel& model, QTableView& view);

    int RepRowCount() const override;
    QStringList RepRowTexts(int row) const override;
    // Through the list, which keeps its URL index and refuses a URL that is
    // invalid or already a row.
    void SetRepRowTexts(int row, const QStringList& texts) override;
    std::vector<int> RepSelectedRows() const override;
    int RepCurrentRow() const override;
    void RepSelectRow(int row) override;

private:
    InitList& list_;
    InitListModel& model_;
    QTableView& view_;
};

// Selected rows of a table view in table order, each once.
std::vector<int> SelectedRowsOf(const QTableView& view);

}  // namespace korvi
