#include "ui/shell/SelOutTmplt.h"

#include "ui/shell/GuiContext.h"
#include "ui/shell/WorkPanel.h"

namespace korvi {

void SelOutTmplt(GuiContext& gui, QWidget* parent, const OutputRows& rows, const QString& title) {
    (void)gui;
    (void)parent;
    (void)rows;
    (void)title;
}

}  // namespace korvi
