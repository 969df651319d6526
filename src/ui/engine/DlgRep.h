#pragma once

#include <QDialog>

namespace korvi {

struct GuiContext;
class RepTarget;

// The replace dialog: search or replace in the rows of a table.
class DlgRep : public QDialog {
    Q_OBJECT
public:
    enum class Mode { kSearch, kReplace };

    DlgRep(GuiContext& gui, RepTarget& target, Mode mode, QWidget* parent = nullptr);

    // "次を検索" / "前を検索": the next or previous row matching the last
    // search text; shows the not-found message. False when none was found.
    static bool SrchNext(GuiContext& gui, RepTarget& target, bool forward,
                         QWidget* parent = nullptr);

private:
    GuiContext& gui_;
    RepTarget& target_;
    Mode mode_;
};

}  // namespace korvi
