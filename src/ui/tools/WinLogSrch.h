#pragma once

// ui/tools: file search and link analysis panels. Includes core headers,
// ui/common and ui/tools only.

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "tools/LogSrch.h"
#include "ui/common/WorkPanel.h"

class QButtonGroup;
class QTimer;

namespace Ui {
class WinLogSrchBody;
}

namespace korvi {

struct GuiContext;
class LogSrchModel;
class ThumbLoader;

// The panel of "DLファイル検索": searches or extracts the files of a folder
// of the download store on the search's own thread and lists them as they
// are found; row actions on the trailer tags, saving, opening and thumbnails.
class WinLogSrch : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    // Period of taking the new rows and the progress text while a walk runs.
    static constexpr int kRefreshMs = 100;
    static inline const QString kHistory = QStringLiteral("SearchBox");

    explicit WinLogSrch(GuiContext& gui, QWidget* parent = nullptr);
    ~WinLogSrch() override;

    // The folder the walk starts from (the main window's selected folder);
    // without it the download root.
    std::function<QString()> folder;

    // Sets "含む" with filterText and "以上" with minKb, then extracts.
    void StartExtract(const QString& filterText, int minKb);
    // Starts a search (words) or an extract (search false) as the buttons do.
    void StartSrch(bool search);
    void PressStop();
    bool IsRunning() const;
    // Stops a running walk and waits for it, without the end message.
    void ForceStop();

    // Row actions (buttons and Edit menu).
    void OpenFile();
    void SaveSelected();
    void SaveAll();
    void ShowTagInfo();
    void OpenRef();
    void OpenUrl();

    LogSrchModel* Model() const { return model_; }
    ThumbLoader* Thumbs() const { return thumbs_; }

    // WorkPanel
    QTableView* EditTable() override;
    bool EditCommand(const QString& name) override;
    OutputRows SelectedOutputRows() const override;

Q_SIGNALS:
    // A walk ended (after its end message).
    void searchEnded();

private:
    SrchRequest Request(bool search) const;
    void MkSrch();
    void Refresh();
    void OnEnd(int serial, const QString& title, const QString& text);
    void UpdateControls();
    void TakeSizeSettings();
    std::vector<int> SelectedRows() const;
    int CurrentRow() const;

    GuiContext& gui_;
    std::unique_ptr<Ui::WinLogSrchBody> ui_;
    QButtonGroup* flt_group_ = nullptr;
    QButtonGroup* siz_group_ = nullptr;
    ThumbLoader* thumbs_ = nullptr;
    LogSrchModel* model_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<LogSrch> srch_;
    QString words_;   // the words of the list shown
    int serial_ = 0;  // the current walk; end calls of older ones are dropped
};

}  // namespace korvi
