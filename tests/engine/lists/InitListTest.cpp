#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "engine/LinkPrint.h"
#include "engine/lists/InitList.h"
#include "fixtures/TempHome.h"
#include "shell/Assist.h"
#include "store/TextCodec.h"

using namespace korvi;

namespace {

QStringList Urls(const InitList& list) {
    QStringList out;
    for (const InitRow& r : list.Rows()) out.append(r.url);
    return out;
}

InitList::AskFn Answer(const QString& answer, QStringList* asked = nullptr) {
    return [answer, asked](const QString& title, const QString& message, const QString& initial) {
        if (asked) *asked << title << message << initial;
        return answer;
    };
}

}  // namespace

TEST(InitList, AddRowsAndScopes) {
    test::TempHome th;
    InitList list(th.Ctrl());
    EXPECT_TRUE(list.AddSrchLst(QStringLiteral("http://h/d/a.html"), QString(), QString()));
    EXPECT_FALSE(
        list.AddSrchLst(QStringLiteral("http://h/d/a.html"), QStringLiteral("again"), QString()));
    EXPECT_FALSE(list.AddSrchLst(QString(), QString(), QString()));
    EXPECT_FALSE(list.AddSrchLst(QStringLiteral("://x"), QString(), QString()));
    EXPECT_FALSE(list.AddSrchLst(QStringLiteral("h/d/a.html"), QString(), QString()));
    EXPECT_TRUE(list.AddSrchLst(QStringLiteral("http://h/other/b"), QStringLiteral("B\ttitle\n"),
                                QStringLiteral("cgi")));
    EXPECT_TRUE(list.AddSrchLst(QStringLiteral("http://x/"), QString(), QString()));
    ASSERT_EQ(list.RowCount(), 3);
    const InitRow& a = list.Rows()[0];
    EXPECT_EQ(a.ttl, QStringLiteral("?"));
    EXPECT_EQ(a.ext, QStringLiteral("html"));
    EXPECT_TRUE(a.obj);
    EXPECT_EQ(a.rng, 0);  // no base URL yet
    EXPECT_EQ(list.Rows()[1].ttl, QStringLiteral("B title"));
    EXPECT_EQ(list.Rows()[1].ext, QStringLiteral("cgi"));
    EXPECT_EQ(list.Rows()[2].ext, QStringLiteral("-"));
    EXPECT_TRUE(list.ChkList(QStringLiteral("http://x/")));
    EXPECT_FALSE(list.ChkList(QStringLiteral("http://y/")));

    const DlgText d = list.ChngeBaseUrl(QStringLiteral("http://h/d/index.html?q=/z/"));
    EXPECT_EQ(d.title, QStringLiteral("基準URLの変更"));
    EXPECT_EQ(
        d.message,
        QStringLiteral("「基準URL」を変更しました。\n変更後の「基準URL」は以下の通りです。\n\n"
                       "http://h/d/index.html?q=/z/"));
    EXPECT_TRUE(list.ChngeBaseUrl(list.BaseUrl()).IsEmpty());
    EXPECT_EQ(list.Prefixes().root, QStringLiteral("http://h/"));
    EXPECT_EQ(list.Prefixes().dir, QStringLiteral("http://h/d/"));
    EXPECT_EQ(list.Rows()[0].rng, 2);
    EXPECT_EQ(list.Rows()[1].rng, 1);
    EXPECT_EQ(list.Rows()[2].rng, 0);
    EXPECT_EQ(InitRowCells(list.Rows()[1]),
              QStringList({QStringLiteral("1"), QStringLiteral(">|@>"), QStringLiteral("B title"),
                           QStringLiteral("http://h/other/b"), QStringLiteral("cgi")}));
    EXPECT_EQ(RangeSymbol(0), QStringLiteral("@|>>"));
    EXPECT_EQ(RangeSymbol(2), QStringLiteral(">|>@"));
    EXPECT_EQ(list.ScopeCount(2), 1);

    // Scope boxes and the start filter.
    list.Select().all = false;
    list.Select().dmOut = false;
    list.ChngRangeData();
    EXPECT_EQ(list.CntSrchTgt(), QStringLiteral("対象 2 件 / データ 3 件"));
    list.Select().dmOut = true;
    list.Select().fltStart = true;
    list.Select().fltMode = 1;
    list.Select().fltTxt = QStringLiteral("-,HTML,jpg>100");
    list.ChngRangeData();
    EXPECT_EQ(Urls(list).size(), 3);
    EXPECT_TRUE(list.Rows()[0].obj);
    EXPECT_FALSE(list.Rows()[1].obj);  // cgi is not listed
    EXPECT_TRUE(list.Rows()[2].obj);   // "-" stands for no extension
    list.Select().fltMode = 2;
    list.ChngRangeData();
    EXPECT_EQ(list.CntSrchTgt(), QStringLiteral("対象 1 件 / データ 3 件"));
    list.Select().fltMode = 0;
    list.ChngRangeData();
    EXPECT_EQ(list.CheckedCount(), 3);

    list.DelSrchLst();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_FALSE(list.ChkList(QStringLiteral("http://x/")));
    EXPECT_TRUE(list.AddSrchLst(QStringLiteral("http://x/"), QString(), QString()));
}

