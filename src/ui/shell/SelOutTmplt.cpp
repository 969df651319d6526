#include "ui/shell/SelOutTmplt.h"

#include <algorithm>

#include "engine/match/MatcherWords.h"
#include "shell/Context.h"
#include "store/DocRunReport.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OpenOrLog.h"
#include "ui/shell/WorkPanel.h"

namespace korvi {

void SelOutTmplt(GuiContext& gui, QWidget* parent, const OutputRows& rows, const QString& title) {
    AssertGuiThread("SelOutTmplt");
    DocRunReport report(
        gui.ctx.Ctrl(),
        [&gui, parent](const QString& t, const QString& text) { gui.dlg.Message(parent, t, text); },
        [&gui](const QString& line) {
            if (gui.progress) gui.progress(line);
        },
        UserOpener(gui, parent, QStringLiteral("W_Main OutTmplt Exec Error : cannot open ")));
    const QStringList types = report.ListOutTypes();  // shows "出力形式" when there are none
    if (types.isEmpty()) return;
    const int current =
        std::max<int>(0, static_cast<int>(types.indexOf(QStringLiteral("デフォルト"))));
    const int chosen = gui.dlg.Choose(parent, QStringLiteral("出力形式の選択"),
                                      QStringLiteral("出力形式を選択して下さい。"), types, current);
    if (chosen < 0 || chosen >= types.size()) return;
    const QString type = types.at(chosen);
    if (!report.ChkOutType(type)) return;

    RunReportInput input;
    input.keys = rows.keys;
    input.rows = rows.rows;
    input.words = SrchReportWords(rows.words, gui.ctx.Match().SearchType());
    if (!input.rows.empty()) {
        // The report's name, offered as the given title.
        input.title = gui.dlg.Input(parent, QStringLiteral("出力"),
                                    QStringLiteral("出力名を入力して下さい。"), title);
        if (input.title.isNull()) return;
        DocRunReport::SetStartPage(input);
    }
    // An empty list is refused there ("開く警告").
    report.OutTmplt(type, input);
}

}  // namespace korvi
