#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTableView>
#include <QUrl>

#include <gtest/gtest.h>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "tools/LogSrch.h"
#include "tools/ToolStore.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/SelOutTmplt.h"
#include "ui/tools/LogSrchModel.h"
#include "ui/tools/ThumbLoader.h"
#include "ui/tools/WinLogSrch.h"

namespace korvi::test {
namespace {

QByteArray SmallPng(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// A store of pages, a list file, pictures with and without tags.
void Store(GuiHome& home) {
    home.Write("log/R/h/index.html",
               "<html><body>Alpha needle here</body></html>" + FootTag("", "http://h/"));
    home.Write("log/R/h/index.html lst.ini", "[BaseData]\np_url=http://h/ needle\n");
    home.Write("log/R/h/dir/only.htm", "<p>NEEDLE " + QByteArray(3000, 'x') + "</p>" +
                                           FootTag("http://h/ref.html", "http://h/dir/only.htm"));
    home.Write("log/R/h/plain", "no extension, needle inside");
    home.Write("log/R/h/img/pic.png",
               SmallPng(200, 100) + FootTag("http://h/needle.html", "http://h/img/pic.png"));
    home.Write("log/R/h/img/broken.png", QByteArray("\x89PNG\r\n\x1a\nbroken", 15));
    home.Write("log/R/h/t.txt", "nothing to see");
}

// A panel over the store of a temporary home, shown offscreen.
struct Panel {
    GuiHome home;
    WinLogSrch win{home.Gui()};
    QString root;

    Panel() {
        Store(home);
        root = home.File("log/R");
        win.folder = [this] { return root; };
        win.resize(800, 500);
        win.show();
    }
    template <typename T>
    T* Get(const char* name) {
        T* w = Find<T>(&win, QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name) { Get<QAbstractButton>(name)->click(); }
    bool Ended() { return home.Dlg().WasShown(QStringLiteral("検索終了")); }
    // Runs a walk by button and waits for its end message.
    void Run(const char* button) {
        home.Dlg().shown.clear();
        Click(button);
        ASSERT_TRUE(WaitUntil([&] { return Ended(); }));
    }
    void Select(const QList<int>& rows) {
        QTableView* table = Get<QTableView>("srch_tbl");
        table->clearSelection();
        for (int r : rows)
            table->selectionModel()->select(
                win.Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    int RowOf(const QString& name) const {
        for (int i = 0; i < win.Model()->rowCount(); ++i)
            if (win.Model()->Row(i).fileName == name) return i;
        return -1;
    }
    // The rows of the core search for the same request.
    std::vector<SrchRow> CoreRows(const SrchRequest& r) {
        LogSrch core(home.Ctrl(), home.Ctx().Match());
        core.Run(r);
        return core.Rows();
    }
};

void ExpectSameRows(const std::vector<SrchRow>& panel, const std::vector<SrchRow>& core) {
    ASSERT_EQ(panel.size(), core.size());
    for (size_t i = 0; i < core.size(); ++i) {
        EXPECT_EQ(panel[i].no, core[i].no);
        EXPECT_EQ(panel[i].text, core[i].text);
        EXPECT_EQ(panel[i].fileName, core[i].fileName);
        EXPECT_EQ(panel[i].path, core[i].path);
        EXPECT_EQ(panel[i].sizeKb, core[i].sizeKb);
        EXPECT_EQ(panel[i].extension, core[i].extension);
    }
}

// Search and extract list what the core lists for the same request; the end
// message is shown once, the words join the remembered list and the size
// mode goes to the common settings.
TEST(WinLogSrch, RowsMatchTheCoreSearch) {
    Panel p;
    p.Get<QComboBox>("sch_box")->setEditText(QStringLiteral("needle"));
    p.Run("sch_btn");
    SrchRequest r;
    r.folder = p.root;
    r.words = QStringLiteral("needle");
    const std::vector<SrchRow> core = p.CoreRows(r);
    ExpectSameRows(p.win.Model()->Rows(), core);
    // The picture is found by its tag, the list file never.
    EXPECT_GE(p.RowOf("pic.png"), 0);
    EXPECT_LT(p.RowOf("index.html lst.ini"), 0);
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("検索終了"))
                    .contains(QStringLiteral("「needle」の検索結果は「") +
                              QString::number(core.size()) + QStringLiteral("」件です。")));
    EXPECT_EQ(p.home.Dlg().shown.size(), 1u);
    EXPECT_TRUE(p.Get<QAbstractButton>("sch_btn")->isEnabled());
    EXPECT_FALSE(p.Get<QAbstractButton>("ctr_btn_stop")->isEnabled());
    const Assist ini(QString::fromUtf8(p.home.Read("cmn_opt.ini")));
    EXPECT_EQ(ini.GetIni(QStringLiteral("SearchBox"), QStringLiteral("0")),
              QStringLiteral("needle"));
    // A report of the rows shows the search's words.
    p.home.Dlg().inputs.push_back(QStringLiteral("found"));
    SelOutTmplt(p.home.Gui(), nullptr, p.win.SelectedOutputRows(), QStringLiteral("R"));
    EXPECT_TRUE(QString::fromUtf8(p.home.Read("report/found/body.html"))
                    .contains(QStringLiteral("<SPAN CLASS=\"word\">needle</SPAN>")));
    {
        WinLogSrch again(p.home.Gui());
        QComboBox* box = Find<QComboBox>(&again, "sch_box");
        ASSERT_EQ(box->count(), 1);
        EXPECT_EQ(box->itemText(0), QStringLiteral("needle"));
    }

    // Extract with the extension and size filter, as the guide asks for it.
    p.home.Dlg().shown.clear();
    p.win.StartExtract(QStringLiteral(",htm,png,"), 1);
    ASSERT_TRUE(WaitUntil([&] { return p.Ended(); }));
    SrchRequest e;
    e.folder = p.root;
    e.filter = FltMode::In;
    e.filterText = QStringLiteral(",htm,png,");
    e.size = SizeMode::Up;
    e.sizeKb = 1;
    ExpectSameRows(p.win.Model()->Rows(), p.CoreRows(e));
    EXPECT_EQ(p.win.Model()->rowCount(), 1);  // only.htm; the picture is below 1 KB
    EXPECT_EQ(p.home.Ctx().Cmn().Opt().size_type, QStringLiteral("up"));
    EXPECT_EQ(p.home.Ctx().Cmn().Opt().size_no, 1);

    // The rows go through the shipped report with the file's name and link.
    p.home.Dlg().inputs.push_back(QStringLiteral("files"));
    SelOutTmplt(p.home.Gui(), nullptr, p.win.SelectedOutputRows(), QStringLiteral("R"));
    QFile report(p.home.File("report/files/body.html"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(report.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<A HREF=\"") +
                              QUrl::fromLocalFile(p.root + "/h/dir/only.htm").toString() +
                              QStringLiteral("\">only.htm</A>")))
        << html.toStdString();
}

// Each radio row starts with one choice: the extension row with "全て", the
// size row with the stored mode ("全て" when none is stored).
TEST(WinLogSrch, RadioRowsStartWithTheirChoice) {
    GuiHome home;
    for (const char* stored : {"down", ""}) {
        home.Ctx().Cmn().Opt().size_type = QString::fromLatin1(stored);
        WinLogSrch win(home.Gui());
        QStringList checked;
        for (QRadioButton* r : win.findChildren<QRadioButton*>())
            if (r->isChecked()) checked.append(r->objectName());
        EXPECT_EQ(checked, (QStringList{"flt_r_all", *stored ? "siz_r_dwn" : "siz_r_all"}));
    }
}

// Open makes a highlight document of the search's words when asked.
TEST(WinLogSrch, OpenHighlights) {
    Panel p;
    p.Get<QComboBox>("sch_box")->setEditText(QStringLiteral("needle"));
    p.Run("sch_btn");
    p.Select({p.RowOf("index.html")});
    p.Click("ctr_btn_open");
    EXPECT_EQ(p.home.opened.last(), p.root + "/h/index.html");
    p.Click("h_light_cb");
    p.Click("ctr_btn_open");
    EXPECT_EQ(p.home.opened.last(), p.root + "/h/index_hl_korvi.html");
    EXPECT_TRUE(QString::fromUtf8(p.home.Read("log/R/h/index_hl_korvi.html"))
                    .contains(QStringLiteral("needle</B>")));
}

// A missing folder warns and starts nothing; the list stays.
TEST(WinLogSrch, MissingFolderWarns) {
    Panel p;
    p.Run("get_btn");
    const int rows = p.win.Model()->rowCount();
    ASSERT_GT(rows, 0);
    p.root = p.home.File("log/none");
    p.Click("get_btn");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("検索警告")),
              QStringLiteral("フォルダが見つかりません。"));
    EXPECT_FALSE(p.win.IsRunning());
    EXPECT_TRUE(p.Get<QAbstractButton>("get_btn")->isEnabled());
    EXPECT_EQ(p.win.Model()->rowCount(), rows);
    p.Select({0});
    p.Click("tag_btn_info");  // the rows still act on their files
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("情報表示")));
}