TEST(InitList, ReadsEveryKindOfSource) {
    test::TempHome th;
    InitList list(th.Ctrl());
    list.SetVersion(QStringLiteral("1.302"));
    QStringList status;
    list.SetStatus([&](const QString& s) { status.append(s); });

    th.Write(QStringLiteral("in/list.ini"),
             QByteArray("[BaseData]\r\np_url=http://h/d/\r\np_title=Base\r\n\r\n[AllLinks]\r\n"
                        "link_no=2\r\nlink0=http://h/d/a.html\r\ntitle0=A\r\nextension0=html\r\n"
                        "link1=http://o/\r\ntitle1=O\r\nextension1=-\r\n"));
    ReadResult r = list.ReadSrchLst(th.File(QStringLiteral("in/list.ini")), false);
    EXPECT_TRUE(r.read);
    EXPECT_EQ(r.added, 2);
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://h/d/"));
    EXPECT_EQ(list.BaseTitle(), QStringLiteral("Base"));
    EXPECT_EQ(r.windowTitle, QStringLiteral("Korvi ver. 1.302  http://h/d/"));
    EXPECT_EQ(list.Rows()[0].rng, 2);
    EXPECT_EQ(list.Rows()[1].rng, 0);
    EXPECT_EQ(
        status,
        QStringList({QStringLiteral("  メイン・ウィンドウの検索リストを初期化中... 50 ％ 終了"),
                     QStringLiteral("  メイン・ウィンドウの検索リストを初期化中... 100 ％ 終了")}));

    // A shortcut appended: its file name is the title; the base stays.
    th.Write(QStringLiteral("in/My Site.url"),
             QByteArray("[InternetShortcut]\nURL=http://s/p.php?x=1\n"));
    r = list.ReadSrchLst(th.File(QStringLiteral("in/My Site.url")), true);
    EXPECT_TRUE(r.windowTitle.isEmpty());
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Rows()[2].ttl, QStringLiteral("My Site"));
    EXPECT_EQ(list.Rows()[2].ext, QStringLiteral("php"));
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://h/d/"));

    // A desktop link read fresh sets the base and title.
    th.Write(QStringLiteral("in/Desk.desktop"),
             QByteArray("[Desktop Entry]\nType=Link\nName=X\nURL=http://desk/\n"));
    list.ReadSrchLst(th.File(QStringLiteral("in/Desk.desktop")), false);
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://desk/")});
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://desk/"));
    EXPECT_EQ(list.BaseTitle(), QStringLiteral("Desk"));

    // Plain text: one URL a line; one line is also the base.
    th.Write(QStringLiteral("in/urls.txt"),
             QByteArray("http://t/1\n\n  http://t/2  \nnot a url\n"));
    list.ReadSrchLst(th.File(QStringLiteral("in/urls.txt")), false);
    EXPECT_EQ(Urls(list),
              QStringList({QStringLiteral("http://t/1"), QStringLiteral("http://t/2")}));
    EXPECT_TRUE(list.BaseUrl().isEmpty());
    th.Write(QStringLiteral("in/one.txt"), QByteArray("http://one/x/\n"));
    list.ReadSrchLst(th.File(QStringLiteral("in/one.txt")), false);
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://one/x/"));

    // A .lnk goes through the path script.
    QStringList calls;
    list.SetScriptRunner([&](const QString& script, const QString& arg) {
        calls << script << arg;
        return th.File(QStringLiteral("in/one.txt")) + QStringLiteral("\r\n");
    });
    list.ReadSrchLst(QStringLiteral("C:/links/Site.LNK"), false);
    EXPECT_EQ(calls, QStringList({QStringLiteral("func/GetRealPath.js"),
                                  QStringLiteral("C:/links/Site.LNK")}));
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://one/x/")});
}

