#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"
#include "shell/Context.h"
#include "ui/common/MainWindowLink.h"
#include "ui/guide/GuidePicOffer.h"
#include "ui/guide/WinGuide.h"

namespace korvi::test {

// Carries the stand-in's run state to whoever watches it.
class RunStateSource : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void changed(bool running);
};

namespace {

// A main window that is nothing but the link: it records what the guide
// asks of it.
class StandInMain : public QWidget, public MainWindowLink {
public:
    explicit StandInMain(Context& ctx) : list(ctx.Ctrl()) {}

    QWidget* Window() override { return this; }
    void SelWork(int w) override { work = w; }
    void UseProfile(const QString& name) override { profile = name; }
    QMetaObject::Connection OnRunState(QObject* receiver, std::function<void(bool)> fn) override {
        return connect(&runState, &RunStateSource::changed, receiver, std::move(fn));
    }
    void ShowPictures(const QString& filter, int minKb) override {
        pictures.push_back(filter + u' ' + QString::number(minKb));
    }
    DlSrchOpt NextOpt() const override { return opt; }
    void SetNextOpt(const DlSrchOpt& o) override { opt = o; }
    InitList& StartList() override { return list; }
    void ReadStartSource(const QString& source, bool) override { sources.append(source); }
    void StartListChanged() override { ++refreshed; }
    void SetSearchWord(const QString& w) override { word = w; }
    bool RunListFilled() override { return filled; }
    void ResetRunList() override { ++resets; }

    RunStateSource runState;
    InitList list;
    DlSrchOpt opt;
    int work = -1;
    QString profile;
    QStringList sources;
    QString word;
    QStringList pictures;
    int refreshed = 0;
    bool filled = false;
    int resets = 0;
};

}  // namespace

// The guide works on any main window through the link: a preset asks for a
// start URL on an empty list, puts its values and words into force, shows
// the window at the init category, arms the picture offer that answers the
// run's end once; closing offers to reset a filled run list; help opens
// its page, held by the main window.
TEST(GuideLink, PresetsReachTheMainWindowOnlyThroughTheLink) {
    GuiHome home;
    StandInMain main(home.Ctx());
    main.opt.depth_max = 99;
    auto* guide = new WinGuide(home.Gui(), main, &main);
    guide->show();
    home.Dlg().inputs = {QStringLiteral("start.example/dir/")};
    Find<QPushButton>(guide, QStringLiteral("pic_dir_btn"))->click();
    EXPECT_EQ(main.sources, QStringList{QStringLiteral("http://start.example/dir/")});
    EXPECT_NE(main.opt.depth_max, 99);
    EXPECT_EQ(main.work, int(MainWindowLink::kDsInit));
    EXPECT_TRUE(main.isVisible());
    GuidePicOffer* offer = GuidePicOffer::Pending(main);
    ASSERT_NE(offer, nullptr);
    const QString wanted = offer->Filter() + u' ' + QString::number(offer->MinKb());

    Q_EMIT main.runState.changed(false);  // no run started yet
    EXPECT_TRUE(main.pictures.isEmpty());
    Q_EMIT main.runState.changed(true);
    Q_EMIT main.runState.changed(false);
    EXPECT_EQ(main.pictures, QStringList{wanted});
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(GuidePicOffer::Pending(main), nullptr);
    Q_EMIT main.runState.changed(true);
    Q_EMIT main.runState.changed(false);
    EXPECT_EQ(main.pictures.size(), 1);

    // Help opens the guide's own page; a search preset takes the word;
    // closing with a filled run list asks and resets on yes.
    main.filled = true;
    auto* again = new WinGuide(home.Gui(), main, &main);
    again->show();
    Find<QPushButton>(again, QStringLiteral("help_btn"))->click();
    EXPECT_EQ(home.opened.value(0),
              QUrl::fromLocalFile(home.File("doc/win_guide.html")).toString());
    home.Dlg().inputs = {QStringLiteral("犬"), QStringLiteral("http://start.example/")};
    home.Dlg().yesNo = {Dialogs::Answer::kYes};
    Find<QPushButton>(again, QStringLiteral("srch_dir_btn"))->click();
    EXPECT_EQ(main.word, QStringLiteral("犬"));
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("DL初期化の確認")));
    EXPECT_EQ(main.resets, 1);

    // Without an opener the help shows in a window of the main window, which
    // stays when the guide goes.
    home.Gui().open = [](const QString&) { return false; };
    Find<QPushButton>(again, QStringLiteral("help_btn"))->click();
    delete again;
    EXPECT_NE(main.findChild<QWidget*>(QStringLiteral("WinHelp"), Qt::FindDirectChildrenOnly),
              nullptr);
}

// The same guide on the real dialogs: the start URL is typed into a real
// input dialog and the closing messages are real message boxes.
TEST(GuideLink, RealDialogsAnswerThePreset) {
    GuiHome home;
    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    StandInMain main(home.Ctx());
    auto* guide = new WinGuide(real, main, &main);
    guide->show();
    ModalAnswerer modal([](QWidget* w) {
        if (w->findChild<QLineEdit*>())
            AnswerModal(w, true, QStringLiteral("http://start.example/"));
        else
            AnswerModal(w, true);
    });
    Find<QPushButton>(guide, QStringLiteral("dl_site_btn"))->click();
    EXPECT_EQ(modal.Titles(),
              (QStringList{QStringLiteral("開始URLの入力"), QStringLiteral("ガイド")}));
    EXPECT_EQ(main.sources, QStringList{QStringLiteral("http://start.example/")});
    EXPECT_EQ(main.work, int(MainWindowLink::kDsInit));
}

}  // namespace korvi::test

#include "GuideLinkTest.moc"
