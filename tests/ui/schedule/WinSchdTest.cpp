#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"
#include "schedule/KorviSchd.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "shell/Assist.h"
#include "ui/engine/WinSrch.h"
#include "ui/schedule/KorviSchdPanel.h"
#include "ui/server/GuiHost.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

const QString kPrefix = WinSrvrCore::kPrefix;

struct Desk {
    GuiHome home;
    WinSrvr server{home.Gui()};
    Desk() {
        home.Gui().progress = [this](const QString& p) { server.SetTitleProgress(p); };
        // "ExitServer" must not end the test's event loops.
        server.SetQuit([](int) {});
    }
    ~Desk() {
        if (server.MainWindow()) server.MainWindow()->ForceClose();
    }
    // Starts the resident part with a main window showing the schedules.
    WinSchd* OpenPanel() {
        EXPECT_TRUE(server.Start(kPrefix + QStringLiteral("StartKorvi")));
        EXPECT_TRUE(WaitUntil([&] { return server.MainWindow() != nullptr; }));
        Korvi* main = server.MainWindow();
        if (!main) return nullptr;
        main->SelWork(Korvi::kSchd);
        return main->SchdPanel();
    }
    // Stores the schedules and starts the resident part without a window.
    bool StartWith(const QList<QStringList>& rows) {
        KorviSchd table(home.Ctrl());
        table.SetRows(rows);
        return table.SaveLstData() && server.Start(QString());
    }
    QStringList Cells(const QString& file) {
        const Assist ini(QString::fromUtf8(home.Read(QStringLiteral("schedule/") + file)));
        QStringList row;
        for (const QString& key : KorviSchd::Keys())
            row.append(ini.GetIni(QStringLiteral("Schedule"), key));
        return row;
    }
};

QStringList Files(const QString& dir) {
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.append(it.next().mid(dir.size() + 1));
    files.sort();
    return files;
}

// Makes a cell current and opens its editor (closed ones linger hidden).
template <typename T>
T* OpenEditor(QTableView* view, int row, int col) {
    view->setCurrentIndex(view->model()->index(row, col));
    view->edit(view->currentIndex());
    T* editor = nullptr;
    for (T* e : view->viewport()->findChildren<T*>())
        if (e->isVisible()) editor = e;
    return editor;
}

void Choose(QTableView* view, int row, int col, const QString& text) {
    auto* box = OpenEditor<QComboBox>(view, row, col);
    ASSERT_NE(box, nullptr) << "no choice editor in column " << col;
    const int at = box->findText(text);
    ASSERT_GE(at, 0) << text.toStdString() << " not offered in column " << col;
    box->setCurrentIndex(at);
    Q_EMIT box->activated(at);
}