TEST(InitList, ReadsHtmlPagesThroughTheExtractor) {
    test::TempHome th;
    InitList list(th.Ctrl());
    // Shift_JIS page with a document type before <html>.
    const QString page = QStringLiteral(
        "<!DOCTYPE html>\n<HTML><head><title>ページ</title></head><body>"
        "<!--KorviPUrl=\"http://p.example/dir/index.html\"-->"
        "<a href=\"a.html\">リンク</a> <a href=\"mailto:x@y\">m</a> <a href=\"http://q/\">Q</a>"
        "</body></HTML>\n");
    th.Write(QStringLiteral("page.html"), EncodeAs(page, "Shift_JIS"));
    const ReadResult r = list.ReadSrchLst(th.File(QStringLiteral("page.html")), false);
    EXPECT_TRUE(r.read);
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://p.example/dir/index.html"));
    EXPECT_EQ(list.BaseTitle(), QStringLiteral("ページ"));
    EXPECT_EQ(Urls(list), QStringList({QStringLiteral("http://p.example/dir/a.html"),
                                       QStringLiteral("http://q/")}));
    EXPECT_EQ(list.Rows()[0].ttl, QStringLiteral("リンク"));
    // The extracted list is left in data.ini and reads back the same.
    ASSERT_TRUE(th.Exists(QStringLiteral("data.ini")));
    InitList again(th.Ctrl());
    again.ReadSrchLst(QStringLiteral("data.ini"), false);
    EXPECT_EQ(again.Rows(), list.Rows());
}

TEST(InitList, EmptySourcesAskForAUrl) {
    test::TempHome th;
    InitList list(th.Ctrl());
    list.AddSrchLst(QStringLiteral("http://keep/"), QString(), QString());
    th.Write(QStringLiteral("empty.txt"), QByteArray("\n\nno urls here\n"));

    QStringList asked;
    list.SetAsk(Answer(QString(), &asked));
    ReadResult r = list.ReadSrchLst(th.File(QStringLiteral("empty.txt")), false);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(asked, QStringList({QStringLiteral("URLの不在"),
                                  QStringLiteral("開始URLを入力してください。"), QString()}));
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://keep/")});  // unchanged

    list.SetAsk(Answer(QStringLiteral("http://typed/")));
    r = list.ReadSrchLst(th.File(QStringLiteral("missing-file.ini")), false);
    EXPECT_TRUE(r.read);
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://typed/")});
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://typed/"));

    // link_no 0 with a base URL: the base is set, no rows, no question.
    th.Write(QStringLiteral("base.ini"),
             QByteArray("[BaseData]\np_url=http://b/\n[AllLinks]\nlink_no=0\n"));
    asked.clear();
    list.SetAsk(Answer(QString(), &asked));
    r = list.ReadSrchLst(th.File(QStringLiteral("base.ini")), false);
    EXPECT_TRUE(r.read);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://b/"));
}

TEST(InitList, MalformedListFilesNeverCrash) {
    test::TempHome th;
    const QList<QByteArray> files = {
        QByteArray(),
        QByteArray("\xff\xfe\x00\x01garbage\x80\x81", 12),
        QByteArray("[AllLinks]\nlink_no=2147483647\nlink2147483646=http://far/\n"),
        QByteArray("[AllLinks]\nlink_no=99999999999999999999\nlink0=http://a/\n"),
        QByteArray("[BaseData\np_url=http://x/\n[AllLinks]]\nlink_no=abc\n"),
        QByteArray("[BaseData]\np_url=http://x/\n[AllLinks]\nlink_no=3\nlink0=\nlink1=nourl\n"
                   "link2=http://ok/\ntitle2=\nextension2=\n"),
        QByteArray("<html>\n<a href=\"http://[broken\">x</a><a href=>\n</html>"),
        QByteArray("<html></html>"),
        QByteArray("[InternetShortcut]\nURL=\n"),
    };
    int i = 0;
    for (const QByteArray& bytes : files) {
        const QString name = QStringLiteral("bad%1.ini").arg(i++);
        th.Write(name, bytes);
        InitList list(th.Ctrl());
        list.SetAsk(Answer(QString()));
        list.ReadSrchLst(th.File(name), false);
        for (const InitRow& r : list.Rows()) EXPECT_TRUE(r.url.contains(QStringLiteral("://")));
    }
    // The valid row of the partly broken file is read; the others skipped.
    InitList list(th.Ctrl());
    list.ReadSrchLst(th.File(QStringLiteral("bad5.ini")), false);
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://ok/")});
    EXPECT_EQ(list.Rows()[0].ttl, QStringLiteral("?"));
    EXPECT_EQ(list.Rows()[0].ext, QStringLiteral("-"));
    // A huge link_no holds only the rows that are there.
    list.ReadSrchLst(th.File(QStringLiteral("bad2.ini")), false);
    EXPECT_EQ(Urls(list), QStringList{QStringLiteral("http://far/")});
}

