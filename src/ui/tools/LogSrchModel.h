#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

#include "tools/LogSrch.h"

namespace korvi {

class ThumbLoader;

// The six-column result list of the file search as a table model. Rows are
// only appended while a walk goes on; tool tips are asked for when shown.
// In picture view the first column carries the row's thumbnail.
class LogSrchModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // True for a row that shows "- not pic -" in picture view.
    static constexpr int kNotPicRole = Qt::UserRole + 1;

    LogSrchModel(ThumbLoader& thumbs, const QPixmap& notPic, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void Append(std::vector<SrchRow>&& rows);
    void Clear();
    const std::vector<SrchRow>& Rows() const { return rows_; }
    const SrchRow& Row(int row) const { return rows_[size_t(row)]; }

    void SetPictureView(bool on);
    bool PictureView() const { return pic_view_; }
    // The tool tip of a row (HTML, "" for none), asked once per row.
    std::function<QString(int row)> toolTip;

private:
    QString FilePath(int row) const;
    void ThumbReady(const QString& path);

    ThumbLoader& thumbs_;
    QPixmap not_pic_;
    std::vector<SrchRow> rows_;
    bool pic_view_ = false;
    mutable QHash<int, QString> tips_;
    mutable QHash<QString, int> waiting_;  // thumbnail path -> row shown
};

// Draws the first column of picture view: the picture above the row number,
// with "- not pic -" under the fixed picture of other files.
class LogSrchThumbDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace korvi
