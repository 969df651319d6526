#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"
#include "server/HeadlessHost.h"
#include "ui/shell/WorkPanel.h"

namespace Ui {
class KorviDlSrchInitForm;
}

namespace korvi {

struct GuiContext;
class InitListModel;
class InitRepTarget;
enum class TargetBox;

// The panel of "DL＆検索 初期化": the init list of start URLs, the base URL,
// the Target and filter controls, the search box and the start buttons.
class KorviDlSrchInit : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    explicit KorviDlSrchInit(GuiContext& gui, QWidget* parent = nullptr);
    ~KorviDlSrchInit() override;

    InitList& List() { return list_; }
    // Reads a list source (file, shortcut, HTML page, text or URL) into the
    // list; append keeps the rows and the base URL. An empty source only
    // shows the list again.
    ReadResult ReadSource(const QString& source, bool append);
    // The list source held for "StartKorvi" without argument.
    const QString& HeldSource() const { return held_source_; }

    // The profile held for the next run, with the panel's Target and Filter
    // controls.
    const DlSrchOpt& Opt() const { return opt_; }
    const QString& OptName() const { return opt_name_; }
    // Applies the named profile (ApplyOptUncommon) and its panel values.
    void ApplyProfile(const QString& name);
    // Puts profile values into force as a profile would (the guide's presets).
    void SetOpt(const DlSrchOpt& opt);

    QString SearchWord() const;
    void SetSearchWord(const QString& word);
    void FocusUrlField();

    // Reads a favourite file of "favorite": its list, profile and words.
    void LoadFav(const QString& path);
    // Presses "DL & 検索" (search) or "DL".
    void StartDlSearch(bool search);
    // Starts a run; set by the main window. False when it did not start.
    std::function<bool(const RunRequest&)> startRun;
    // Drops the run list and makes a new run identifier; set by the main window.
    std::function<void()> resetRun;

    // WorkPanel
    QTableView* EditTable() override;
    RepTarget* Replace() override;
    bool EditCommand(const QString& name) override;
    OutputRows SelectedOutputRows() const override;

    // Shows the list again after it was changed from outside the panel.
    void Refresh();

private:
    std::vector<int> SelectedRows() const;
    void UpdateCount();
    void ShowSelect();
    void TakeSelect();
    void TargetSwitched(TargetBox box);
    void ApplyRange();
    void ShowRead(const ReadResult& result);
    QString StartDir() const;
    void OpenList(bool append);
    void SaveList();
    void AddFav();
    void OpenSelected();
    void ChangeBaseUrl();
    void AddBaseUrl();
    void ResetRun();
    void CaseSwitched(bool insensitive);

    GuiContext& gui_;
    std::unique_ptr<Ui::KorviDlSrchInitForm> ui_;
    InitList list_;
    InitListModel* model_ = nullptr;
    std::unique_ptr<InitRepTarget> rep_;
    DlSrchOpt opt_;
    QString opt_name_;
    QString held_source_;
};

}  // namespace korvi