TEST(InitList, SavedListReadsBackTheSame) {
    test::TempHome th;
    QRandomGenerator rng(3);
    const QString chars = QStringLiteral("abcXYZ09 -_.~%&=?#;[]日本語／\t\n");
    for (int round = 0; round < 40; ++round) {
        InitList list(th.Ctrl());
        list.ChngeBaseUrl(QStringLiteral("http://h%1/d/").arg(round % 3));
        list.SetBaseTitle(QStringLiteral("ベース %1").arg(round));
        const int n = rng.bounded(30);
        for (int i = 0; i < n; ++i) {
            QString title;
            const int len = rng.bounded(12);
            for (int k = 0; k < len; ++k) title += chars.at(rng.bounded(int(chars.size())));
            const QString url =
                QStringLiteral("http://h%1/%2/p%3.%4?q=%5")
                    .arg(rng.bounded(4))
                    .arg(rng.bounded(2) ? QStringLiteral("d") : QStringLiteral("e"))
                    .arg(i)
                    .arg(rng.bounded(2) ? QStringLiteral("html") : QStringLiteral("jpg"))
                    .arg(title.left(3).trimmed());
            list.AddSrchLst(url, title, rng.bounded(3) == 0 ? QStringLiteral("cgi") : QString());
        }
        ASSERT_TRUE(list.SaveList(QStringLiteral("out/saved lst.ini")));
        InitList back(th.Ctrl());
        back.ReadSrchLst(QStringLiteral("out/saved lst.ini"), false);
        EXPECT_EQ(back.BaseUrl(), list.BaseUrl());
        if (n > 0) {
            EXPECT_EQ(back.BaseTitle(), list.BaseTitle());
            EXPECT_EQ(back.Rows(), list.Rows()) << "round " << round;
        }
    }
}

