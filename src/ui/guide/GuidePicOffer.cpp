#include "ui/guide/GuidePicOffer.h"

#include <QWidget>

#include "guide/GuidePreset.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/MainWindowLink.h"

namespace korvi {

namespace {
const QString kName = QStringLiteral("GuidePicOffer");
}

GuidePicOffer::GuidePicOffer(GuiContext& gui, MainWindowLink& main, const QString& filter,
                             int minKb)
    : QObject(main.Window()), gui_(gui), main_(main), filter_(filter), min_kb_(minKb) {
    setObjectName(kName);
    watch_ = main.OnRunState(this, [this](bool running) { RunState(running); });
}

GuidePicOffer* GuidePicOffer::Pending(MainWindowLink& main) {
    return main.Window()->findChild<GuidePicOffer*>(kName, Qt::FindDirectChildrenOnly);
}

void GuidePicOffer::Arm(GuiContext& gui, MainWindowLink& main, const GuidePlan& plan) {
    if (GuidePicOffer* old = Pending(main)) {
        old->setObjectName(QString());
        old->deleteLater();
    }
    if (plan.picFollowUp) new GuidePicOffer(gui, main, plan.picFilter, plan.picKb);
}

void GuidePicOffer::RunState(bool running) {
    if (running) {
        started_ = true;
        return;
    }
    if (!started_) return;
    // Asked once: the offer is spent whatever the answer.
    disconnect(watch_);
    setObjectName(QString());
    deleteLater();
    const QString text = QStringLiteral("DLした画像（") + filter_ + QStringLiteral("、") +
                         QString::number(min_kb_) +
                         QStringLiteral("KB以上）を「DLファイル検索」に表示しますか？");
    if (gui_.dlg.Confirm(main_.Window(), QStringLiteral("画像の表示"), text))
        main_.ShowPictures(filter_, min_kb_);
}

}  // namespace korvi