// The three tag actions, by button and by Edit menu command.
TEST(WinLogSrch, TagActions) {
    Panel p;
    p.Click("tag_btn_info");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("情報表示警告")),
              QStringLiteral("リストが空か、選択されていません。"));
    p.Run("get_btn");
    p.Click("tag_btn_ref_open");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL元を開く警告")));  // nothing selected

    p.Select({p.RowOf("plain")});
    p.home.Dlg().shown.clear();
    EXPECT_TRUE(p.win.EditCommand(QStringLiteral("mni_info")));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("情報表示")),
              QStringLiteral("選択したファイルに末尾タグがありません。"));
    p.Click("tag_btn_url_open");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("URLを開く警告")),
              QStringLiteral("選択したファイルに末尾タグがありません。"));

    p.Select({p.RowOf("only.htm")});
    p.Click("tag_btn_info");
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("情報表示"))
                    .contains(QStringLiteral("dl_ref=\"http://h/ref.html\"")));
    p.win.EditCommand(QStringLiteral("mni_ref_open"));
    p.Click("tag_btn_url_open");
    EXPECT_EQ(p.home.opened, QStringList({QStringLiteral("http://h/ref.html"),
                                          QStringLiteral("http://h/dir/only.htm")}));

    // A tag without dl_ref says so.
    p.Select({p.RowOf("index.html")});
    p.home.Dlg().shown.clear();
    p.win.EditCommand(QStringLiteral("mni_ref_open"));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("DL元を開く警告")),
              QStringLiteral("リンクの参照元が末尾タグにありません。"));
    // The row tool tip is the tag as HTML; a file without tag has none.
    const QVariant tip =
        p.win.Model()->data(p.win.Model()->index(p.RowOf("only.htm"), 2), Qt::ToolTipRole);
    EXPECT_TRUE(tip.toString().startsWith(QStringLiteral("<HTML><BODY><TABLE")));
    EXPECT_FALSE(
        p.win.Model()->data(p.win.Model()->index(p.RowOf("plain"), 2), Qt::ToolTipRole).isValid());
}

