#pragma once

#include <QWidget>

#include <functional>

#include "engine/InitList.h"
#include "engine/Profile.h"
#include "server/HeadlessHost.h"
#include "ui/shell/WorkPanel.h"

namespace korvi {

struct GuiContext;

// The panel of "DL＆検索 初期化": the init list of start URLs, the base URL,
// the Target and filter controls, the search box and the start buttons.
class KorviDlSrchInit : public QWidget, public WorkPanel {
    Q_OBJECT
public:
    explicit KorviDlSrchInit(GuiContext& gui, QWidget* parent = nullptr);

    InitList& List() { return list_; }
    // Reads a list source (file, shortcut, HTML page, text or URL) into the
    // list; append keeps the rows and the base URL.
    ReadResult ReadSource(const QString& source, bool append);
    // The list source held for "StartKorvi" without argument.
    const QString& HeldSource() const { return held_source_; }

    // The profile held for the next run.
    const DlSrchOpt& Opt() const { return opt_; }
    const QString& OptName() const { return opt_name_; }
    // Applies the named profile (ApplyOptUncommon) and its panel values.
    void ApplyProfile(const QString& name);

    QString SearchWord() const;
    void SetSearchWord(const QString& word);
    void FocusUrlField();

    // Reads a favourite file of "favorite": its list, profile and words.
    void LoadFav(const QString& path);
    // Presses "DL & 検索" (search) or "DL".
    void StartDlSearch(bool search);
    // Starts a run; set by the main window. False when it did not start.
    std::function<bool(const RunRequest&)> startRun;

private:
    GuiContext& gui_;
    InitList list_;
    DlSrchOpt opt_;
    QString opt_name_;
    QString held_source_;
    QString words_;
};

}  // namespace korvi