// New, copy, delete and cell edits go into the resident loop's table; the
// Edit-menu items show only with the panel; closing the main window, with a
// cell still being edited, stores every row as 00000000.ini, 00000001.ini, ...
// in place of the old files.
TEST(WinSchd, EditsReachTheResidentTableAndAreStoredOnClose) {
    Desk d;
    d.home.Write(QStringLiteral("favorite/朝.ini"), "[List]\n");
    d.home.Write(QStringLiteral("schedule/stale.ini"), "[Schedule]\nname=old\n");
    WinSchd* panel = d.OpenPanel();
    ASSERT_NE(panel, nullptr);
    Korvi* main = d.server.MainWindow();
    KorviSchd& shared = d.server.Core()->Schedules();
    QTableView* view = panel->EditTable();
    ASSERT_EQ(shared.Count(), 1);  // the file already in the folder
    Find<QPushButton>(panel, QStringLiteral("new_btn"))->click();
    ASSERT_EQ(shared.Rows().value(1), KorviSchd::NewRow());

    auto* name = OpenEditor<QLineEdit>(view, 1, KorviSchd::kName);
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("朝刊_[hour][min]"));
    Choose(view, 1, KorviSchd::kWeek, QStringLiteral("月"));
    Choose(view, 1, KorviSchd::kMinute, QStringLiteral("30"));
    Choose(view, 1, KorviSchd::kOption, QStringLiteral("朝.ini"));
    Choose(view, 1, KorviSchd::kView, QStringLiteral("非表示"));
    view->model()->setData(view->model()->index(0, KorviSchd::kEnable), Qt::Unchecked,
                           Qt::CheckStateRole);
    const QStringList edited(
        {"朝刊_[hour][min]", "1", "月", "**", "**", "30", "朝.ini", "DL", "非表示"});
    EXPECT_EQ(shared.Rows().at(1), edited);
    EXPECT_EQ(shared.Rows().at(0).at(KorviSchd::kEnable), "0");

    // Copy goes right after the selected row; the menu item makes a new row.
    view->selectRow(1);
    Find<QPushButton>(panel, QStringLiteral("copy_btn"))->click();
    EXPECT_EQ(shared.Rows().value(2), edited);
    QAction* newItem = main->Action(QStringLiteral("mni_new_schd"));
    ASSERT_NE(newItem, nullptr);
    newItem->trigger();
    EXPECT_EQ(shared.Count(), 4);

    // Delete: the selected rows go; with nothing selected a warning.
    view->selectRow(0);
    Find<QPushButton>(panel, QStringLiteral("del_btn"))->click();
    view->clearSelection();
    Find<QPushButton>(panel, QStringLiteral("del_btn"))->click();
    EXPECT_EQ(d.home.Dlg().TextOf(QStringLiteral("削除警告")),
              QStringLiteral("リストが空か、選択されていません。"));
    ASSERT_EQ(shared.Count(), 3);

    EXPECT_TRUE(newItem->isVisible());
    main->SelWork(Korvi::kDsInit);
    EXPECT_FALSE(newItem->isVisible());
    main->SelWork(Korvi::kSchd);
    name = OpenEditor<QLineEdit>(view, 2, KorviSchd::kName);
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("夕刊"));
    main->close();
    ASSERT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));
    EXPECT_EQ(QDir(d.home.File(QStringLiteral("schedule"))).entryList(QDir::Files),
              QStringList({"00000000.ini", "00000001.ini", "00000002.ini"}));
    EXPECT_EQ(d.Cells(QStringLiteral("00000000.ini")), edited);
    EXPECT_EQ(d.Cells(QStringLiteral("00000001.ini")), edited);
    QStringList last = KorviSchd::NewRow();
    last[KorviSchd::kName] = QStringLiteral("夕刊");
    EXPECT_EQ(d.Cells(QStringLiteral("00000002.ini")), last);
}

// "ExitServer" stores schedules edited while another category is shown.
TEST(WinSchd, ExitServerStoresEditedSchedules) {
    Desk d;
    WinSchd* panel = d.OpenPanel();
    ASSERT_NE(panel, nullptr);
    Find<QPushButton>(panel, QStringLiteral("new_btn"))->click();
    d.server.MainWindow()->SelWork(Korvi::kDsInit);
    d.server.Core()->Core().SetMessage(kPrefix + QStringLiteral("ExitServer"));
    ASSERT_TRUE(WaitUntil([&] { return !d.server.Core()->Running(); }));
    EXPECT_EQ(d.Cells(QStringLiteral("00000000.ini")), KorviSchd::NewRow());
}

// A three-page site and a favourite that starts from its top page.
struct Site {
    FixtureServer site;
    // gated: the top page holds its body until site.Open().
    explicit Site(GuiHome& home, bool gated = false) {
        FixtureServer::Route top;
        top.body = "<html><body><a href=\"n1.html\">1</a><a href=\"n2.html\">2</a></body></html>";
        top.gated = gated;
        top.gateAfter = 10;
        site.SetRoute(QStringLiteral("/index.html"), top);
        site.Page(QStringLiteral("/n1.html"), "<html><body>a kite at dawn</body></html>");
        site.Page(QStringLiteral("/n2.html"), "<html><body>calm sea</body></html>");
        InitList fav(home.Ctrl());
        fav.ChngeBaseUrl(site.Url(QStringLiteral("/index.html")));
        fav.AddSrchLst(site.Url(QStringLiteral("/index.html")), QStringLiteral("top"),
                       QStringLiteral("html"));
        FavOpt opt;
        DlSrchOpt profile;
        profile.panel.target.all = true;
        opt.profile = Assist(OptToStr(profile));
        opt.searchWords = QStringLiteral("kite");
        EXPECT_TRUE(fav.SaveFav(QStringLiteral("favorite/鳥.ini"), opt));
    }
};

QStringList Row(const QString& name, const QString& view, const QString& option,
                const QString& action = QStringLiteral("検索")) {
    QStringList row = KorviSchd::NewRow();
    row[KorviSchd::kName] = name;
    row[KorviSchd::kHour] = QStringLiteral("07");  // the test clock: 07:05:02 JST
    row[KorviSchd::kMinute] = QStringLiteral("05");
    row[KorviSchd::kOption] = option;
    row[KorviSchd::kAction] = action;
    row[KorviSchd::kView] = view;
    return row;
}

