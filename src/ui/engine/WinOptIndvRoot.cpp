#include "ui/engine/WinOptIndvRoot.h"

#include <QListWidget>
#include <QPushButton>

#include "engine/profile/OptList.h"
#include "shell/Context.h"
#include "ui/engine/WinOptIndv.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OptPanelParts.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

WinOptIndvRoot::WinOptIndvRoot(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptIndvRoot"));

    const NamedListSide side = MkNamedListSide(this, QStringLiteral("DL＆検索 設定の一覧"),
                                               QStringLiteral("lst_opt"), QStringLiteral("opt"));
    list_ = side.list;

    editor_ = new WinOptIndv(gui_, this);

    LayOutBeside(this, side.side, editor_, 170);

    InitToolTip(this);

    connect(side.btnNew, &QPushButton::clicked, this, &WinOptIndvRoot::NewOpt);
    connect(side.btnCopy, &QPushButton::clicked, this, &WinOptIndvRoot::CopyOpt);
    connect(side.btnRename, &QPushButton::clicked, this, &WinOptIndvRoot::RenameOpt);
    connect(side.btnDel, &QPushButton::clicked, this, &WinOptIndvRoot::DeleteOpt);
    connect(list_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        if (!name.isEmpty()) editor_->LoadProfile(name);
    });
    connect(editor_, &WinOptIndv::saved, this, [this](const QString& name) {
        const QStringList before = Shown();
        Refresh(name);
        if (Shown() != before) Q_EMIT profilesChanged();
    });

    Refresh(gui_.ctx.Cmn().Opt().option_type);
}

QString WinOptIndvRoot::Selected() const {
    const QListWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? item->text() : QString("");
}

bool WinOptIndvRoot::SelectProfile(const QString& name) {
    const QList<QListWidgetItem*> found = list_->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    list_->setCurrentItem(found.first());
    if (editor_->LoadedName() != name) editor_->LoadProfile(name);
    return true;
}

QStringList WinOptIndvRoot::Shown() const {
    QStringList names;
    for (int i = 0; i < list_->count(); ++i) names.append(list_->item(i)->text());
    return names;
}

void WinOptIndvRoot::Refresh(const QString& select) {
    const QStringList names = OptList(gui_.ctx.Ctrl()).Names();
    {
        const QSignalBlocker block(list_);
        list_->clear();
        list_->addItems(names);
    }
    const QString name = names.contains(select) ? select : kDefaultOptName;
    QList<QListWidgetItem*> found = list_->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return;
    {
        const QSignalBlocker block(list_);
        list_->setCurrentItem(found.first());
    }
    if (editor_->LoadedName() != name) editor_->LoadProfile(name);
}

void WinOptIndvRoot::ShowMessages(const QList<OptMessage>& messages) {
    for (const OptMessage& m : messages) gui_.dlg.Message(this, m.title, m.text);
}

void WinOptIndvRoot::NewOpt() {
    const QString name = gui_.dlg.Input(this, QStringLiteral("新規作成"),
                                        QStringLiteral("新しい設定の名前を入力して下さい。"));
    if (name.isNull()) return;
    const OptResult r = OptList(gui_.ctx.Ctrl()).NewOpt(name);
    ShowMessages(r.messages);
    if (!r.ok) return;
    Refresh(name);
    Q_EMIT profilesChanged();
}

void WinOptIndvRoot::CopyOpt() {
    const QString selected = Selected();
    const OptResult r = OptList(gui_.ctx.Ctrl()).CopyOpt(selected);
    ShowMessages(r.messages);
    if (!r.ok) return;
    Refresh(QStringLiteral("コピー ～ ") + selected);
    Q_EMIT profilesChanged();
}

void WinOptIndvRoot::RenameOpt() {
    const QString selected = Selected();
    QString name;
    // The list's own checks (nothing selected, "デフォルト") come before the question.
    if (!selected.isEmpty() && selected != kDefaultOptName) {
        name = gui_.dlg.Input(this, QStringLiteral("名前変更"),
                              QStringLiteral("新しい設定の名前を入力して下さい。"), selected);
        if (name.isNull()) return;
    }
    const OptResult r = OptList(gui_.ctx.Ctrl()).RenameOpt(selected, name);
    ShowMessages(r.messages);
    if (!r.ok) return;
    Refresh(name);
    Q_EMIT profilesChanged();
}

void WinOptIndvRoot::DeleteOpt() {
    const QString selected = Selected();
    const OptResult r = OptList(gui_.ctx.Ctrl()).DeleteOpt(selected, [this](const OptMessage& q) {
        return gui_.dlg.YesNo(this, q.title, q.text) == Dialogs::Answer::kYes;
    });
    ShowMessages(r.messages);
    if (!r.ok) return;
    Refresh(kDefaultOptName);
    Q_EMIT profilesChanged();
}

}  // namespace korvi
