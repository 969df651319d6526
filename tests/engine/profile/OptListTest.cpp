#include <gtest/gtest.h>

#include <QFile>

#include "engine/profile/OptList.h"
#include "fixtures/TempHome.h"

// Readable failure output.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using korvi::OptList;
using korvi::OptMessage;
using korvi::test::TempHome;

namespace {

// The single dialog of a result, as "title|text".
QString Dialog(const korvi::OptResult& r) {
    if (r.messages.size() != 1) return QStringLiteral("<%1 dialogs>").arg(r.messages.size());
    return r.messages[0].title + u'|' + r.messages[0].text;
}

const QString kNoName =
    QStringLiteral("設定名エラー|設定名入力欄に名前が入力されていません。名前を入力して下さい。");
const QString kExists =
    QStringLiteral("設定名エラー|既に同じ名前の設定が存在します。設定名を変更して下さい。");
const QString kNoSelection =
    QStringLiteral("エラー|リストが選択されていません。左のリストを選択して下さい。");

}  // namespace

TEST(ProfileList, NewAndCopy) {
    TempHome th;
    OptList list(th.Ctrl());
    EXPECT_EQ(list.Names(), QStringList{"デフォルト"});

    EXPECT_EQ(Dialog(list.NewOpt("")), kNoName);
    EXPECT_EQ(Dialog(list.NewOpt("デフォルト")), kExists);
    auto r = list.NewOpt("site");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_EQ(th.Read("option/site.ini"), th.Read("option/デフォルト.ini"));
    EXPECT_EQ(Dialog(list.NewOpt("site")), kExists);
    EXPECT_FALSE(list.NewOpt("a/b").ok);
    EXPECT_FALSE(th.Exists("option/a/b.ini"));

    th.Write("option/site.ini", "[BaseOption]\ndepth_max=5\n");
    r = list.CopyOpt("site");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(th.Read("option/コピー ～ site.ini"), QByteArray("[BaseOption]\ndepth_max=5\n"));
    // A second copy must not replace the first copy.
    th.Write("option/コピー ～ site.ini", "mine");
    EXPECT_EQ(Dialog(list.CopyOpt("site")), kExists);
    EXPECT_EQ(th.Read("option/コピー ～ site.ini"), QByteArray("mine"));
    EXPECT_EQ(Dialog(list.CopyOpt("")), kNoSelection);

    EXPECT_EQ(list.Names(), (QStringList{"デフォルト", "site", "コピー ～ site"}));
}

TEST(ProfileList, NewRestoresAMissingDefault) {
    TempHome th;
    QFile::remove(th.File("option/デフォルト.ini"));
    OptList list(th.Ctrl());
    EXPECT_TRUE(list.NewOpt("x").ok);
    EXPECT_EQ(QString::fromUtf8(th.Read("option/x.ini")), korvi::OptToStr(korvi::DlSrchOpt()));
    EXPECT_TRUE(th.Exists("option/デフォルト.ini"));
}

TEST(ProfileList, Rename) {
    TempHome th;
    OptList list(th.Ctrl());
    th.Write("option/a.ini", "A");
    th.Write("option/b.ini", "B");

    EXPECT_EQ(Dialog(list.RenameOpt("デフォルト", "z")),
              "名前変更エラー|デフォルトの名前を変更することはできません。");
    EXPECT_TRUE(th.Exists("option/デフォルト.ini"));
    EXPECT_EQ(Dialog(list.RenameOpt("a", "")), kNoName);
    EXPECT_EQ(Dialog(list.RenameOpt("a", "b")), kExists);
    EXPECT_EQ(th.Read("option/b.ini"), QByteArray("B"));
    EXPECT_EQ(Dialog(list.RenameOpt("", "c")), kNoSelection);

    EXPECT_TRUE(list.RenameOpt("a", "c").ok);
    EXPECT_FALSE(th.Exists("option/a.ini"));
    EXPECT_EQ(th.Read("option/c.ini"), QByteArray("A"));
    EXPECT_FALSE(list.RenameOpt("c", "../../evil").ok);
    EXPECT_TRUE(th.Exists("option/c.ini"));
}

TEST(ProfileList, DeleteAsksFirst) {
    TempHome th;
    OptList list(th.Ctrl());
    th.Write("option/a.ini", "A");
    int asked = 0;
    OptMessage question;
    auto answer = [&](bool yes) {
        return [&, yes](const OptMessage& m) {
            ++asked;
            question = m;
            return yes;
        };
    };

    EXPECT_EQ(Dialog(list.DeleteOpt("デフォルト", answer(true))),
              "削除エラー|デフォルトの設定を削除することはできません。");
    EXPECT_TRUE(th.Exists("option/デフォルト.ini"));
    EXPECT_EQ(Dialog(list.DeleteOpt("", answer(true))), kNoSelection);
    EXPECT_EQ(asked, 0);

    EXPECT_FALSE(list.DeleteOpt("a", answer(false)).ok);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(question.kind, OptMessage::Kind::kConfirm);
    EXPECT_EQ(question.title, "削除確認");
    EXPECT_EQ(question.text, "「a」の設定を削除しようとしています。\n削除してもよいですか？\n");
    EXPECT_TRUE(th.Exists("option/a.ini"));

    EXPECT_TRUE(list.DeleteOpt("a", answer(true)).ok);
    EXPECT_FALSE(th.Exists("option/a.ini"));
    EXPECT_FALSE(list.DeleteOpt("a", answer(true)).ok);
}