// Two schedules due in the same minute: the first builds a shown main window
// and runs quietly into its folder; the second waits while that window is
// open, and after it closed starts hidden at the next minute, runs into its
// own folder and closes its window. No end dialog at any point.
TEST(WinSchd, DueSchedulesRunQuietlyOneMainWindowAtATime) {
    Desk d;
    Site s(d.home);
    ASSERT_TRUE(d.StartWith({Row(QStringLiteral("first_[hour][min]"), "表示", "鳥.ini", "DL"),
                             Row(QStringLiteral("second_[hour][min]"), "非表示", "鳥")}));
    const QString log = d.home.File(QStringLiteral("log/"));
    ASSERT_TRUE(WaitUntil([&] { return d.server.MainWindow() != nullptr; }));
    Korvi* main = d.server.MainWindow();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->RunId(), QStringLiteral("first_0705"));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return main->RunPanel()->Run() && !main->RunPanel()->IsRunning() &&
                   Files(log + QStringLiteral("first_0705")).size() >= 3;
        },
        30000));
    EXPECT_FALSE(d.home.Dlg().WasShown(QStringLiteral("DL＆検索終了")));
    // "DL" downloads without the favourite's search word.
    EXPECT_EQ(Find<QLineEdit>(main->RunPanel(), QStringLiteral("sch_txt"))->text(), QString());

    // The shown window stays; the second entry waits for it.
    d.home.GetClock().Advance(60000);
    QTest::qWait(600);
    EXPECT_EQ(d.server.MainWindow(), main);
    EXPECT_FALSE(QDir(log).exists(QStringLiteral("second_0706")));
    main->close();
    ASSERT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));

    d.home.GetClock().Advance(60000);
    bool sawWindow = false;
    bool sawVisible = false;
    QString words;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (Korvi* k = d.server.MainWindow()) {
                sawWindow = true;
                sawVisible = sawVisible || k->isVisible();
                words = Find<QLineEdit>(k->RunPanel(), QStringLiteral("sch_txt"))->text();
            }
            return sawWindow && d.server.MainWindow() == nullptr;
        },
        30000));
    EXPECT_FALSE(sawVisible);
    EXPECT_EQ(words, QStringLiteral("kite"));
    const QStringList files = Files(log + QStringLiteral("second_0707"));
    EXPECT_GE(files.size(), 3) << files.join(u' ').toStdString();
    EXPECT_TRUE(std::any_of(files.begin(), files.end(), [](const QString& f) {
        return f.endsWith(QStringLiteral("n1.html"));
    }));
    EXPECT_FALSE(d.home.Dlg().WasShown(QStringLiteral("DL＆検索終了")));
    EXPECT_EQ(s.site.Hits(QStringLiteral("/n1.html")), 2);
}

// A hidden schedule whose favourite is gone logs it and does not keep a
// window that would block later schedules; no dialog asks anybody.
TEST(WinSchd, HiddenScheduleWithoutFavouriteLeavesNoWindow) {
    Desk d;
    ASSERT_TRUE(d.StartWith({Row(QStringLiteral("x"), "非表示", "無い.ini")}));
    ASSERT_TRUE(WaitUntil([&] {
        return d.home.ErrLog().contains(
            QStringLiteral("W_Srvr StartSchd Err : no favorite 無い.ini"));
    }));
    EXPECT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));
    EXPECT_FALSE(d.server.Host().IsRunWindowOpen());
    EXPECT_TRUE(d.home.Dlg().shown.empty()) << d.home.Dlg().Titles().join(u',').toStdString();
}

// "StartKorvi" while a hidden schedule runs brings its window up; a window
// the user sees is not closed when the run ends.
TEST(WinSchd, StartKorviShowsTheHiddenScheduleWindow) {
    Desk d;
    Site s(d.home, true);
    ASSERT_TRUE(d.StartWith({Row(QStringLiteral("held"), "非表示", "鳥.ini")}));
    ASSERT_TRUE(
        WaitUntil([&] { return s.site.WaitGateReached(QStringLiteral("/index.html"), 5); }));
    Korvi* main = d.server.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->isVisible());
    d.server.Core()->Core().SetMessage(kPrefix + QStringLiteral("StartKorvi"));
    ASSERT_TRUE(WaitUntil([&] { return main->isVisible(); }));
    EXPECT_EQ(d.server.MainWindow(), main);
    s.site.Open();
    ASSERT_TRUE(WaitUntil([&] { return !main->RunPanel()->IsRunning(); }, 30000));
    QTest::qWait(300);
    EXPECT_EQ(d.server.MainWindow(), main);
    EXPECT_FALSE(d.home.Dlg().WasShown(QStringLiteral("DL＆検索終了")));
}

}  // namespace
}  // namespace korvi::test
