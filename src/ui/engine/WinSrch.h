#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "engine/page/LinkExtract.h"
#include "server/HeadlessHost.h"
#include "ui/common/RepTarget.h"
#include "ui/common/WorkPanel.h"

class QTimer;

namespace Ui {
class WinSrchBody;
}

namespace korvi {

struct GuiContext;
struct RunRow;
class RunContext;
class RunControl;
class RunListModel;

// The panel of "DL＆検索 実行": one download-and-search run and its live run
// list. The run works on core threads; the panel shows snapshots of it on a
// timer and hears of its end through a queued call.
class WinSrch : public QWidget, public WorkPanel, public RepTarget {
    Q_OBJECT
public:
    // Period of the table and label refresh.
    static constexpr int kRefreshMs = 200;

    explicit WinSrch(GuiContext& gui, QWidget* parent = nullptr);
    ~WinSrch() override;

    // Starts a run from the init panel (StartDlSearch); false when one is
    // going on or there is nothing to run.
    bool StartDlSearch(const RunRequest& request);
    // Goes on with the interrupted run of the current run folder ("続きから
    // 再開"); false (with a message) when there is none or a run goes on.
    bool ResumeRun();
    // True when the current run folder holds an interrupted run.
    bool CanResume() const;
    bool IsRunning() const;
    // Ends a running run at once without an end dialog.
    void ForceStop();
    // Ends the run and forgets its run list ("DL進行の初期化").
    void DropRun();
    // The run of this window, null before the first start.
    RunControl* Run();

    // Rows sent to the init list (mni_send_mwin); set by the main window.
    std::function<void(const LinkList&)> sendToInit;

    // The live table's model.
    RunListModel* Model() const { return model_; }
    // Shows the run's current state now (the timer does it every kRefreshMs).
    void RefreshView();
    // Refreshes done so far.
    long Refreshes() const { return refreshes_; }

    // Row operations on the selected rows (buttons and Edit menu).
    void PressStop();
    void OpenUrls();
    void OpenLocal();
    void SkipRows();
    void RedlRows();
    void SaveRows();
    void SendRows();

    // WorkPanel
    QTableView* EditTable() override;
    RepTarget* Replace() override { return this; }
    bool EditCommand(const QString& name) override;
    OutputRows SelectedOutputRows() const override;

    // RepTarget: 見出し and URL; the run list is read-only.
    int RepRowCount() const override;
    QStringList RepRowTexts(int row) const override;
    void SetRepRowTexts(int row, const QStringList& texts) override;
    std::vector<int> RepSelectedRows() const override;
    int RepCurrentRow() const override;
    void RepSelectRow(int row) override;

Q_SIGNALS:
    // The run ended (after its end dialog, or quietly).
    void runEnded();

private:
    void OnRunEnd(int serial, const QString& title, const QString& text, bool quiet);
    // Hands the run's end calls to this window.
    void WireEnd(RunControl& run, bool quiet);
    // Stops the timer and drops the run and its rows.
    void DiscardRun();
    // Calls start (which makes and starts run_) and the view's timer; a
    // failure is logged under the operation's name and leaves no run.
    bool Launch(const QString& operation, const std::function<void()>& start);
    void UpdateControls();
    // Selected rows in table order (row indices of the run list).
    std::vector<int> SelectedRows() const;
    // The stored file of a row (absolute), "" when it has none.
    QString LocalFile(const RunRow& row) const;

    GuiContext& gui_;
    std::unique_ptr<Ui::WinSrchBody> ui_;
    RunListModel* model_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<RunContext> run_;
    QString run_id_;  // the run folder of run_
    int serial_ = 0;  // the current run; end calls of older runs are dropped
    long refreshes_ = 0;
};

}  // namespace korvi
