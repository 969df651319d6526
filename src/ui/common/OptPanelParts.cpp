#include "ui/common/OptPanelParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace korvi {

namespace {

QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

NamedListSide MkNamedListSide(QWidget* parent, const QString& heading, const QString& listName,
                              const QString& suffix) {
    NamedListSide s;
    s.side = new QWidget(parent);
    auto* layout = new QVBoxLayout(s.side);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(heading, s.side);
    layout->addWidget(label);
    s.list = new QListWidget(s.side);
    s.list->setObjectName(listName);
    label->setBuddy(s.list);
    layout->addWidget(s.list, 1);
    s.btnNew = Button(QStringLiteral("btn_new_") + suffix, QStringLiteral("新規"), s.side);
    s.btnCopy = Button(QStringLiteral("btn_copy_") + suffix, QStringLiteral("複製"), s.side);
    s.btnRename =
        Button(QStringLiteral("btn_rename_") + suffix, QStringLiteral("名前変更"), s.side);
    s.btnDel = Button(QStringLiteral("btn_del_") + suffix, QStringLiteral("削除"), s.side);
    auto* btns = new QGridLayout;
    btns->addWidget(s.btnNew, 0, 0);
    btns->addWidget(s.btnCopy, 0, 1);
    btns->addWidget(s.btnRename, 1, 0);
    btns->addWidget(s.btnDel, 1, 1);
    layout->addLayout(btns);
    return s;
}

QPushButton* AddSaveRow(QBoxLayout* layout, QWidget* parent, const QString& name) {
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    QPushButton* save = Button(name, QStringLiteral("保存"), parent);
    row->addWidget(save);
    layout->addLayout(row);
    return save;
}

void LayOutBeside(QWidget* host, QWidget* side, QWidget* editor, int sideWidth) {
    auto* split = new QSplitter(Qt::Horizontal, host);
    split->setChildrenCollapsible(false);
    split->addWidget(side);
    split->addWidget(editor);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({sideWidth, 600});
    auto* layout = new QHBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
}

}  // namespace korvi
