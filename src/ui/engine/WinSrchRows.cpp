// The row operations of the run window: open, skip, re-download, save and
// send the selected rows, the Edit menu commands and the find target.
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include "engine/RunContext.h"
#include "engine/match/MatcherWords.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "store/DocRunReport.h"
#include "store/HighlightDocument.h"
#include "store/SerialName.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"
#include "ui/engine/RunListModel.h"
#include "ui/engine/WinSrch.h"
#include "ui_WinSrch.h"

namespace korvi {

std::vector<int> WinSrch::SelectedRows() const {
    std::vector<int> rows;
    const QItemSelectionModel* sel = ui_->srch_tbl->selectionModel();
    if (!sel) return rows;
    for (const QModelIndex& i : sel->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString WinSrch::LocalFile(const RunRow& row) const {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const QString local = ctrl.StoredPath(row.url);
    return local.isEmpty() ? QString() : ctrl.Abs(local);
}

void WinSrch::OpenUrls() {
    const RunListSnapshot& snap = model_->Snapshot();
    for (int r : SelectedRows()) {
        const QString url = snap.Row(r).url;
        OpenOrLog(gui_, this, url, QStringLiteral("W_Srch Open Button Exec Error : ") + url);
    }
}

void WinSrch::OpenLocal() {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const RunListSnapshot& snap = model_->Snapshot();
    const bool highlight = ui_->h_light_cb->isChecked();
    const QStringList words = SrchPlainWords(run_ ? run_->Run().SearchWords() : QString());
    for (int r : SelectedRows()) {
        QString path = LocalFile(snap.Row(r));
        if (path.isEmpty()) {
            ctrl.SaveErrLog(QStringLiteral("W_Srch Open Local Error : not found ") +
                            snap.Row(r).url);
            continue;
        }
        // A page without the words, or not a page, opens as it is.
        if (highlight && !words.isEmpty()) {
            const QString marked = HighlightDocument::MkHLightFile(ctrl, path, words);
            if (!marked.isEmpty()) path = ctrl.Abs(marked);
        }
        OpenOrLog(gui_, this, path, QStringLiteral("W_Srch Open Local Exec Error : ") + path);
    }
}

void WinSrch::SkipRows() {
    if (!IsRunning()) return;
    const std::vector<int> rows = SelectedRows();
    run_->Run().Skip(QList<int>(rows.begin(), rows.end()));
}

void WinSrch::RedlRows() {
    if (!run_) return;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    RunControl& run = run_->Run();
    run.Redownload(QList<int>(rows.begin(), rows.end()));
    // After the end nothing dispatches: the run goes on for the reset rows.
    if (!IsRunning() && run.List().HasWaiting() && run.StartManual()) timer_->start();
    RefreshView();
}

void WinSrch::SaveRows() {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const QString folder = gui_.dlg.ChooseFolder(
        this, QStringLiteral("選択行のファイルを別フォルダに保存"), ctrl.Abs(ctrl.RunFolder()));
    if (folder.isEmpty()) return;
    if (!QDir().mkpath(folder)) {
        ctrl.SaveErrLog(QStringLiteral("W_Srch Save Error : cannot create ") + folder);
        return;
    }
    const RunListSnapshot& snap = model_->Snapshot();
    for (int r : rows) {
        const QString from = LocalFile(snap.Row(r));
        if (from.isEmpty()) continue;
        // Same names from different folders are kept side by side, never overwritten.
        QString to = folder + u'/' + QFileInfo(from).fileName();
        if (QFileInfo::exists(to)) to = GetSerialNoFName(folder, to);
        if (to.isEmpty() || !ctrl.CopyFile(from, to))
            ctrl.SaveErrLog(QStringLiteral("W_Srch Save Error : ") + from);
    }
}

void WinSrch::SendRows() {
    const RunListSnapshot& snap = model_->Snapshot();
    LinkList links;
    for (int r : SelectedRows()) {
        const RunRow& row = snap.Row(r);
        links.append(row.url, row.title, row.ext);
    }
    if (sendToInit) sendToInit(links);
}

QTableView* WinSrch::EditTable() {
    return ui_->srch_tbl;
}

bool WinSrch::EditCommand(const QString& name) {
    if (name == QStringLiteral("mni_skip"))
        SkipRows();
    else if (name == QStringLiteral("mni_redl"))
        RedlRows();
    else if (name == QStringLiteral("mni_open_local"))
        OpenLocal();
    else if (name == QStringLiteral("mni_save"))
        SaveRows();
    else if (name == QStringLiteral("mni_send_mwin"))
        SendRows();
    else
        return false;
    return true;
}

OutputRows WinSrch::SelectedOutputRows() const {
    OutputRows out;
    out.keys = DocRunReport::ColumnKeys();
    out.words = run_ ? run_->Run().SearchWords() : QString();
    const RunListSnapshot& snap = model_->Snapshot();
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        rows.resize(static_cast<size_t>(snap.Count()));
        for (int i = 0; i < snap.Count(); ++i) rows[static_cast<size_t>(i)] = i;
    }
    out.rows.reserve(rows.size());
    for (int r : rows) out.rows.push_back(snap.Row(r).Cells());
    return out;
}

int WinSrch::RepRowCount() const {
    return model_->rowCount();
}

QStringList WinSrch::RepRowTexts(int row) const {
    if (row < 0 || row >= model_->rowCount()) return {};
    const RunRow& r = model_->Snapshot().Row(row);
    return {r.title, r.url};
}

void WinSrch::SetRepRowTexts(int row, const QStringList& texts) {
    // The run owns its rows: nothing is replaced.
    (void)row;
    (void)texts;
}

std::vector<int> WinSrch::RepSelectedRows() const {
    return SelectedRows();
}

int WinSrch::RepCurrentRow() const {
    const QModelIndex i = ui_->srch_tbl->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void WinSrch::RepSelectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    QTableView* table = ui_->srch_tbl;
    const QModelIndex i = model_->index(row, 0);
    table->selectionModel()->setCurrentIndex(
        i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->scrollTo(i);
}

}  // namespace korvi
