#include "ui/tools/LogSrchModel.h"

#include "ui/tools/ThumbLoader.h"

namespace korvi {

namespace {

const QString kNotPicText = QStringLiteral("- not pic -");

}  // namespace

LogSrchModel::LogSrchModel(ThumbLoader& thumbs, const QPixmap& notPic, QObject* parent)
    : QAbstractTableModel(parent), thumbs_(thumbs), not_pic_(notPic) {
    connect(&thumbs_, &ThumbLoader::ready, this, &LogSrchModel::ThumbReady);
}

int LogSrchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LogSrchModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 6;
}

QString LogSrchModel::FilePath(int row) const {
    const SrchRow& r = rows_[size_t(row)];
    return r.path + u'/' + r.fileName;
}

QVariant LogSrchModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const SrchRow& r = rows_[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case 0:
                    return r.no;
                case 1:
                    return r.text;
                case 2:
                    return r.fileName;
                case 3:
                    return r.path;
                case 4:
                    return r.sizeKb;
                case 5:
                    return r.extension;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == 0 || index.column() == 4)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::ToolTipRole: {
            auto it = tips_.constFind(index.row());
            if (it == tips_.constEnd())
                it = tips_.insert(index.row(), toolTip ? toolTip(index.row()) : QString());
            if (it->isEmpty()) return {};
            return *it;
        }
        case Qt::DecorationRole: {
            if (!pic_view_ || index.column() != 0) return {};
            if (!LogSrch::IsPicture(r.extension)) return not_pic_;
            const QString path = FilePath(index.row());
            const QPixmap thumb = thumbs_.Thumb(path, r.local);
            if (!thumb.isNull()) return thumb;
            if (thumbs_.Failed(path)) return not_pic_;
            waiting_.insert(path, index.row());
            return {};
        }
        case kNotPicRole:
            return pic_view_ && index.column() == 0 && !LogSrch::IsPicture(r.extension);
    }
    return {};
}

QVariant LogSrchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList kHeads = {QStringLiteral("No"),         QStringLiteral("周辺文"),
                                       QStringLiteral("ファイル名"), QStringLiteral("パス"),
                                       QStringLiteral("サイズ"),     QStringLiteral("拡張子")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kHeads.size())
        return kHeads[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void LogSrchModel::Append(std::vector<SrchRow>&& rows) {
    if (rows.empty()) return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
    endInsertRows();
}

void LogSrchModel::Clear() {
    beginResetModel();
    rows_.clear();
    tips_.clear();
    waiting_.clear();
    endResetModel();
}

void LogSrchModel::SetPictureView(bool on) {
    if (pic_view_ == on) return;
    pic_view_ = on;
    waiting_.clear();
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0),
                           {Qt::DecorationRole, kNotPicRole});
}

void LogSrchModel::ThumbReady(const QString& path) {
    const auto it = waiting_.find(path);
    if (it == waiting_.end()) return;
    const int row = it.value();
    waiting_.erase(it);
    if (row < rowCount()) Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

void LogSrchThumbDelegate::initStyleOption(QStyleOptionViewItem* option,
                                           const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const bool notPic = index.data(LogSrchModel::kNotPicRole).toBool();
    if (!notPic && !index.data(Qt::DecorationRole).isValid()) return;
    option->decorationPosition = QStyleOptionViewItem::Top;
    option->decorationAlignment = Qt::AlignHCenter | Qt::AlignTop;
    option->displayAlignment = Qt::AlignHCenter | Qt::AlignBottom;
    option->decorationSize = QSize(ThumbLoader::kSize, ThumbLoader::kSize);
    if (notPic) {
        option->features |= QStyleOptionViewItem::WrapText;
        option->text += QChar(QChar::LineSeparator) + kNotPicText;
    }
}

}  // namespace korvi
