#include "engine/lists/InitPanelSelect.h"

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

namespace {

bool BoxOn(const InitSelect& s, int scope) {
    if (s.all) return true;
    return scope == 1 ? s.drOut : scope == 2 ? s.drIn : s.dmOut;
}

}  // namespace

QString NoTargetMessage(const InitList& list) {
    QString text = QStringLiteral("「対象」にチェックの入った行がありません。");
    const InitSelect& s = list.Select();
    int left[3] = {0, 0, 0};
    for (const InitRow& r : list.Rows()) {
        const int scope = r.rng >= 0 && r.rng <= 2 ? r.rng : 0;
        if (BoxOn(s, scope)) continue;
        // A row the start filter drops stays out whatever the box says.
        if (s.fltStart && !list.ChckFltrStart(r)) continue;
        ++left[scope];
    }
    static const char16_t* const kBox[3] = {u"「ドメイン」の「外」", u"「ディレクトリ」の「外」",
                                            u"「ディレクトリ」の「内」"};
    QString boxes;
    for (int scope = 0; scope < 3; ++scope) {
        if (left[scope] == 0) continue;
        boxes += QStringLiteral("\n・") + QString::fromUtf16(kBox[scope]) + QStringLiteral(" : ") +
                 QString::number(left[scope]) + QStringLiteral(" 件");
    }
    if (boxes.isEmpty()) return text;
    text +=
        QStringLiteral("\n\n「対象範囲」の次のボックスにチェックを入れると、行が対象になります。") +
        boxes;
    if (list.BaseUrl().isEmpty())
        text +=
            QStringLiteral("\n\n「基準URL」が空なので、どの行も「ドメイン」の「外」になります。");
    return text;
}

}  // namespace korvi