TEST(InitList, SelectionCommands) {
    test::TempHome th;
    InitList list(th.Ctrl());
    for (const char* u : {"http://a/3", "http://a/10", "http://b/1", "http://a/2"}) {
        list.AddSrchLst(QString::fromLatin1(u), QString(), QString());
    }
    QStringList confirmed;
    bool yes = false;
    list.SetConfirm([&](const QString& t, const QString& m) {
        confirmed << t << m;
        return yes;
    });

    EXPECT_EQ(list.DelSel({}).message, QStringLiteral("リストが空か、選択されていません。"));
    EXPECT_EQ(list.DelSel({}).title, QStringLiteral("削除警告"));
    list.DelSel({0, 99});
    EXPECT_EQ(list.RowCount(), 4);  // answered no
    EXPECT_EQ(
        confirmed.value(1),
        QStringLiteral("選択範囲のリストを削除しようとしています。\n削除してもよいですか？\n"));
    yes = true;
    list.DelSel({0, 0, 99, -1});
    EXPECT_EQ(Urls(list), QStringList({QStringLiteral("http://a/10"), QStringLiteral("http://b/1"),
                                       QStringLiteral("http://a/2")}));
    EXPECT_FALSE(list.ChkList(QStringLiteral("http://a/3")));

    list.SetCheck({1, 2}, false);
    EXPECT_EQ(list.CheckedCount(), 1);
    const std::vector<InitRow> handed = list.AddWinSrchLst(0, {});
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].url, QStringLiteral("http://a/10"));
    list.SetCheck({1, 2}, true);
    EXPECT_EQ(list.AddWinSrchLst(1, {QStringLiteral("http://b/1")}).size(), 1u);
    EXPECT_EQ(list.AddWinSrchLst(0, {}).size(), 3u);

    // Sort: URLs as text; the same column again reverses.
    list.SortHeader(3);
    EXPECT_EQ(Urls(list), QStringList({QStringLiteral("http://a/10"), QStringLiteral("http://a/2"),
                                       QStringLiteral("http://b/1")}));
    list.SortHeader(3);
    EXPECT_EQ(Urls(list).first(), QStringLiteral("http://b/1"));

    QStringList urls;
    EXPECT_EQ(list.OpenSel({}, &urls).title, QStringLiteral("削除警告"));
    EXPECT_TRUE(list.OpenSel({2, 0}, &urls).IsEmpty());
    EXPECT_EQ(urls, QStringList({QStringLiteral("http://b/1"), QStringLiteral("http://a/10")}));
    QString sendTo;
    list.SendToText({1, 2}, &sendTo);
    EXPECT_EQ(sendTo, QStringLiteral("1\t@|>>\t?\thttp://a/2\t-\n1\t@|>>\t?\thttp://a/10\t-"));
    EXPECT_EQ(InitList::WithIniSuffix(QStringLiteral("x lst")), QStringLiteral("x lst.ini"));
    EXPECT_EQ(InitList::WithIniSuffix(QStringLiteral("a.ini")), QStringLiteral("a.ini"));
    EXPECT_EQ(InitList::ProposedListName(QStringLiteral("2006_0309_0705_02")),
              QStringLiteral("2006_0309_0705_02 lst.ini"));

    EXPECT_EQ(list.SetBaseSel({1}).title, QStringLiteral("基準URLの変更"));
    EXPECT_EQ(list.BaseUrl(), QStringLiteral("http://a/2"));

    confirmed.clear();
    list.DelUnsel({2});
    EXPECT_EQ(
        confirmed.value(1),
        QStringLiteral("選択範囲以外のリストを削除しようとしています。\n削除してもよいですか？\n"));
    ASSERT_EQ(list.RowCount(), 1);
    list.DelUnsel({});
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.DelUnsel({}).message, QStringLiteral("リストに項目がありません。"));

    // Pasted URLs: an empty line between two lines adds two rows.
    EXPECT_EQ(list.AddUrlText(QStringLiteral("http://p/1\r\n\r\nhttp://p/2\r\nhttp://p/1")), 2);
    QStringList asked;
    list.SetAsk(Answer(QStringLiteral("http://p/3"), &asked));
    list.AddUrl();
    EXPECT_EQ(asked.value(0), QStringLiteral("URLの追加"));
    EXPECT_EQ(list.RowCount(), 3);

    LinkList sent;
    EXPECT_EQ(list.AddSentRows(sent).title, QStringLiteral("DL＆検索 初期化に送る警告"));
    sent.append(QStringLiteral("http://s/"), QStringLiteral("S"), QStringLiteral("-"));
    sent.append(QStringLiteral("http://p/1"), QString(), QString());
    EXPECT_EQ(list.AddSentRows(sent).message,
              QStringLiteral("「DL＆検索 初期化」に 2 件のURLを送りました。"));
    EXPECT_EQ(list.RowCount(), 4);
}

TEST(InitList, SerialExpansionAndShuffleOnRows) {
    test::TempHome th;
    InitList list(th.Ctrl());
    EXPECT_EQ(list.ExpndNo({0}).title, QStringLiteral("連番展開警告"));
    list.AddSrchLst(QStringLiteral("http://z/"), QString(), QString());
    list.AddSrchLst(QStringLiteral("http://a/[1-2]/[5-6].jpg"), QStringLiteral("pic"),
                    QStringLiteral("jpg"));
    list.SetCheck({1}, false);
    QStringList asked;
    list.SetAsk([&](const QString& t, const QString& m, const QString& initial) {
        asked << t << m << initial;
        return initial;
    });
    EXPECT_TRUE(list.ExpndNo({1}).IsEmpty());
    EXPECT_EQ(asked, QStringList({QStringLiteral("連番の展開"),
                                  QStringLiteral("「[001-050]」と記述した領域を連番展開します。"),
                                  QStringLiteral("http://a/[1-2]/[5-6].jpg")}));
    ASSERT_EQ(list.RowCount(), 6);
    EXPECT_EQ(
        Urls(list).mid(2),
        QStringList({QStringLiteral("http://a/1/5.jpg"), QStringLiteral("http://a/1/6.jpg"),
                     QStringLiteral("http://a/2/5.jpg"), QStringLiteral("http://a/2/6.jpg")}));
    EXPECT_EQ(list.Rows()[3].ttl, QStringLiteral("pic"));
    EXPECT_FALSE(list.Rows()[3].obj);  // columns copied from the selected row
    // Expanding again adds no duplicates.
    list.ExpndNo({1});
    EXPECT_EQ(list.RowCount(), 6);

    list.ShflSrchLst();
    EXPECT_EQ(list.RowCount(), 6);
    const QStringList u = Urls(list);
    EXPECT_EQ(u.at(0), QStringLiteral("http://a/1/5.jpg"));
    EXPECT_EQ(u.at(1), QStringLiteral("http://z/"));
    EXPECT_TRUE(list.ChkList(QStringLiteral("http://a/[1-2]/[5-6].jpg")));
}

