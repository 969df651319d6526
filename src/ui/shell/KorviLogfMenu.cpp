#include "ui/shell/KorviLogfMenu.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "shell/Context.h"
#include "tools/FldrLst.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"

namespace korvi {

QString WriteFldrLst(GuiContext& gui, QWidget* parent, const QString& folder) {
    FldrLst lst(
        gui.ctx.Ctrl(),
        [&gui, parent](const QString& title, const QString& text) {
            gui.dlg.Message(parent, title, text);
        },
        UserOpener(gui, parent,
                   QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : cannot open ")));
    return lst.MkFldrLstHtml(folder);
}

QMenu* InitLogfMenu(GuiContext& gui, QWidget* owner, QTreeView* tree,
                    std::function<QString()> selectedFolder, std::function<bool()> canResume,
                    std::function<void()> resume) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(QStringLiteral("mn_logf"));
    menu->setToolTipsVisible(true);
    struct Item {
        const char16_t* name;
        const char16_t* caption;
        const char16_t* button;
    };
    static const Item kItems[] = {
        {u"mni_back_root", u"DL先フォルダのルートに戻る(&D)", u"btn_back_logf"},
        {u"mni_move", u"移動(&M)", u"btn_move_savef"},
        {u"mni_new", u"新規(&N)", u"btn_new_savef"},
        {u"mni_rename", u"名前変更(&R)", u"btn_rename_savef"},
        {u"mni_open", u"開く(&O)", u"btn_open_savef"},
    };
    for (const Item& item : kItems) {
        QAction* a = menu->addAction(QString::fromUtf16(item.caption));
        a->setObjectName(QString::fromUtf16(item.name));
        const QString button = QString::fromUtf16(item.button);
        QObject::connect(a, &QAction::triggered, owner, [owner, button] {
            if (auto* b = owner->findChild<QPushButton*>(button)) b->click();
        });
    }
    QAction* html = menu->addAction(QStringLiteral("フォルダ内をHTMLでリスト化(&H)"));
    html->setObjectName(QStringLiteral("mni_fldr_list_html"));
    QObject::connect(html, &QAction::triggered, owner,
                     [&gui, owner, selectedFolder] { WriteFldrLst(gui, owner, selectedFolder()); });

    QAction* again = menu->addAction(QStringLiteral("続きから再開"));
    again->setObjectName(QStringLiteral("mni_resume"));
    QObject::connect(again, &QAction::triggered, owner, [resume] { resume(); });
    // The item follows the selection whenever the menu opens.
    QObject::connect(menu, &QMenu::aboutToShow, owner,
                     [again, canResume] { again->setEnabled(canResume()); });

    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(tree, &QWidget::customContextMenuRequested, owner,
                     [menu, tree](const QPoint& pos) {
                         const QModelIndex at = tree->indexAt(pos);
                         if (at.isValid()) tree->setCurrentIndex(at);
                         menu->popup(tree->viewport()->mapToGlobal(pos));
                     });
    return menu;
}

}  // namespace korvi
