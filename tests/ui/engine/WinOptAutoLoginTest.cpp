#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/profile/AutoLoginFiles.h"
#include "ui/engine/WinOptAutoLogin.h"

namespace korvi::test {
namespace {

const QString kSample = QStringLiteral("サンプル.ini");

struct Panel {
    GuiHome home;
    WinOptAutoLogin panel{home.Gui()};
    QListWidget* list = Find<QListWidget>(&panel, "lst_al");
    QPlainTextEdit* editor = Find<QPlainTextEdit>(&panel, "txt_al");

    void Press(const char* name) { Find<QPushButton>(&panel, QString::fromLatin1(name))->click(); }
    QStringList Rows() const {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    QString File(const QString& name) {
        return QString::fromUtf8(home.Read(QStringLiteral("auto_login/") + name));
    }
};

// The sample is listed, shown read-only and can be neither saved, renamed
// nor deleted; copying it gives an editable file.
TEST(WinOptAutoLogin, SampleIsProtected) {
    Panel p;
    const QByteArray sample = p.home.Read("auto_login/" + kSample);
    ASSERT_EQ(p.Rows(), QStringList({kSample}));
    EXPECT_EQ(p.panel.Selected(), kSample);
    EXPECT_EQ(p.editor->toPlainText(), QString::fromUtf8(sample));
    EXPECT_TRUE(p.editor->isReadOnly());
    EXPECT_FALSE(Find<QPushButton>(&p.panel, "btn_save_al")->isEnabled());
    EXPECT_FALSE(p.panel.SaveFile());

    p.Press("btn_rename_al");
    p.Press("btn_del_al");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("名前変更エラー")));
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("削除エラー")));
    EXPECT_FALSE(p.home.Dlg().WasShown(QStringLiteral("名前変更")));  // no name asked
    EXPECT_EQ(p.home.Read("auto_login/" + kSample), sample);

    p.home.Dlg().inputs.push_back(QStringLiteral("コピー ～ サンプル"));
    p.Press("btn_copy_al");
    const QString copy = QStringLiteral("コピー ～ サンプル.ini");
    EXPECT_EQ(p.panel.Selected(), copy);
    EXPECT_FALSE(p.editor->isReadOnly());
    EXPECT_EQ(p.home.Read("auto_login/" + copy), sample);
}

// New, rename and delete: forbidden characters are stripped, ".ini" added,
// an existing name is refused without touching that file.
TEST(WinOptAutoLogin, NewRenameDelete) {
    Panel p;
    p.home.Dlg().inputs.push_back(QStringLiteral("my/site?"));
    p.Press("btn_new_al");
    EXPECT_EQ(p.panel.Selected(), QStringLiteral("mysite.ini"));
    EXPECT_EQ(p.File("mysite.ini"), AutoLoginFiles::kNewText);

    p.home.Dlg().inputs.push_back(QStringLiteral("サンプル"));
    p.Press("btn_new_al");
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("ファイル名エラー"))
                    .startsWith(QStringLiteral("既に同じ名前")));
    EXPECT_EQ(p.panel.Selected(), QStringLiteral("mysite.ini"));

    p.home.Dlg().inputs.push_back(QStringLiteral(".."));
    p.Press("btn_rename_al");
    EXPECT_TRUE(p.home.Exists("auto_login/mysite.ini"));

    p.home.Dlg().inputs.push_back(QStringLiteral("other.ini"));
    p.Press("btn_rename_al");
    EXPECT_EQ(p.Rows(), QStringList({"other.ini", kSample}));
    EXPECT_EQ(p.panel.Selected(), QStringLiteral("other.ini"));
    EXPECT_FALSE(p.home.Exists("auto_login/mysite.ini"));

    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    p.Press("btn_del_al");
    EXPECT_TRUE(p.home.Exists("auto_login/other.ini"));
    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kYes);
    p.Press("btn_del_al");
    EXPECT_FALSE(p.home.Exists("auto_login/other.ini"));
    EXPECT_EQ(p.Rows(), QStringList({kSample}));
    EXPECT_EQ(p.panel.Selected(), kSample);
}

// Unsaved edits are asked about when another file is chosen: cancel keeps
// the file and the edits, no drops them, yes saves them.
TEST(WinOptAutoLogin, UnsavedEditsAreAskedAbout) {
    Panel p;
    p.home.Write("auto_login/a.ini", "[URL]\nurl=http://a/\n");
    p.home.Write("auto_login/b.ini", "[URL]\nurl=http://b/\n");
    WinOptAutoLogin panel(p.home.Gui());
    auto* list = Find<QListWidget>(&panel, "lst_al");
    auto* editor = Find<QPlainTextEdit>(&panel, "txt_al");
    auto pick = [&](const QString& name) {
        list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    };
    // Typed as the user does, so the document counts as modified.
    auto type = [&](const QString& text) {
        editor->selectAll();
        editor->insertPlainText(text);
    };
    ASSERT_EQ(panel.Selected(), QStringLiteral("a.ini"));
    type("[URL]\nurl=http://a2/\n");

    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kCancel);
    pick("b.ini");
    EXPECT_EQ(panel.Selected(), QStringLiteral("a.ini"));
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("a.ini"));
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("[URL]\nurl=http://a2/\n"));

    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    pick("b.ini");
    EXPECT_EQ(panel.Selected(), QStringLiteral("b.ini"));
    EXPECT_EQ(p.File("a.ini"), QStringLiteral("[URL]\nurl=http://a/\n"));

    type("[URL]\nurl=http://b2/\n");
    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kYes);
    pick(kSample);
    EXPECT_EQ(p.File("b.ini"), QStringLiteral("[URL]\nurl=http://b2/\n"));
    EXPECT_EQ(panel.Selected(), kSample);
    const int asked = int(p.home.Dlg().shown.size());
    pick("a.ini");  // nothing to save: no question
    EXPECT_EQ(int(p.home.Dlg().shown.size()), asked);
}

}  // namespace
}  // namespace korvi::test