TEST(InitList, FavouritesCarrySettings) {
    test::TempHome th;
    InitList list(th.Ctrl());
    list.ChngeBaseUrl(QStringLiteral("http://fav/"));
    list.SetBaseTitle(QStringLiteral("お気に入り"));
    list.AddSrchLst(QStringLiteral("http://fav/a.html"), QStringLiteral("A"), QString());
    FavOpt opt;
    opt.profile.SetIni(QStringLiteral("BaseOption"), QStringLiteral("depth_max"),
                       QStringLiteral("3"));
    opt.profile.SetIni(QStringLiteral("Target"), QStringLiteral("all"), QStringLiteral("1"));
    opt.searchWords = QStringLiteral("検索 語");
    opt.optionType = QStringLiteral("画像");
    opt.searchType = QStringLiteral("2");
    opt.caseInsensitive = QStringLiteral("0");
    opt.highLight = QStringLiteral("1");
    ASSERT_TRUE(list.SaveFav(QStringLiteral("favorite/お気に入り.ini"), opt));
    const QString text = QString::fromUtf8(th.Read(QStringLiteral("favorite/お気に入り.ini")));
    EXPECT_TRUE(text.startsWith(list.ListText()));
    EXPECT_TRUE(text.endsWith(
        QStringLiteral("\n[SearchBox]\nstring0=検索 語\n\n[CommonOption]\n"
                       "option_type=画像\nsearch_type=2\ncase_insensitive=0\nhigh_light=1\n")));

    const FavOpt back = list.LoadFav_Opt(QStringLiteral("favorite/お気に入り.ini"));
    EXPECT_EQ(back.profile.GetIni(QStringLiteral("BaseOption"), QStringLiteral("depth_max")),
              QStringLiteral("3"));
    EXPECT_EQ(back.profile.GetIni(QStringLiteral("Target"), QStringLiteral("all")),
              QStringLiteral("1"));
    EXPECT_FALSE(back.profile.HasSection(QStringLiteral("AllLinks")));
    EXPECT_FALSE(back.profile.HasSection(QStringLiteral("CommonOption")));
    EXPECT_EQ(back.searchWords, opt.searchWords);
    EXPECT_EQ(back.optionType, QStringLiteral("画像"));
    EXPECT_EQ(back.searchType, QStringLiteral("2"));
    EXPECT_EQ(back.caseInsensitive, QStringLiteral("0"));
    EXPECT_EQ(back.highLight, QStringLiteral("1"));
    InitList read(th.Ctrl());
    read.ReadSrchLst(QStringLiteral("favorite/お気に入り.ini"), false);
    EXPECT_EQ(read.Rows(), list.Rows());

    th.Write(QStringLiteral("favorite/bare.ini"), QByteArray("[CommonOption]\n"));
    EXPECT_EQ(list.LoadFav_Opt(QStringLiteral("favorite/bare.ini")).optionType,
              QStringLiteral("デフォルト"));

    // A folder of shortcuts, read in name order, optionally with subfolders.
    th.Write(QStringLiteral("fav/b.url"), QByteArray("[InternetShortcut]\nURL=http://b/\n"));
    th.Write(QStringLiteral("fav/a.url"), QByteArray("[InternetShortcut]\nURL=http://a/\n"));
    th.Write(QStringLiteral("fav/sub/c.desktop"),
             QByteArray("[Desktop Entry]\nType=Link\nURL=http://c/\n"));
    th.Write(QStringLiteral("fav/notes.txt"), QByteArray("http://ignored/\n"));
    InitList folder(th.Ctrl());
    QStringList status;
    folder.SetStatus([&](const QString& s) { status.append(s); });
    EXPECT_EQ(folder.AddShortcutFolder(QStringLiteral("fav"), false), 2);
    EXPECT_EQ(Urls(folder),
              QStringList({QStringLiteral("http://a/"), QStringLiteral("http://b/")}));
    EXPECT_EQ(status.last(), QStringLiteral("  2 件取り込み済み..."));
    EXPECT_EQ(folder.AddShortcutFolder(QStringLiteral("fav"), true), 3);
    EXPECT_EQ(Urls(folder).last(), QStringLiteral("http://c/"));
}