// Saving copies the selected rows' files (or all) into the chosen folder,
// warning first when nothing is selected.
TEST(WinLogSrch, SaveCopiesFiles) {
    Panel p;
    p.Run("get_btn");
    p.home.Dlg().shown.clear();
    p.Click("ctr_btn_save");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("保存警告")),
              QStringLiteral("リストが空か、選択されていません。"));
    EXPECT_FALSE(p.home.Dlg().WasShown(QStringLiteral("ファイルの保存")));

    p.home.Write("out/t.txt", "old");
    p.Select({p.RowOf("t.txt"), p.RowOf("only.htm")});
    p.home.Dlg().inputs.push_back(p.home.File("out"));
    p.Click("ctr_btn_save");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("保存終了")));
    EXPECT_EQ(p.home.Read("out/t.txt"), QByteArray("nothing to see"));
    EXPECT_TRUE(p.home.Exists("out/only.htm"));
    EXPECT_FALSE(p.home.Exists("out/plain"));

    p.home.Dlg().inputs.push_back(p.home.File("all"));
    p.Click("ctr_btn_save_all");
    EXPECT_EQ(QDir(p.home.File("all")).entryList(QDir::Files).size(), p.win.Model()->rowCount());
    // A cancelled chooser copies nothing.
    p.home.Dlg().shown.clear();
    p.Click("ctr_btn_save_all");
    EXPECT_FALSE(p.home.Dlg().WasShown(QStringLiteral("保存終了")));
}

