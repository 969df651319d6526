#pragma once

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

#include "tools/LogAnls.h"
#include "ui/common/WorkPanel.h"

class QTimer;

namespace Ui {
class WinLogAnlsBody;
}

namespace korvi {

struct GuiContext;
class AnlsRowModel;

// The panel of "DLファイル解析": ranks the URLs that the stored pages link
// to. The analysis runs on the core's thread; the panel shows its progress
// on a timer and takes the rows when the thread reports its end.
class WinLogAnls : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 100;

    explicit WinLogAnls(GuiContext& gui, QWidget* parent = nullptr);
    ~WinLogAnls() override;

    // The folder to analyse (the main window's folder tree); the download
    // root when unset.
    std::function<QString()> selectedFolder;

    // "解析": false when the folder is missing (warned) or one is running.
    bool StartAnls();
    // "停止": asks the thread to end; its end dialog follows.
    void PressStop();
    // Ends a running analysis at once, without its end dialog.
    void ForceStop();
    bool IsRunning() const;
    // "開く": the selected rows' URLs to the browser.
    void OpenRows();
    // The request the controls describe now.
    AnlsRequest Request() const;
    AnlsRowModel* Model() const { return model_; }

    // WorkPanel
    QTableView* EditTable() override;
    OutputRows SelectedOutputRows() const override;

Q_SIGNALS:
    // The analysis ended and its rows are in the table.
    void anlsEnded();

private:
    void OnEnd(int serial, const QString& title, const QString& text);
    void SetInputsEnabled(bool enabled);
    void RefreshProgress();

    GuiContext& gui_;
    std::unique_ptr<Ui::WinLogAnlsBody> ui_;
    AnlsRowModel* model_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<LogAnls> anls_;
    // The current analysis; end calls of older ones are dropped.
    std::atomic<int> serial_{0};
    std::atomic<int> run_serial_{0};  // the serial of the thread running
};

}  // namespace korvi
