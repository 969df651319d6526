#include <gtest/gtest.h>

#include <QDir>

#include "fixtures/TempHome.h"
#include "store/OutTemplate.h"

using namespace korvi;

namespace {

struct Shown {
    QStringList titles;
    QStringList texts;
};

DocMessageFn Record(Shown* s) {
    return [s](const QString& t, const QString& x) {
        s->titles.append(t);
        s->texts.append(x);
    };
}

QString ErrLog(test::TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

}  // namespace

TEST(DocTemplate, ConditionsYieldTextOnlyWhenTheyHold) {
    EXPECT_EQ(OutTemplate::MkDocPrm("Top", "==Top/shown"), "shown");
    EXPECT_EQ(OutTemplate::MkDocPrm("top", "==Top/shown"), "");  // case-sensitive
    EXPECT_EQ(OutTemplate::MkDocPrm("x", "!=Top/other"), "other");
    EXPECT_EQ(OutTemplate::MkDocPrm("Top", "!=Top/other"), "");
    EXPECT_EQ(OutTemplate::MkDocPrm("Top", "==Top"), "");  // no "/"
    EXPECT_EQ(OutTemplate::MkDocPrm("", "==/empty/with/slashes"), "empty/with/slashes");
    EXPECT_EQ(OutTemplate::MkDocPrm("Top", "<>Top/x"),
              QStringLiteral("Param Set Err! : 演算子が正しくありません。"));
}

TEST(DocTemplate, BodyPiecesAreParametersConditionsDataOrText) {
    test::TempHome th;
    th.Write("t/body.html",
             QStringLiteral("<H1>&|&^title&|&</H1>&|&^mode==Top/TOP&|&&|&^mode!=Top/NOT&|&"
                            "&|&^q_10&|&|&|&^q_1&|&|&|&^unknown&|&")
                 .toUtf8());
    OutTemplate doc(th.Ctrl());
    const QString out = doc.MkDocBody(
        th.File("t/body.html"), {"^title", "A<b>", "^mode", "Top", "^q_1", "one", "^q_10", "ten"});
    // Parameters outside data rows are put in as given; the longest name wins.
    EXPECT_EQ(out, QStringLiteral("<H1>A<b></H1>TOPten|one|^unknown"));
    EXPECT_FALSE(doc.Failed());

    th.Write("t/plain.txt", "no separators here");
    EXPECT_EQ(doc.MkDocBody(th.File("t/plain.txt"), {"no separators here", "whole"}), "whole");
}

TEST(DocTemplate, DataRowsAreRepeatedAndEscapedByOutputExtension) {
    test::TempHome th;
    DocTable t{{"^serial_no", "^no", "^title", "^url"},
               {{"0", "1", "a<b>&\"c\"", "http://h/^title"}, {"1", "2", "x,y\nz%2C", "u"}}};
    th.Write("t/search_log_log.csv", OutTemplate::FormatDataFile(t).toUtf8());
    const QByteArray body = "[&|&^data=search_log_log.csv\n<^serial_no|^no|^title|^url|^q_0>\n&|&]";
    th.Write("t/body.html", body);
    th.Write("t/body.csv", body);
    OutTemplate doc(th.Ctrl());
    EXPECT_EQ(doc.MkDocBody(th.File("t/body.html"), {"^q_0", "w"}),
              QStringLiteral("[<0|1|a&lt;b&gt;&amp;&quot;c&quot;|http://h/^title|w>\n"
                             "<1|2|x,y\nz%2C|u|w>\n]"));
    // CSV keeps "<" and doubles quotes for its quoted fields.
    EXPECT_EQ(doc.MkDocBody(th.File("t/body.csv"), {"^q_0", "w"}),
              QStringLiteral("[<0|1|a<b>&\"\"c\"\"|http://h/^title|w>\n<1|2|x,y\nz%2C|u|w>\n]"));
    // In-memory tables serve data sections of that name.
    doc.SetData("dir_list", {{"^file_name1", "^no"}, {{"n1", "0"}, {"n2", "1"}}});
    th.Write("t/body.htm", "&|&^data=dir_list\n(^file_name1:^no)&|&");
    EXPECT_EQ(doc.MkDocBody(th.File("t/body.htm"), {}), "(n1:0)(n2:1)");
}

TEST(DocTemplate, FailuresStopComposingWithTheirTexts) {
    test::TempHome th;
    Shown shown;
    OutTemplate doc(th.Ctrl(), Record(&shown));
    th.Write("t/body.html", "a&|&^title&|&b");
    EXPECT_EQ(doc.MkDocBody(th.File("t/body.html"), {"^title"}), "");
    EXPECT_TRUE(doc.Failed());
    EXPECT_EQ(shown.titles.value(0), QStringLiteral("文書合成～本体"));
    EXPECT_EQ(shown.texts.value(0),
              QStringLiteral("ベクター・サイズが異常です。文書の合成を停止します。"));
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Body Error : Vector size Injustice"));

    const QString missing = th.File("t/none.html");
    EXPECT_EQ(doc.MkDocBody(missing, {}), "");
    EXPECT_EQ(shown.texts.value(1), QStringLiteral("本体を指定したパス「") + missing +
                                        QStringLiteral("」が見つかりませんでした。"));
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Body Error : not fund" + missing));

    th.Write("t/b2.html", "x&|&^data=gone.csv\nrow&|&y");
    EXPECT_EQ(doc.MkDocBody(th.File("t/b2.html"), {}), "");
    EXPECT_EQ(shown.titles.value(2), QStringLiteral("文書合成～データ"));
    EXPECT_TRUE(
        shown.texts.value(2).endsWith(QStringLiteral("gone.csv」が見つかりませんでした。")));
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Data Error : not fund"));

    th.Write("t/bad.csv", "^serial_no,^no,\n0,1,\n1,\n");
    th.Write("t/b3.html", "x&|&^data=bad.csv\n^no&|&y");
    EXPECT_EQ(doc.MkDocBody(th.File("t/b3.html"), {}), "");
    EXPECT_EQ(shown.texts.value(3), QStringLiteral("データ数が異常です。文書の合成を停止します。"));
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Body Error : DataNo Illegal"));

    doc.SetData("mem", {{"^a", "^b"}, {{"1"}}});
    EXPECT_EQ(doc.MkDocData("mem\n^a", th.File("t"), {}), "");
    EXPECT_EQ(shown.texts.value(4),
              QStringLiteral("ベクター内のデータ数が異常です。文書の合成を停止します。"));
    EXPECT_EQ(doc.MkDocData("mem\n^a", th.File("t"), {"odd"}), "");
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Body Error : Vector size Illegal"));
    EXPECT_TRUE(ErrLog(th).contains("C_File MakeDoc Body Error : Vector DataNo Illegal"));
}

TEST(DocTemplate, BodyNameIsTheLastBodyFileOfTheFolder) {
    test::TempHome th;
    th.Write("t/a/style.css", "x");
    th.Write("t/a/body.html", "x");
    th.Write("t/a/body2.htm", "x");
    th.Write("t/b/other.html", "x");
    OutTemplate doc(th.Ctrl());
    EXPECT_EQ(doc.GetOutRtName(th.File("t/a")), "body2.htm");
    EXPECT_EQ(doc.GetOutRtName(th.File("t/b")), "");
    EXPECT_EQ(doc.GetOutRtName(th.File("t/none")), "");
    EXPECT_TRUE(
        ErrLog(th).contains("HttpSrvr OutDir Error : out tmplt not found " + th.File("t/none")));
}

TEST(DocTemplate, DataFileKeepsValuesWithSeparatorsWhole) {
    DocTable t{{"^serial_no", "^text"}, {{"0", "a,b"}, {"1", "50%,\r\n"}, {"2", ""}}};
    const QString text = OutTemplate::FormatDataFile(t);
    EXPECT_TRUE(text.startsWith("^serial_no,^text,\n0,a%2Cb,\n"));
    DocTable back;
    bool mismatch = true;
    ASSERT_TRUE(OutTemplate::ParseDataFile(text, &back, &mismatch));
    EXPECT_FALSE(mismatch);
    EXPECT_EQ(back.header, t.header);
    ASSERT_EQ(back.rows.size(), 3u);
    EXPECT_EQ(back.rows[1], t.rows[1]);
    EXPECT_EQ(back.rows[2], t.rows[2]);
}
