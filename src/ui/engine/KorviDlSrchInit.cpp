#include "ui/engine/KorviDlSrchInit.h"

#include "shell/Context.h"
#include "ui/shell/GuiContext.h"

namespace korvi {

KorviDlSrchInit::KorviDlSrchInit(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), list_(gui.ctx.Ctrl()) {
    setObjectName(QStringLiteral("KorviDlSrchInit"));
}

ReadResult KorviDlSrchInit::ReadSource(const QString& source, bool append) {
    held_source_ = source;
    return list_.ReadSrchLst(source, append);
}

void KorviDlSrchInit::ApplyProfile(const QString& name) {
    opt_name_ = name;
}

QString KorviDlSrchInit::SearchWord() const {
    return words_;
}

void KorviDlSrchInit::SetSearchWord(const QString& word) {
    words_ = word;
}

void KorviDlSrchInit::FocusUrlField() {}

void KorviDlSrchInit::LoadFav(const QString& path) {
    ReadSource(path, false);
}

void KorviDlSrchInit::StartDlSearch(bool search) {
    (void)search;
}

}  // namespace korvi
