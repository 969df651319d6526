#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "UiTestKit.h"
#include "engine/RunControl.h"
#include "engine/lists/InitList.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/WinSrch.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

const QString kEnd = QStringLiteral("DL＆検索終了");

// A three-page site on 127.0.0.1 that mentions the search word twice.
void ServeSite(FixtureServer& site) {
    site.Page(QStringLiteral("/index.html"),
              "<html><head><title>top</title></head><body>"
              "<a href=\"a.html\">a</a> <a href=\"b.html\">b</a></body></html>");
    site.Page(QStringLiteral("/a.html"),
              "<html><head><title>A</title></head><body>a crow flies</body></html>");
    site.Page(QStringLiteral("/b.html"),
              "<html><head><title>B</title></head><body>nothing here</body></html>");
}

// The stored files below the run folder, relative to it.
QStringList StoredFiles(GuiHome& home, const QString& runId) {
    QStringList files;
    const QString root = home.File(QStringLiteral("log/") + runId);
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.append(it.next().mid(root.size() + 1));
    files.sort();
    return files;
}

struct Desk {
    GuiHome home;
    FixtureServer site;
    WinSrvr server{home.Gui()};
    Desk() {
        home.Gui().progress = [this](const QString& p) { server.SetTitleProgress(p); };
        ServeSite(site);
    }
    ~Desk() {
        if (server.MainWindow()) server.MainWindow()->ForceClose();
    }
    QString ListFile() {
        InitList list(home.Ctrl());
        list.ChngeBaseUrl(site.Url(QStringLiteral("/index.html")));
        list.AddSrchLst(site.Url(QStringLiteral("/index.html")), QStringLiteral("top"),
                        QStringLiteral("html"));
        const QString path = home.File(QStringLiteral("start lst.ini"));
        EXPECT_TRUE(list.SaveList(path));
        return path;
    }
    bool Ended() { return home.Dlg().WasShown(kEnd); }
};

// The whole path of a user: a list file as the argument, a typed word,
// "DL & 検索", the run window filling, the end dialog and the stored files.
TEST(Workflow, ListArgumentTypedWordAndStartButton) {
    Desk d;
    ASSERT_TRUE(
        d.server.Start(WinSrvrCore::kPrefix + QStringLiteral("StartKorvi ") + d.ListFile()));
    ASSERT_TRUE(WaitUntil([&] { return d.server.MainWindow() != nullptr; }));
    Korvi* main = d.server.MainWindow();
    KorviDlSrchInit* init = main->InitPanel();
    ASSERT_TRUE(WaitUntil([&] { return init->List().RowCount() == 1; }));

    auto* box = Find<QComboBox>(init, QStringLiteral("sch_box"));
    ASSERT_NE(box, nullptr);
    box->setEditText(QStringLiteral("crow"));
    auto* start = Find<QPushButton>(init, QStringLiteral("sch_btn"));
    ASSERT_NE(start, nullptr);
    start->click();
    EXPECT_EQ(main->GetTypeWork(), Korvi::kDsAct);
    ASSERT_TRUE(WaitUntil([&] { return d.Ended(); }, 30000));

    RunControl* run = main->RunPanel()->Run();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->List().Count(), 3);
    const QStringList files = StoredFiles(d.home, main->RunId());
    EXPECT_TRUE(files.contains(d.site.StoreHost() + QStringLiteral("/a.html")) ||
                std::any_of(files.begin(), files.end(),
                            [](const QString& f) { return f.endsWith(QStringLiteral("/a.html")); }))
        << files.join(u' ').toStdString();
    EXPECT_GE(files.size(), 3);
}

// The same through the message field, as another process drives it.
TEST(Workflow, MessageFieldStartsTheRun) {
    Desk d;
    const QString p = WinSrvrCore::kPrefix;
    ASSERT_TRUE(d.server.Start(p + QStringLiteral("StartKorvi ") + d.ListFile() +
                               QStringLiteral("&|&") + p + QStringLiteral("KorviSetWord crow") +
                               QStringLiteral("&|&") + p + QStringLiteral("KorviStartDl&Search")));
    ASSERT_TRUE(WaitUntil([&] { return d.Ended(); }, 30000));
    Korvi* main = d.server.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->InitPanel()->SearchWord(), QStringLiteral("crow"));
    EXPECT_GE(StoredFiles(d.home, main->RunId()).size(), 3);
}

}  // namespace
}  // namespace korvi::test