// Picture view: a real picture gets its thumbnail, a broken one the fixed
// picture and an error-log line, other files "- not pic -".
TEST(WinLogSrch, Thumbnails) {
    Panel p;
    // A picture whose name is not UTF-8 gets its thumbnail too.
    const RawTreeRemover remove{p.root};
    ASSERT_TRUE(WriteRaw(p.root + "/h/img", "raw\xff.png", SmallPng(100, 200)));
    p.Click("pic_v_cb");
    p.Run("get_btn");
    LogSrchModel* m = p.win.Model();
    const QModelIndex pic = m->index(p.RowOf("pic.png"), 0);
    const QModelIndex broken = m->index(p.RowOf("broken.png"), 0);
    const QModelIndex page = m->index(p.RowOf("t.txt"), 0);
    const QModelIndex raw = m->index(p.RowOf(QString::fromUtf8("raw\xff.png")), 0);
    ASSERT_TRUE(raw.isValid());
    m->data(pic, Qt::DecorationRole);
    m->data(broken, Qt::DecorationRole);
    m->data(raw, Qt::DecorationRole);
    ASSERT_TRUE(WaitUntil([&] { return p.win.Thumbs()->Decoded() >= 3; }));
    const QPixmap thumb = qvariant_cast<QPixmap>(m->data(pic, Qt::DecorationRole));
    EXPECT_EQ(thumb.size(), QSize(64, 32));
    EXPECT_EQ(qvariant_cast<QPixmap>(m->data(raw, Qt::DecorationRole)).size(), QSize(32, 64));
    EXPECT_FALSE(m->data(pic, LogSrchModel::kNotPicRole).toBool());
    EXPECT_TRUE(m->data(page, LogSrchModel::kNotPicRole).toBool());
    EXPECT_TRUE(m->data(broken, Qt::DecorationRole).isValid());
    EXPECT_TRUE(p.home.ErrLog().contains(QStringLiteral("W_LogSrch ImageRead Error : ")));
    EXPECT_TRUE(p.home.ErrLog().contains(QStringLiteral("broken.png")));
    EXPECT_FALSE(p.home.ErrLog().contains(QStringLiteral("pic.png")));
    // Cached: a second look decodes nothing more.
    const long decoded = p.win.Thumbs()->Decoded();
    m->data(pic, Qt::DecorationRole);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.win.Thumbs()->Decoded(), decoded);
}

// Through the real dialogs: a file whose name is not UTF-8 is found and
// its trailer tag shows.
TEST(WinLogSrch, RealDialogsShowARawNamesTag) {
    GuiHome home;
    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    const QString root = home.File("log/R");
    const RawTreeRemover remove{root};
    ASSERT_TRUE(WriteRaw(root, "x\xfe.html", "needle" + FootTag("", "http://h/x.html")));
    WinLogSrch win(real);
    win.folder = [&] { return root; };
    QString texts;
    ModalAnswerer modal([&](QWidget* w) {
        auto* d = static_cast<QDialog*>(w);
        texts += d->findChild<QLabel*>()->text();
        d->accept();
    });
    Find<QComboBox>(&win, "sch_box")->setEditText(QStringLiteral("needle"));
    Find<QAbstractButton>(&win, "sch_btn")->click();
    ASSERT_TRUE(WaitUntil([&] { return !modal.Titles().isEmpty(); }));
    Find<QTableView>(&win, "srch_tbl")->selectRow(0);
    Find<QAbstractButton>(&win, "tag_btn_info")->click();
    EXPECT_EQ(modal.Titles(), (QStringList{"検索終了", "情報表示"}));
    EXPECT_TRUE(texts.contains(QStringLiteral("「1」件です。")));
    EXPECT_TRUE(texts.contains(QStringLiteral("dl_src=\"http://h/x.html\"")));
}

// A store big enough that a walk is still going when stop is pressed.
void BigStore(GuiHome& home, int files) {
    const QByteArray body = QByteArray("<html><body>") + QByteArray(1500, 'a') + "</body></html>";
    for (int i = 0; i < files; ++i)
        home.Write(QStringLiteral("log/Big/d%1/f%2.html").arg(i / 100).arg(i), body);
}

