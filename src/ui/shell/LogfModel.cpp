#include "ui/shell/LogfModel.h"

#include "engine/RunJournal.h"

namespace korvi {

QVariant LogfModel::data(const QModelIndex& index, int role) const {
    if (index.column() != 0 || (role != Qt::DisplayRole && role != Qt::ToolTipRole) ||
        index.parent() != this->index(rootPath()))
        return QFileSystemModel::data(index, role);
    if (!RunJournal::Interrupted(filePath(index))) return QFileSystemModel::data(index, role);
    if (role == Qt::ToolTipRole)
        return QStringLiteral("中断したDL＆検索です。右クリックの「続きから再開」で続けられます。");
    return QFileSystemModel::data(index, role).toString() + kMark;
}

}  // namespace korvi
