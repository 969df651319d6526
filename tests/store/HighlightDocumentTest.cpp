#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "store/HighlightDocument.h"

using namespace korvi;

TEST(HighlightDocument, NamesSitBesideTheSource) {
    EXPECT_EQ(HighlightDocument::HLightPath("/a/b/page.html"), "/a/b/page_hl_korvi.html");
    EXPECT_EQ(HighlightDocument::HLightPath("/a/b.c/index"), "/a/b.c/index_hl_korvi");
    EXPECT_EQ(HighlightDocument::HLightPath("/a/x.tar.gz"), "/a/x.tar_hl_korvi.gz");
}

TEST(HighlightDocument, MarksWordsCaseInsensitivelyOutsideTags) {
    test::TempHome th;
    th.Write("log/R/h/p.html",
             "<HTML><HEAD><TITLE>Korvi</TITLE><SCRIPT>var korvi=1;</SCRIPT></HEAD>"
             "<BODY><A HREF=\"korvi.html\" CLASS=\"b\">KORVI and Html</A> korvi</BODY></html>");
    const QString out = HighlightDocument::MkHLightFile(th.Ctrl(), th.File("log/R/h/p.html"),
                                                        {"korvi", "html", "b"});
    ASSERT_EQ(out, th.File("log/R/h/p_hl_korvi.html"));
    const QString o = HighlightDocument::Open();
    const QString c = HighlightDocument::Close();
    EXPECT_EQ(QString::fromUtf8(th.Read("log/R/h/p_hl_korvi.html")),
              "<HTML><HEAD><TITLE>Korvi</TITLE><SCRIPT>var korvi=1;</SCRIPT></HEAD>"
              "<BODY><A HREF=\"korvi.html\" CLASS=\"b\">" +
                  o + "KORVI" + c + " and " + o + "Html" + c + "</A> " + o + "korvi" + c +
                  "</BODY></html>");
    EXPECT_EQ(o, QStringLiteral("<B STYLE=\"background-color:#FFCCCC\">"));
}

TEST(HighlightDocument, OnlyHtmlPagesWithWordsGetADocument) {
    test::TempHome th;
    th.Write("p.txt", "korvi in plain text");
    th.Write("q.html", "<html><body>korvi</body>");  // no closing html tag
    th.Write("r.html", "<html><body>korvi</body></HTML>");
    EXPECT_EQ(HighlightDocument::MkHLightFile(th.Ctrl(), th.File("p.txt"), {"korvi"}), "");
    EXPECT_EQ(HighlightDocument::MkHLightFile(th.Ctrl(), th.File("q.html"), {"korvi"}), "");
    EXPECT_FALSE(th.Exists("q_hl_korvi.html"));
    EXPECT_EQ(HighlightDocument::MkHLightFile(th.Ctrl(), th.File("r.html"), {}), "");
    EXPECT_EQ(HighlightDocument::MkHLightFile(th.Ctrl(), th.File("r.html"), {"(unclosed"}), "");
    const QString log = QString::fromUtf8(th.Read("log_err/R.log"));
    EXPECT_TRUE(log.contains("MkHLightFile Error : SrchStrListMin is void"));
    EXPECT_TRUE(log.contains("MkHLightFile Reg Error : "));
    EXPECT_FALSE(th.Exists("r_hl_korvi.html"));
}
