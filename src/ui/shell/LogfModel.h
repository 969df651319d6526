#pragma once

#include <QFileSystemModel>

namespace korvi {

// The download-folder tree's model: a run folder that holds an interrupted
// run shows " (中断)" after its name and says so in its tool tip.
class LogfModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    static inline const QString kMark = QStringLiteral(" (中断)");

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

}  // namespace korvi
