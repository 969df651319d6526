#include "ui/engine/WinOptIndvRoot.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "engine/ProfileList.h"
#include "shell/Context.h"
#include "ui/engine/WinOptIndv.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

namespace {

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

WinOptIndvRoot::WinOptIndvRoot(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptIndvRoot"));

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(QStringLiteral("DL＆検索 設定の一覧"), side);
    sideLayout->addWidget(heading);
    list_ = new QListWidget(side);
    list_->setObjectName(QStringLiteral("lst_opt"));
    heading->setBuddy(list_);
    sideLayout->addWidget(list_, 1);
    auto* btns = new QGridLayout;
    QPushButton* btnNew = Button(QStringLiteral("btn_new_opt"), QStringLiteral("新規"), side);
    QPushButton* btnCopy = Button(QStringLiteral("btn_copy_opt"), QStringLiteral("複製"), side);
    QPushButton* btnRename =
        Button(QStringLiteral("btn_rename_opt"), QStringLiteral("名前変更"), side);
    QPushButton* btnDel = Button(QStringLiteral("btn_del_opt"), QStringLiteral("削除"), side);
    btns->addWidget(btnNew, 0, 0);
    btns->addWidget(btnCopy, 0, 1);
    btns->addWidget(btnRename, 1, 0);
    btns->addWidget(btnDel, 1, 1);
    sideLayout->addLayout(btns);

    editor_ = new WinOptIndv(gui_, this);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->addWidget(side);
    split->addWidget(editor_);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({170, 600});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    InitToolTip(this);

    connect(btnNew, &QPushButton::clicked, this, &WinOptIndvRoot::NewOpt);
    connect(btnCopy, &QPushButton::clicked, this, &WinOptIndvRoot::CopyOpt);
    connect(btnRename, &QPushButton::clicked, this, &WinOptIndvRoot::RenameOpt);
    connect(btnDel, &QPushButton::clicked, this, &WinOptIndvRoot::DeleteOpt);
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
