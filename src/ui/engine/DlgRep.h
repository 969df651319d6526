#pragma once

#include <QDialog>

#include <memory>

#include "present/RepEngine.h"
#include "present/RepHistory.h"

namespace Ui {
class DlgRep;
}

namespace korvi {

struct GuiContext;
class RepTarget;

// The replace dialog: search or replace in the rows of a table.
class DlgRep : public QDialog {
    Q_OBJECT
public:
    enum class Mode { kSearch, kReplace };

    DlgRep(GuiContext& gui, RepTarget& target, Mode mode, QWidget* parent = nullptr);
    ~DlgRep() override;

    // "次を検索" / "前を検索": the next or previous row matching the last
    // search text; shows the not-found message. False when none was found.
    static bool SrchNext(GuiContext& gui, RepTarget& target, bool forward,
                         QWidget* parent = nullptr);

    // Fills the controls from the common settings and the histories.
    void Init();
    // Replaces with the dialog's pair over the rows in scope and shows the
    // count; the number of replacements.
    int RepList();
    // Replaces with the batch file named in "パス"; -1 when there is none.
    int RepList2();
    // Selects the next row matching the search text; false (and the
    // not-found message) when there is none.
    bool SrchLst();
    // Enables the batch controls as "置換バッチを使用" says.
    void ChngRepBat();
    // Keeps the histories and the dialog's settings.
    void Close();

    Mode GetMode() const { return mode_; }

protected:
    void done(int result) override;

private:
    void Run();
    void ChooseBatch();
    void FillCombos();

    GuiContext& gui_;
    RepTarget& target_;
    Mode mode_;
    std::unique_ptr<Ui::DlgRep> ui_;
    RepEngine engine_;
    RepHistory sch_hist_{RepHistory::kSearchBox};
    RepHistory rep_hist_{RepHistory::kReplaceBox};
    QString title_;
    bool closed_ = false;
};

}  // namespace korvi
