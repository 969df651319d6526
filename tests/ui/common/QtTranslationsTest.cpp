#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

#include "UiTestKit.h"
#include "ui/common/QtTranslations.h"

namespace korvi::test {

// What Qt draws itself reads Japanese whatever the locale: a text field's
// context menu and the labels of the file dialog.
TEST(QtTranslations, QtTextsReadJapanese) {
    QTranslator* tr = ui::InstallQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(tr, nullptr);
    QLineEdit edit(QStringLiteral("x"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : menu->actions()) texts << a->text();
    QFileDialog dlg;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    for (const QLabel* l : dlg.findChildren<QLabel*>()) texts << l->text();
    const QString all = texts.join(u'|');
    for (const char* english : {"Undo", "Copy", "Paste", "Select All", "Look in:", "File name:"})
        EXPECT_FALSE(all.contains(QLatin1String(english))) << english;
    EXPECT_TRUE(all.contains(QStringLiteral("ファイル名"))) << all.toStdString();
    QCoreApplication::removeTranslator(tr);
    delete tr;
}

}  // namespace korvi::test
