#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace korvi {

// A table whose rows the replace dialog and the list search work on: the
// text cells of each row, the selection and the current row.
class RepTarget {
public:
    virtual ~RepTarget() = default;
    virtual int RepRowCount() const = 0;
    // The cells searched and replaced (for list rows: title and URL).
    virtual QStringList RepRowTexts(int row) const = 0;
    virtual void SetRepRowTexts(int row, const QStringList& texts) = 0;
    // Selected rows in table order.
    virtual std::vector<int> RepSelectedRows() const = 0;
    // The row with the focus, -1 when none.
    virtual int RepCurrentRow() const = 0;
    // Makes row the only selected and current row and shows it.
    virtual void RepSelectRow(int row) = 0;
};

}  // namespace korvi
