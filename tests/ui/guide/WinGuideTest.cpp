#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "UiTestKit.h"
#include "engine/RunControl.h"
#include "engine/lists/InitList.h"
#include "shell/Assist.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/WinSrch.h"
#include "ui/guide/GuidePicOffer.h"
#include "ui/guide/WinGuide.h"
#include "ui/shell/Korvi.h"
#include "ui/tools/WinLogSrch.h"

namespace korvi::test {
namespace {

const QString kEndTitle = QStringLiteral("ガイド");
const QString kFailTitle = QStringLiteral("検索する文字列の不備");
const QString kSearchMsg =
    QStringLiteral("メイン・ウィンドウが表示されますので、「DL＆検索」ボタンを押して下さい。");
const QString kDlMsg =
    QStringLiteral("メイン・ウィンドウが表示されますので、「DL」ボタンを押して下さい。");
const QString kEngineMsg =
    QStringLiteral("メイン・ウィンドウが表示されますので、「DL & 検索」ボタンを押して下さい。");
const QString kPicNotice =
    QStringLiteral("\n\nDL終了もしくは停止後に、次の操作を指示するダイアログが表示されます。");
const QString kStart = QStringLiteral("http://start.example/dir/index.html");

QString Setting(GuiHome& home, const QString& key) {
    const Assist ini(QString::fromUtf8(home.Read(QStringLiteral("cmn_opt.ini"))));
    return ini.GetIni(QStringLiteral("CommonOption"), key);
}

// A main window (hidden) with a start page in its init list, and its guide.
struct Desk {
    GuiHome home;
    Korvi main{home.Gui()};
    std::unique_ptr<WinGuide> guide;
    Desk() {
        main.InitKorvi(kStart, false);
        guide = std::make_unique<WinGuide>(home.Gui(), main);
        guide->show();
    }
    KorviDlSrchInit* Init() { return main.InitPanel(); }
    bool Checked(const QString& name) {
        auto* b = Find<QAbstractButton>(Init(), name);
        return b && b->isChecked();
    }
    QString FilterText() { return Find<QLineEdit>(Init(), QStringLiteral("flt_txt"))->text(); }
    void Answer(const QStringList& inputs, const std::vector<int>& choices) {
        for (const QString& in : inputs) home.Dlg().inputs.push_back(in);
        for (int ch : choices) home.Dlg().choices.push_back(ch);
    }
    void Click(const char* name) {
        auto* b = Find<QPushButton>(guide.get(), QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
};

}  // namespace

// Every button, with its answers, puts its preset into the main window's
// profile and panel controls, sets the words, loads the search-engine list
// with the Japanese word percent-encoded as UTF-8, names its start button
// and closes the guide.
TEST(WinGuide, EachButtonFillsTheMainWindow) {
    using P = GuidePreset;
    const QString prev = QStringLiteral("前の語");
    const QString cat = QStringLiteral("日本 語");
    const QString catUrl = QStringLiteral("=%E6%97%A5%E6%9C%AC+%E8%AA%9E");
    const QString dog = QStringLiteral("犬");
    struct Case {
        const char* button;
        P preset;
        QStringList inputs;
        std::vector<int> choices;
        QString word;   // search word afterwards
        QString inUrl;  // in every start URL; "" keeps the start page
        QString end;    // closing message
    } cases[] = {
        {"srch_site_btn", P::kSrchSite, {dog}, {}, dog, {}, kSearchMsg},
        {"srch_link_btn", P::kSrchLink, {dog}, {}, dog, {}, kSearchMsg},
        {"srch_dir_btn", P::kSrchDir, {dog}, {}, dog, {}, kSearchMsg},
        {"dl_site_btn", P::kDlSite, {}, {}, prev, {}, kDlMsg},
        {"dl_link_btn", P::kDlLink, {}, {}, prev, {}, kDlMsg},
        {"dl_dir_btn", P::kDlDir, {}, {}, prev, {}, kDlMsg},
        {"pic_site_btn", P::kPicSite, {}, {}, prev, {}, kDlMsg + kPicNotice},
        {"pic_link_btn", P::kPicLink, {}, {}, prev, {}, kDlMsg + kPicNotice},
        {"pic_dir_btn", P::kPicDir, {}, {}, prev, {}, kDlMsg + kPicNotice},
        {"google_link_btn", P::kGoogleLink, {cat, dog}, {4}, dog, catUrl, kEngineMsg},
        {"srch_engn_link_btn", P::kSrchEngnLink, {cat, dog}, {}, dog, catUrl, kEngineMsg},
        {"google_img_btn", P::kGoogleImg, {cat}, {}, prev, catUrl, kDlMsg},
        {"frc_link_btn", P::kFrcLink, {}, {}, prev, {}, kDlMsg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Desk d;
        d.Init()->SetSearchWord(prev);
        DlSrchOpt expected = d.Init()->Opt();
        ApplyPreset(c.preset, expected);
        d.Answer(c.inputs, c.choices);
        d.Click(c.button);

        EXPECT_TRUE(d.Init()->Opt() == expected);
        const InitPanelOpt& panel = expected.panel;
        EXPECT_EQ(d.Checked(QStringLiteral("tgt_cb_dm_out")), panel.target.domain_out);
        EXPECT_EQ(d.Checked(QStringLiteral("tgt_cb_dr_out")), panel.target.directory_out);
        EXPECT_EQ(d.Checked(QStringLiteral("flt_r_in")), panel.filter_type == FilterMode::kIn);
        EXPECT_EQ(d.FilterText(), panel.filter_string);
        EXPECT_EQ(d.Init()->SearchWord(), c.word);
        const InitList& list = d.Init()->List();
        if (c.inUrl.isEmpty()) {
            EXPECT_TRUE(list.ChkList(kStart));
        }
        for (const InitRow& row : list.Rows()) {
            EXPECT_TRUE(row.url.contains(c.inUrl)) << row.url.toStdString();
            EXPECT_FALSE(row.url.contains(QStringLiteral("&|&"))) << row.url.toStdString();
        }
        if (c.preset == P::kGoogleLink) {
            EXPECT_TRUE(list.Rows()[0].url.contains(QStringLiteral("num=100&")));
        }
        if (c.preset == P::kSrchEngnLink) {
            EXPECT_GE(list.RowCount(), 3);
        }
        EXPECT_EQ(d.home.Dlg().TextOf(kEndTitle), c.end);
        EXPECT_FALSE(d.home.Dlg().WasShown(kFailTitle));
        EXPECT_TRUE(d.home.Dlg().inputs.empty());
        EXPECT_FALSE(d.guide->isVisible());
    }
}

// Cancelling or leaving any question empty ends the preset with the
// message and changes neither the profile, the list nor the search word.
TEST(WinGuide, CancelChangesNothing) {
    struct Cancel {
        const char* button;
        QStringList inputs;  // the last one is the cancelled or empty answer
        std::vector<int> choices;
    };
    const Cancel cases[] = {
        {"srch_site_btn", {QString()}, {}},
        {"srch_dir_btn", {QStringLiteral("  ")}, {}},
        {"google_link_btn", {QString()}, {}},
        {"google_link_btn", {QStringLiteral("猫")}, {-1}},
        {"google_link_btn", {QStringLiteral("猫"), QString()}, {0}},
        {"srch_engn_link_btn", {QStringLiteral("猫"), QString()}, {}},
        {"google_img_btn", {QString()}, {}},
    };
    for (const Cancel& c : cases) {
        SCOPED_TRACE(c.button);
        Desk d;
        d.Init()->SetSearchWord(QStringLiteral("前"));
        const DlSrchOpt before = d.Init()->Opt();
        const std::vector<InitRow> rows = d.Init()->List().Rows();
        d.Answer(c.inputs, c.choices);
        d.Click(c.button);
        EXPECT_EQ(d.home.Dlg().TextOf(kFailTitle),
                  QStringLiteral("検索する文字列が未入力なので終了します。"));
        EXPECT_FALSE(d.home.Dlg().WasShown(kEndTitle));
        EXPECT_TRUE(d.Init()->Opt() == before);
        EXPECT_EQ(d.Init()->List().Rows(), rows);
        EXPECT_EQ(d.Init()->SearchWord(), QStringLiteral("前"));
        EXPECT_TRUE(d.guide->isVisible());
    }
}

// guide.dat names with a profile become buttons; a user button applies
// its profile and runs the search-engine dialogs its GuideOption asks for.
TEST(WinGuide, UserPresetsFromGuideDat) {
    GuiHome home;
    home.Write(QStringLiteral("option/画像G.ini"),
               "[BaseOption]\ndepth_max=4\n[GuideOption]\nguide_run_type=2\nguide_get_pic=1\n"
               "guide_get_pic_filter=png\nguide_get_pic_size=40\nguide_srch_engine=1\n"
               "guide_srch_engine_type=0\n");
    home.Write(QStringLiteral("tool/guide/guide.dat"), "画像G\r\n無い\r\n--\r\nデフォルト\r\n");
    Korvi main(home.Gui());
    main.InitKorvi(QStringLiteral(""), false);
    WinGuide guide(home.Gui(), main);
    auto* user = Find<QPushButton>(&guide, QStringLiteral("user_btn_画像G"));
    ASSERT_NE(user, nullptr);
    EXPECT_NE(Find<QPushButton>(&guide, QStringLiteral("user_btn_デフォルト")), nullptr);
    EXPECT_EQ(Find<QPushButton>(&guide, QStringLiteral("user_btn_無い")), nullptr);
    EXPECT_FALSE(Find<QGroupBox>(&guide, QStringLiteral("user_grp"))->isHidden());

    home.Dlg().inputs = {QStringLiteral("猫"), QStringLiteral("犬")};
    home.Dlg().choices = {0};
    user->click();
    EXPECT_EQ(main.InitPanel()->Opt().depth_max, 4);
    EXPECT_EQ(main.InitPanel()->OptName(), QStringLiteral("画像G"));
    // The settings box shows it, so the window's close keeps it as the profile in use.
    EXPECT_EQ(Find<QComboBox>(&main, QStringLiteral("opt_box"))->currentText(),
              QStringLiteral("画像G"));
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().option_type, QStringLiteral("画像G"));
    ASSERT_EQ(main.InitPanel()->List().RowCount(), 1);
    EXPECT_TRUE(main.InitPanel()->List().Rows()[0].url.contains(QStringLiteral("num=10&")));
    EXPECT_EQ(main.InitPanel()->SearchWord(), QStringLiteral("犬"));
    EXPECT_EQ(home.Dlg().TextOf(kEndTitle), kEngineMsg + kPicNotice);
    GuidePicOffer* offer = GuidePicOffer::Pending(main);
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(offer->Filter(), QStringLiteral("png"));
    EXPECT_EQ(offer->MinKb(), 40);
}

// After the run a picture preset set up, a yes shows the file search panel
// and a no stays; a run that ends before any start asks nothing.
TEST(WinGuide, PictureFollowUpAfterTheRun) {
    for (bool yes : {true, false}) {
        Desk d;
        d.Click("pic_dir_btn");
        ASSERT_NE(GuidePicOffer::Pending(d.main), nullptr);
        Q_EMIT d.main.runStateChanged(false);
        EXPECT_FALSE(d.home.Dlg().WasShown(QStringLiteral("画像の表示")));
        Q_EMIT d.main.runStateChanged(true);
        d.home.Dlg().yesNo = {yes ? Dialogs::Answer::kYes : Dialogs::Answer::kNo};
        Q_EMIT d.main.runStateChanged(false);
        EXPECT_TRUE(d.home.Dlg().TextOf(QStringLiteral("画像の表示")).contains(u"30KB"));
        EXPECT_EQ(d.main.GetTypeWork(), yes ? int(Korvi::kLogSrch) : int(Korvi::kDsInit));
        if (yes) {
            // The panel extracts the preset's pictures from the selected folder.
            QWidget* panel = d.main.FileSearchPanel();
            EXPECT_TRUE(Find<QRadioButton>(panel, QStringLiteral("flt_r_in"))->isChecked());
            EXPECT_EQ(Find<QLineEdit>(panel, QStringLiteral("flt_txt"))->text(),
                      QStringLiteral("jpg,gif,png"));
            EXPECT_TRUE(Find<QRadioButton>(panel, QStringLiteral("siz_r_up"))->isChecked());
            EXPECT_EQ(Find<QLineEdit>(panel, QStringLiteral("siz_txt"))->text(),
                      QStringLiteral("30"));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(GuidePicOffer::Pending(d.main), nullptr);
        // Asked once only.
        const size_t shown = d.home.Dlg().shown.size();
        Q_EMIT d.main.runStateChanged(true);
        Q_EMIT d.main.runStateChanged(false);
        EXPECT_EQ(d.home.Dlg().shown.size(), shown);
    }
    // A later preset without pictures drops the pending offer.
    Desk d;
    d.Click("pic_site_btn");
    auto* again = new WinGuide(d.home.Gui(), d.main, &d.main);
    again->show();
    Find<QPushButton>(again, QStringLiteral("dl_site_btn"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(GuidePicOffer::Pending(d.main), nullptr);
}

// The guide opens with a shown main window unless guide_view is 1, never
// with a hidden one; view_cb writes guide_view; ガイド opens it again.
TEST(WinGuide, OpensAtStartUnlessSwitchedOff) {
    {
        GuiHome home;
        home.Write(QStringLiteral("cmn_opt.ini"), "[CommonOption]\nrun_no=2\nguide_view=0\n");
        Korvi main(home.Gui());
        main.InitKorvi(QStringLiteral(""), true);
        auto* guide = qobject_cast<WinGuide*>(main.Guide());
        ASSERT_NE(guide, nullptr);
        EXPECT_TRUE(guide->isVisible());
        auto* view = Find<QCheckBox>(guide, QStringLiteral("view_cb"));
        EXPECT_TRUE(view->isChecked());
        view->click();
        EXPECT_EQ(Setting(home, QStringLiteral("guide_view")), QStringLiteral("1"));
        Find<QPushButton>(guide, QStringLiteral("help_btn"))->click();
        ASSERT_EQ(home.opened.size(), 1);
        EXPECT_TRUE(home.opened[0].endsWith(QStringLiteral("doc/win_guide.html")));
        main.ForceClose();
        EXPECT_EQ(Setting(home, QStringLiteral("guide_view")), QStringLiteral("1"));
    }
    {
        GuiHome home;
        home.Write(QStringLiteral("cmn_opt.ini"), "[CommonOption]\nrun_no=2\nguide_view=1\n");
        Korvi main(home.Gui());
        main.InitKorvi(QStringLiteral(""), true);
        EXPECT_EQ(main.Guide(), nullptr);
        Find<QPushButton>(&main, QStringLiteral("guide_btn"))->click();
        ASSERT_NE(main.Guide(), nullptr);
        EXPECT_TRUE(main.Guide()->isVisible());
        EXPECT_FALSE(Find<QCheckBox>(main.Guide(), QStringLiteral("view_cb"))->isChecked());
        Find<QPushButton>(main.Guide(), QStringLiteral("close_btn"))->click();
        EXPECT_TRUE(WaitUntil(
            [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return main.Guide() == nullptr;
            },
            2000));
        main.ForceClose();
    }
    {
        GuiHome home;
        Korvi main(home.Gui());
        main.InitKorvi(QStringLiteral(""), false);
        EXPECT_EQ(main.Guide(), nullptr);
    }
}

// A site preset on an empty list asks for the start URL after its word and
// starts the list there; an empty answer ends and changes nothing.
TEST(WinGuide, SitePresetAsksForTheStartUrlOnAnEmptyList) {
    GuiHome home;
    Korvi main(home.Gui());
    main.InitKorvi(QStringLiteral(""), false);
    WinGuide guide(home.Gui(), main);
    const InitList& list = main.InitPanel()->List();
    home.Dlg().inputs = {QStringLiteral("  ")};
    Find<QPushButton>(&guide, QStringLiteral("dl_dir_btn"))->click();
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("開始URLの不備")),
              QStringLiteral("開始URLが未入力なので終了します。"));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_FALSE(home.Dlg().WasShown(kEndTitle));

    home.Dlg().inputs = {QStringLiteral("犬"), QStringLiteral(" site.example/dir/ ")};
    Find<QPushButton>(&guide, QStringLiteral("srch_site_btn"))->click();
    EXPECT_EQ(home.Dlg().shown.at(3).title, QStringLiteral("開始URLの入力"));
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Rows()[0].url, QStringLiteral("http://site.example/dir/"));
    EXPECT_EQ(list.BaseUrl(), list.Rows()[0].url);
    EXPECT_EQ(list.CheckedCount(), 1);
    EXPECT_EQ(home.Dlg().TextOf(kEndTitle), kSearchMsg);

    main.ForceClose();
}

// Closing the guide with a run list asks to reset it: yes drops the run
// list, no keeps it; without a run list nothing is asked.
TEST(WinGuide, CloseOffersToResetTheRunList) {
    for (bool yes : {true, false}) {
        GuiHome home;
        FixtureServer site;
        site.Page(QStringLiteral("/index.html"), "<html><body>x</body></html>");
        Korvi main(home.Gui());
        main.InitKorvi(site.Url(QStringLiteral("/index.html")), false);
        {
            WinGuide empty(home.Gui(), main);
            empty.show();
            empty.Close();
            EXPECT_FALSE(home.Dlg().WasShown(QStringLiteral("DL初期化の確認")));
        }
        main.InitPanel()->StartDlSearch(false);
        ASSERT_TRUE(WaitUntil([&] { return home.Dlg().WasShown(QStringLiteral("DL＆検索終了")); }));
        ASSERT_NE(main.RunPanel()->Run(), nullptr);
        WinGuide guide(home.Gui(), main);
        guide.show();
        home.Dlg().yesNo = {yes ? Dialogs::Answer::kYes : Dialogs::Answer::kNo};
        Find<QPushButton>(&guide, QStringLiteral("close_btn"))->click();
        EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("DL初期化の確認")));
        EXPECT_EQ(main.RunPanel()->Run() == nullptr, yes);
        EXPECT_FALSE(guide.isVisible());
        main.ForceClose();
    }
}

}  // namespace korvi::test
