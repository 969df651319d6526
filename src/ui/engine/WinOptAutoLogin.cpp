#include "ui/engine/WinOptAutoLogin.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/profile/AutoLoginFiles.h"
#include "shell/Context.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/OptPanelParts.h"
#include "ui/shell/ToolTipTable.h"

namespace korvi {

namespace {

const QString kPrompt = QStringLiteral("ファイルの名前を入力して下さい。");

}  // namespace

WinOptAutoLogin::WinOptAutoLogin(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptAutoLogin"));

    const NamedListSide side = MkNamedListSide(this, QStringLiteral("自動ログインのファイル"),
                                               QStringLiteral("lst_al"), QStringLiteral("al"));
    list_ = side.list;

    auto* body = new QWidget(this);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(new QLabel(QStringLiteral("ファイルの内容"), body));
    editor_ = new QPlainTextEdit(body);
    editor_->setObjectName(QStringLiteral("txt_al"));
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    bodyLayout->addWidget(editor_, 1);
    auto* foot = new QHBoxLayout;
    note_ = new QLabel(
        AutoLoginFiles::kSample + QStringLiteral("は変更できません。複製してから編集して下さい。"),
        body);
    note_->setObjectName(QStringLiteral("lbl_al_note"));
    note_->setWordWrap(true);
    foot->addWidget(note_, 1);
    foot->addStretch(0);
    save_ = new QPushButton(QStringLiteral("保存"), body);
    save_->setObjectName(QStringLiteral("btn_save_al"));
    save_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    foot->addWidget(save_);
    bodyLayout->addLayout(foot);

    LayOutBeside(this, side.side, body, 190);

    InitToolTip(this);

    connect(side.btnNew, &QPushButton::clicked, this, &WinOptAutoLogin::NewFile);
    connect(side.btnCopy, &QPushButton::clicked, this, &WinOptAutoLogin::CopyFile);
    connect(side.btnRename, &QPushButton::clicked, this, &WinOptAutoLogin::RenameFile);
    connect(side.btnDel, &QPushButton::clicked, this, &WinOptAutoLogin::DeleteFile);
    connect(save_, &QPushButton::clicked, this, &WinOptAutoLogin::SaveFile);
    connect(list_, &QListWidget::currentTextChanged, this, &WinOptAutoLogin::OnCurrentChanged);

    Refresh(QString());
}

void WinOptAutoLogin::Report(const AutoLoginResult& r) {
    gui_.dlg.Show(this, r.message);
}

void WinOptAutoLogin::Refresh(const QString& select) {
    const QStringList names = AutoLoginFiles(gui_.ctx.Ctrl()).Names();
    {
        const QSignalBlocker block(list_);
        list_->clear();
        list_->addItems(names);
    }
    Show(names.contains(select) ? select : names.value(0));
}

void WinOptAutoLogin::Show(const QString& name) {
    {
        const QSignalBlocker block(list_);
        const QList<QListWidgetItem*> found = list_->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            list_->setCurrentRow(-1);
        else
            list_->setCurrentItem(found.first());
    }
    loaded_ = list_->currentItem() ? name : QString("");
    const bool locked = loaded_.isEmpty() || AutoLoginFiles::IsProtected(loaded_);
    editor_->setPlainText(AutoLoginFiles(gui_.ctx.Ctrl()).Load(loaded_));
    editor_->document()->setModified(false);
    editor_->setReadOnly(locked);
    save_->setEnabled(!locked);
    note_->setVisible(AutoLoginFiles::IsProtected(loaded_));
}

bool WinOptAutoLogin::SelectFile(const QString& name) {
    if (list_->findItems(name, Qt::MatchExactly).isEmpty()) return false;
    if (name != loaded_ && !ConfirmLeave()) return false;
    Show(name);
    return true;
}

bool WinOptAutoLogin::ConfirmLeave() {
    if (loaded_.isEmpty() || AutoLoginFiles::IsProtected(loaded_) ||
        !editor_->document()->isModified())
        return true;
    switch (gui_.dlg.YesNo(
        this, QStringLiteral("保存確認"),
        QStringLiteral("「") + loaded_ + QStringLiteral("」の変更を保存しますか？"), true)) {
        case Dialogs::Answer::kYes:
            return SaveFile();
        case Dialogs::Answer::kNo:
            Show(loaded_);
            return true;
        case Dialogs::Answer::kCancel:
            break;
    }
    return false;
}

void WinOptAutoLogin::OnCurrentChanged(const QString& name) {
    if (name == loaded_) return;
    if (!ConfirmLeave()) {
        // Back to the file in the editor, edits kept.
        const QSignalBlocker block(list_);
        const QList<QListWidgetItem*> found = list_->findItems(loaded_, Qt::MatchExactly);
        if (!found.isEmpty()) list_->setCurrentItem(found.first());
        return;
    }
    Show(name);
}

bool WinOptAutoLogin::SaveFile() {
    const AutoLoginResult r = AutoLoginFiles(gui_.ctx.Ctrl()).Save(loaded_, editor_->toPlainText());
    Report(r);
    if (r.ok) editor_->document()->setModified(false);
    return r.ok;
}

void WinOptAutoLogin::NewFile() {
    if (!ConfirmLeave()) return;
    const QString input = gui_.dlg.Input(this, QStringLiteral("新規作成"), kPrompt);
    if (input.isNull()) return;
    const AutoLoginResult r = AutoLoginFiles(gui_.ctx.Ctrl()).New(input);
    Report(r);
    if (r.ok) Refresh(r.name);
}

void WinOptAutoLogin::CopyFile() {
    const QString selected = loaded_;
    QString input;
    if (!selected.isEmpty()) {
        if (!ConfirmLeave()) return;
        input = gui_.dlg.Input(this, QStringLiteral("複製"), kPrompt,
                               QStringLiteral("コピー ～ ") + selected);
        if (input.isNull()) return;
    }
    const AutoLoginResult r = AutoLoginFiles(gui_.ctx.Ctrl()).Copy(selected, input);
    Report(r);
    if (r.ok) Refresh(r.name);
}

void WinOptAutoLogin::RenameFile() {
    const QString selected = loaded_;
    QString input;
    // The list's own refusals (nothing selected, the sample) come before the question.
    if (!selected.isEmpty() && !AutoLoginFiles::IsProtected(selected)) {
        if (!ConfirmLeave()) return;
        input = gui_.dlg.Input(this, QStringLiteral("名前変更"), kPrompt, selected);
        if (input.isNull()) return;
    }
    const AutoLoginResult r = AutoLoginFiles(gui_.ctx.Ctrl()).Rename(selected, input);
    Report(r);
    if (r.ok) Refresh(r.name);
}

void WinOptAutoLogin::DeleteFile() {
    const QString selected = loaded_;
    if (!selected.isEmpty() && !AutoLoginFiles::IsProtected(selected)) {
        const UserMessage q = AutoLoginFiles::DeleteQuestion(selected);
        if (gui_.dlg.YesNo(this, q.title, q.text) != Dialogs::Answer::kYes) return;
    }
    const AutoLoginResult r = AutoLoginFiles(gui_.ctx.Ctrl()).Delete(selected);
    Report(r);
    if (r.ok) Refresh(QString());
}

}  // namespace korvi