// Stop ends the walk within 200 ms and still shows the end message.
TEST(WinLogSrch, StopReturnsQuickly) {
    Panel p;
    BigStore(p.home, 2000);
    p.root = p.home.File("log/Big");
    p.Get<QComboBox>("sch_box")->setEditText(QStringLiteral("zebra"));
    p.Click("sch_btn");
    ASSERT_TRUE(p.win.IsRunning());
    EXPECT_FALSE(p.Get<QAbstractButton>("sch_btn")->isEnabled());
    QElapsedTimer t;
    t.start();
    p.Click("ctr_btn_stop");
    ASSERT_TRUE(WaitUntil([&] { return !p.win.IsRunning(); }, 2000));
    EXPECT_LT(t.elapsed(), 200);
    ASSERT_TRUE(WaitUntil([&] { return p.Ended(); }, 2000));
    EXPECT_FALSE(p.home.Dlg()
                     .TextOf(QStringLiteral("検索終了"))
                     .contains(QStringLiteral("・検索ファイル数\t： 2000 個")));
    EXPECT_TRUE(p.Get<QAbstractButton>("sch_btn")->isEnabled());
}

// In the main window the Edit menu's file-search items reach the panel;
// closing the window during a walk stops it without a dialog and keeps the
// panel's settings.
TEST(WinLogSrch, MainWindowMenuAndClose) {
    GuiHome home;
    BigStore(home, 2000);
    {
        Korvi win(home.Gui());
        win.InitKorvi(QStringLiteral(""), false);
        win.SelWork(Korvi::kLogSrch);
        WinLogSrch* panel = win.FileSearchPanel();
        ASSERT_NE(panel, nullptr);
        QAction* info = win.Action(QStringLiteral("mni_info"));
        ASSERT_NE(info, nullptr);
        EXPECT_TRUE(info->isVisible());
        info->trigger();
        EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("情報表示警告")));
        win.SelWork(Korvi::kDsInit);
        EXPECT_FALSE(info->isVisible());
        win.SelWork(Korvi::kLogSrch);
        panel->folder = [&] { return home.File("log/Big"); };
        Find<QRadioButton>(panel, "siz_r_dwn")->click();
        Find<QLineEdit>(panel, "siz_txt")->setText("77");
        Find<QComboBox>(panel, "sch_box")->setEditText(QStringLiteral("zebra"));
        Find<QAbstractButton>(panel, "sch_btn")->click();
        ASSERT_TRUE(panel->IsRunning());
        win.close();
        EXPECT_FALSE(panel->IsRunning());
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(home.Dlg().WasShown(QStringLiteral("検索終了")));
    const Assist ini(QString::fromUtf8(home.Read("cmn_opt.ini")));
    EXPECT_EQ(ini.GetIni(QStringLiteral("WinLogSearch"), QStringLiteral("size_type")),
              QStringLiteral("down"));
    EXPECT_EQ(ini.GetIni(QStringLiteral("WinLogSearch"), QStringLiteral("size_no")),
              QStringLiteral("77"));
}

// After a search the store index is brought up to date in the background; the
// panel shows it while it runs, searches meanwhile and gives the core's rows.
TEST(WinLogSrch, IndexUpdateShowsAndNeverBlocks) {
    Panel p;
    BigStore(p.home, 2000);
    p.root = p.home.File("log");
    QLabel* lbl = p.Get<QLabel>("idx_lbl");
    StoreIndex& index = p.home.Ctx().Index();
    index.SetEnabled(true);
    p.Get<QComboBox>("sch_box")->setEditText(QStringLiteral("needle"));
    p.Run("sch_btn");
    ASSERT_TRUE(WaitUntil([&] { return !lbl->text().isEmpty() || index.GetCounts().files > 0; }));
    // A search while the index is written.
    p.Run("sch_btn");
    SrchRequest r;
    r.folder = p.root;
    r.words = QStringLiteral("needle");
    ExpectSameRows(p.win.Model()->Rows(), p.CoreRows(r));
    ASSERT_TRUE(WaitUntil([&] { return !index.Updating(); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return lbl->text().isEmpty(); }));
    EXPECT_GT(index.GetCounts().files, 2000);
    EXPECT_TRUE(index.BackgroundStats().ok);
}

}  // namespace
}  // namespace korvi::test
