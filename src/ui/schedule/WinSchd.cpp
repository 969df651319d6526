#include "ui/schedule/WinSchd.h"

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

#include "schedule/KorviSchd.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/ToolTipTable.h"
#include "ui/schedule/SchdChoiceDelegate.h"
#include "ui/schedule/ScheduleModel.h"
#include "ui_WinSchd.h"

namespace korvi {

WinSchd::WinSchd(GuiContext& gui, KorviSchd& table, QWidget* parent)
    : QWidget(parent), gui_(gui), table_(table), ui_(std::make_unique<Ui::WinSchdBody>()) {
    setObjectName(QStringLiteral("KorviSchd"));
    model_ = new ScheduleModel(table_, this);
    table_view_ = new QTableView(this);
    table_view_->setObjectName(QStringLiteral("schd_tbl"));
    table_view_->setModel(model_);
    table_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_view_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    table_view_->verticalHeader()->hide();
    table_view_->setWordWrap(false);

    auto* choices = new SchdChoiceDelegate(
        [this](int column) -> QStringList {
            switch (column) {
                case KorviSchd::kWeek:
                    return KorviSchd::WeekTbl();
                case KorviSchd::kDay:
                    return KorviSchd::DayTbl();
                case KorviSchd::kHour:
                    return KorviSchd::HourTbl();
                case KorviSchd::kMinute:
                    return KorviSchd::MinuteTbl();
                case KorviSchd::kOption:
                    return Favorites();
                case KorviSchd::kAction:
                    return KorviSchd::ActionTbl();
                case KorviSchd::kView:
                    return KorviSchd::ViewTbl();
                default:
                    return {};
            }
        },
        this);
    for (int c = KorviSchd::kWeek; c < KorviSchd::kCols; ++c)
        table_view_->setItemDelegateForColumn(c, choices);

    QHeaderView* header = table_view_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The name takes the free width; the favourite keeps room for its name.
    header->setSectionResizeMode(KorviSchd::kName, QHeaderView::Stretch);
    header->setSectionResizeMode(KorviSchd::kOption, QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("**")) + 16);
    table_view_->setColumnWidth(
        KorviSchd::kOption,
        fontMetrics().horizontalAdvance(QStringLiteral("設定（お気に入り）")) + 24);

    // Made after the table, which so comes first in the tab order.
    ui_->setupUi(this);
    ui_->schd_layout->insertWidget(0, table_view_, 1);

    connect(ui_->new_btn, &QPushButton::clicked, this, &WinSchd::NewSchd);
    connect(ui_->copy_btn, &QPushButton::clicked, this, &WinSchd::CopySchd);
    connect(ui_->del_btn, &QPushButton::clicked, this, &WinSchd::DelSchd);
    InitToolTip(this);
    InitLstData();
}

WinSchd::~WinSchd() = default;

void WinSchd::InitLstData() {
    table_.InitLstData();
    model_->Reload();
    model_->MarkSaved();
}

bool WinSchd::SaveLstData() {
    const bool ok = table_.SaveLstData();
    if (ok) model_->MarkSaved();
    return ok;
}

bool WinSchd::Changed() const {
    return model_->Changed();
}

bool WinSchd::StoreOnClose(bool shown) {
    // Leaving the current cell commits an editor still open on it.
    table_view_->setCurrentIndex(QModelIndex());
    if (!shown && !Changed()) return true;
    return SaveLstData();
}

QStringList WinSchd::Favorites() const {
    const QDir dir(gui_.ctx.Ctrl().Abs(QStringLiteral("favorite")));
    return dir.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
}

QList<int> WinSchd::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& i : table_view_->selectionModel()->selectedRows()) rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void WinSchd::SelectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    table_view_->selectRow(row);
    table_view_->scrollTo(model_->index(row, 0));
}

void WinSchd::NewSchd() {
    SelectRow(model_->AddRow(KorviSchd::NewRow()));
}

void WinSchd::CopySchd() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) return;
    // Copies go right after their rows; walk from the bottom so the earlier
    // indices stay put.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) model_->CopyRow(*it);
    SelectRow(rows.last() + static_cast<int>(rows.size()));
}

void WinSchd::DelSchd() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty() || !model_->DelRows(rows)) {
        gui_.dlg.Message(this, QStringLiteral("削除警告"),
                         QStringLiteral("リストが空か、選択されていません。"));
        return;
    }
    SelectRow(std::min(rows.first(), model_->rowCount() - 1));
}

bool WinSchd::EditCommand(const QString& name) {
    if (name == QStringLiteral("mni_new_schd")) {
        NewSchd();
    } else if (name == QStringLiteral("mni_copy_schd")) {
        CopySchd();
    } else {
        return false;
    }
    return true;
}

}  // namespace korvi
