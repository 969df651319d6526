#include "ui/engine/DlgRep.h"

#include "ui/engine/RepTarget.h"
#include "ui/shell/GuiContext.h"

namespace korvi {

DlgRep::DlgRep(GuiContext& gui, RepTarget& target, Mode mode, QWidget* parent)
    : QDialog(parent), gui_(gui), target_(target), mode_(mode) {
    setObjectName(QStringLiteral("DlgRep"));
}

bool DlgRep::SrchNext(GuiContext& gui, RepTarget& target, bool forward, QWidget* parent) {
    (void)gui;
    (void)target;
    (void)forward;
    (void)parent;
    return false;
}

}  // namespace korvi
