#include "engine/InitPanelSelect.h"

namespace korvi {

InitSelect SelectFromPanel(const InitPanelOpt& panel) {
    InitSelect s;
    s.all = panel.target.all;
    s.dmOut = panel.target.domain_out;
    s.dmIn = panel.target.domain_in;
    s.drOut = panel.target.directory_out;
    s.drIn = panel.target.directory_in;
    s.fltMode = int(panel.filter_type);
    s.fltTxt = panel.filter_string;
    s.fltStart = panel.filter_start;
    return s;
}

void PanelFromSelect(const InitSelect& select, InitPanelOpt& panel) {
    panel.target.all = select.all;
    panel.target.domain_out = select.dmOut;
    panel.target.domain_in = select.dmIn;
    panel.target.directory_out = select.drOut;
    panel.target.directory_in = select.drIn;
    panel.filter_type = select.fltMode == 1   ? FilterMode::kIn
                        : select.fltMode == 2 ? FilterMode::kOut
                                              : FilterMode::kAll;
    panel.filter_string = select.fltTxt;
    panel.filter_start = select.fltStart;
}

InitSelect LinkTargetBoxes(InitSelect s, TargetBox changed) {
    switch (changed) {
        case TargetBox::kAll:
            s.dmOut = s.dmIn = s.drOut = s.drIn = s.all;
            return s;
        case TargetBox::kDmIn:
            s.drOut = s.drIn = s.dmIn;
            break;
        case TargetBox::kDrOut:
        case TargetBox::kDrIn:
            s.dmIn = s.drOut || s.drIn;
            break;
        case TargetBox::kDmOut:
            break;
    }
    s.all = s.dmOut && s.drOut && s.drIn;
    return s;
}

}  // namespace korvi
