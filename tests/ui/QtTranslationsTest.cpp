#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

#include "UiTestKit.h"
#include "ui/QtTranslations.h"

namespace korvi::test {

// With Qt's translations installed, what Qt draws itself reads Japanese
// whatever the locale: a text field's context menu and the file dialog.
TEST(QtTranslations, QtTextsReadJapanese) {
    QTranslator* tr = ui::InstallQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(tr, nullptr);

    QLineEdit edit(QStringLiteral("x"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_FALSE(texts.isEmpty());
    for (const QString& t : texts) {
        for (const char* english : {"Undo", "Copy", "Paste", "Select All"})
            EXPECT_FALSE(t.contains(QLatin1String(english))) << t.toStdString();
    }

    QFileDialog dlg(nullptr, QStringLiteral("ファイルの読み込み"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (const QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
    for (const QPushButton* b : dlg.findChildren<QPushButton*>()) labels << b->text();
    const QString all = labels.join(u'|');
    for (const char* english : {"Look in:", "File name:", "Cancel"})
        EXPECT_FALSE(all.contains(QLatin1String(english))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("ファイル"))) << all.toStdString();

    QCoreApplication::removeTranslator(tr);
    delete tr;
}

}  // namespace korvi::test
