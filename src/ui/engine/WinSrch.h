#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "engine/LinkExtract.h"
#include "server/HeadlessHost.h"
#include "ui/shell/WorkPanel.h"

namespace korvi {

struct GuiContext;
class CtxRun;
class RunControl;

// The panel of "DL＆検索 実行": one download-and-search run and its live run list.
class WinSrch : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    explicit WinSrch(GuiContext& gui, QWidget* parent = nullptr);
    ~WinSrch() override;

    // Starts a run from the init panel (StartDlSearch); false when one is
    // going on or there is nothing to run.
    bool StartDlSearch(const RunRequest& request);
    bool IsRunning() const;
    // Ends a running run at once without an end dialog.
    void ForceStop();
    // The run of this window, null before the first start.
    RunControl* Run();

    // Rows sent to the init list (mni_send_mwin); set by the main window.
    std::function<void(const LinkList&)> sendToInit;

Q_SIGNALS:
    // The run ended (after its end dialog, or quietly).
    void runEnded();

private:
    GuiContext& gui_;
    std::unique_ptr<CtxRun> run_;
};

}  // namespace korvi
