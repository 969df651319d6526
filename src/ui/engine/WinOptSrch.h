#pragma once

#include <QWidget>

class QCheckBox;
class QListWidget;

namespace korvi {

struct GuiContext;

// Options panel "検索設定": the search type of the matcher and its case
// handling, kept in "cmn_opt.ini".
class WinOptSrch : public QWidget {
    Q_OBJECT
public:
    explicit WinOptSrch(GuiContext& gui, QWidget* parent = nullptr);

    // Presses "保存": writes search_type and case_insensitive, saves the
    // common settings and hands both to the matcher. False when the file
    // could not be written (nothing changes then).
    bool SaveOpt();

Q_SIGNALS:
    void saved();

private:
    GuiContext& gui_;
    QListWidget* lst_srch_type_;
    QCheckBox* cb_case_insnstv_;
};

}  // namespace korvi
