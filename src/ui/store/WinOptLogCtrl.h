#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

#include "store/FldrLogCtrl.h"

class QTimer;

namespace Ui {
class WinOptLogCtrlBody;
}

namespace korvi {

struct GuiContext;

// Options panel "DL先フォルダの操作": the run folders of the download root in
// two lists, with delete, delete all, open, copy, merge and merge all.
// Deleting, copying and merging run on a thread of their own; the lists are
// read again when the panel is shown and after each operation.
class WinOptLogCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 150;

    explicit WinOptLogCtrl(GuiContext& gui, QWidget* parent = nullptr);
    ~WinOptLogCtrl() override;

    // Reads the download root into both lists, keeping the selection of the
    // folders still there.
    void Refresh();
    bool IsBusy() const { return worker_.joinable(); }

    // The six buttons.
    void Del();
    void DelAll();
    void Open();
    void Copy();
    void Cmb();
    void CmbAll();

Q_SIGNALS:
    // An operation ended and its report was shown.
    void operationEnded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList Selected() const;
    QString Target() const;
    // Shows the refusal, or asks the confirmation; true to go on.
    bool Accept(const FldrPlan& plan);
    void RunAsync(std::function<FldrReport(FldrLogCtrl&)> op);
    void OnDone(const FldrReport& report);
    void SetBusy(bool busy);
    void ShowProgress();

    GuiContext& gui_;
    std::unique_ptr<Ui::WinOptLogCtrlBody> ui_;
    FldrLogCtrl ctl_;
    QTimer* timer_ = nullptr;
    std::thread worker_;
};

}  // namespace korvi
