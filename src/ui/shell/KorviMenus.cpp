// The main window's menus: building them and running their items.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTableView>

#include <algorithm>

#include "engine/profile/Profile.h"
#include "platform/SendTo.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "shell/UserSupportSheet.h"
#include "store/CtrlFile.h"
#include "ui/engine/DlgRep.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/RepTarget.h"
#include "ui/engine/WinSrch.h"
#include "ui/present/Dialogs.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/OpenOrLog.h"
#include "ui/shell/SelOutTmplt.h"
#include "ui/shell/ToolTipTable.h"
#include "ui/shell/WorkPanel.h"

namespace korvi {

namespace {

const QString kWebSite = QStringLiteral("https://github.com/korvi-project/korvi");
const QString kRightsPage = QStringLiteral("copyright.html");

// A menu caption from a system caption: "(X)" becomes the mnemonic "(&X)";
// an HTML caption loses its tags (menus show plain text).
QString MenuCaption(QString caption) {
    if (caption.startsWith(QStringLiteral("<HTML><BODY>"))) {
        caption.remove(QStringLiteral("<HTML><BODY>"));
        caption.remove(QStringLiteral("</BODY></HTML>"));
        caption.remove(QStringLiteral("<BR>"));
    }
    static const QRegularExpression mnemonic(QStringLiteral("\\(([A-Z])\\)$"));
    caption.replace(mnemonic, QStringLiteral("(&\\1)"));
    return caption;
}

// The selected cells of a table as text: TAB between cells, LF between rows.
QString SelectedText(QTableView* table) {
    if (!table || !table->selectionModel()) return QString();
    QModelIndexList cells = table->selectionModel()->selectedIndexes();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString text;
    int row = -1;
    for (const QModelIndex& cell : cells) {
        if (row >= 0) text += cell.row() != row ? u'\n' : u'\t';
        row = cell.row();
        text += cell.data(Qt::DisplayRole).toString();
    }
    return text;
}

}  // namespace

QAction* Korvi::AddAction(QMenu* menu, const QString& name, const QString& caption,
                          std::function<void()> handler) {
    auto* action = new QAction(MenuCaption(caption), this);
    action->setObjectName(name);
    menu->addAction(action);
    if (!actions_.contains(name)) actions_.insert(name, action);
    connect(action, &QAction::triggered, this, std::move(handler));
    return action;
}

void Korvi::InitMenu() {
    QMenuBar* bar = menuBar();
    auto mkMenu = [&](const QString& caption, const QString& name) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(name);
        menu->setToolTipsVisible(true);
        menus_.insert(name, menu);
        return menu;
    };
    // Items that work on the init list whatever category is shown.
    auto initItem = [this](QMenu* menu, const QString& name, const QString& caption) {
        return AddAction(menu, name, caption, [this, name] {
            SelWork(kDsInit);
            init_->EditCommand(name);
        });
    };
    // Items that the shown panel runs itself.
    auto panelItem = [this](QMenu* menu, const QString& name, const QString& caption) {
        return AddAction(menu, name, caption, [this, name] {
            if (WorkPanel* panel = CurrentPanel()) panel->EditCommand(name);
        });
    };
    QMenu* file = mkMenu(QStringLiteral("ファイル(&F)"), QStringLiteral("mn_file"));
    initItem(file, QStringLiteral("mni_open_lst"), QStringLiteral("リストを開く(O)"));
    initItem(file, QStringLiteral("mni_save_lst"), QStringLiteral("リストを保存(S)"));
    AddAction(file, QStringLiteral("mni_out_tmplt"), QStringLiteral("出力(T)"),
              [this] { OutTmplt(); });
    file->addSeparator();
    initItem(file, QStringLiteral("mni_add_url"), QStringLiteral("URLを追加(U)"));
    initItem(file, QStringLiteral("mni_add_lst"), QStringLiteral("リストを追加(L)"));
    file->addSeparator();
    AddAction(file, QStringLiteral("mni_end"), QStringLiteral("終了"), [this] { close(); });
    AddAction(file, QStringLiteral("mni_exit"), QStringLiteral("KorviServerごと終了"),
              [this] { ExitServer(); });

    QMenu* edit = mkMenu(QStringLiteral("リストの編集(&E)"), QStringLiteral("mn_edit"));
    AddAction(edit, QStringLiteral("mni_copy_sel"), QStringLiteral("選択範囲のコピー(C)"), [this] {
        if (WorkPanel* panel = CurrentPanel())
            QApplication::clipboard()->setText(SelectedText(panel->EditTable()));
    });
    AddAction(edit, QStringLiteral("mni_out_tmplt"), QStringLiteral("選択行の出力(T)"),
              [this] { OutTmplt(); });
    panelItem(edit, QStringLiteral("mni_del_sel"), QStringLiteral("選択範囲の削除(D)"));
    panelItem(edit, QStringLiteral("mni_del_unsel"), QStringLiteral("選択範囲以外の削除(U)"));
    QMenu* sendTo = edit->addMenu(MenuCaption(QStringLiteral("送る(S)")));
    sendTo->setObjectName(QStringLiteral("mn_sendto"));
    sendTo->setToolTipsVisible(true);
    sendTo->menuAction()->setObjectName(QStringLiteral("mn_sendto"));
    menus_.insert(QStringLiteral("mn_sendto"), sendTo);
    edit->addSeparator();
    AddAction(edit, QStringLiteral("mni_srch"), QStringLiteral("リスト内を検索(F)"),
              [this] { OpenRep(true); });
    AddAction(edit, QStringLiteral("mni_srch_next"), QStringLiteral("次を検索"),
              [this] { SrchNext(true); });
    AddAction(edit, QStringLiteral("mni_srch_prev"), QStringLiteral("前を検索"),
              [this] { SrchNext(false); });
    AddAction(edit, QStringLiteral("mni_rep"), QStringLiteral("選択範囲を置換(R)"),
              [this] { OpenRep(false); });
    actions_.value(QStringLiteral("mni_srch_next"))->setShortcut(QKeySequence::FindNext);
    actions_.value(QStringLiteral("mni_srch_prev"))->setShortcut(QKeySequence::FindPrevious);
    edit_init_.append(edit->addSeparator());
    edit_init_.append(panelItem(edit, QStringLiteral("mni_chk_true"),
                                QStringLiteral("選択行のチェックを入れる")));
    edit_init_.append(
        panelItem(edit, QStringLiteral("mni_chk_false"), QStringLiteral("選択行のチェックを外す")));
    edit_init_.append(
        panelItem(edit, QStringLiteral("mni_open_sel"), QStringLiteral("選択行のURLを開く(W)")));
    edit_init_.append(panelItem(edit, QStringLiteral("mni_set_base_sel"),
                                QStringLiteral("選択行のURLを基準URLに設定(B)")));
    edit_init_.append(
        panelItem(edit, QStringLiteral("mni_shfl"), QStringLiteral("リストのシャッフル")));
    edit_init_.append(panelItem(edit, QStringLiteral("mni_expnd_no"), QStringLiteral("連番展開")));
    edit_run_.append(edit->addSeparator());
    edit_run_.append(
        panelItem(edit, QStringLiteral("mni_skip"), QStringLiteral("選択行のDLをスキップ(K)")));
    edit_run_.append(
        panelItem(edit, QStringLiteral("mni_redl"), QStringLiteral("選択行を未DLに(E)")));
    edit_run_.append(panelItem(edit, QStringLiteral("mni_open_local"),
                               QStringLiteral("選択行のファイルを開く(O)")));
    edit_run_.append(panelItem(edit, QStringLiteral("mni_save"),
                               QStringLiteral("選択行のファイルを別フォルダに保存(V)")));
    edit_run_.append(panelItem(
        edit, QStringLiteral("mni_send_mwin"),
        QStringLiteral(
            "<HTML><BODY>選択行のURLを「DL＆検索 初期化」<BR>のリストに加える(M)</BODY></HTML>")));
    edit_schd_.append(edit->addSeparator());
    edit_schd_.append(
        panelItem(edit, QStringLiteral("mni_new_schd"), QStringLiteral("新規スケジュール(N)")));
    edit_schd_.append(
        panelItem(edit, QStringLiteral("mni_copy_schd"), QStringLiteral("スケジュールの複製(N)")));

    edit_file_.append(edit->addSeparator());
    edit_file_.append(
        panelItem(edit, QStringLiteral("mni_info"), QStringLiteral("選択行のDL情報を表示(I)")));
    edit_file_.append(panelItem(edit, QStringLiteral("mni_ref_open"),
                                QStringLiteral("選択行の参照元ページを開く(E)")));
    edit_file_.append(panelItem(edit, QStringLiteral("mni_url_open"),
                                QStringLiteral("選択行のDL前URLを開く(W)")));

    QMenu* tools = mkMenu(QStringLiteral("ツール(&T)"), QStringLiteral("mn_tool"));
    AddAction(tools, QStringLiteral("mni_exe_fldr"), QStringLiteral("EXEフォルダ(E)"), [this] {
        OpenOrLog(gui_, this, gui_.ctx.Home(),
                  QStringLiteral("ExeFolder Button Error : ") + gui_.ctx.Home());
    });
    AddAction(tools, QStringLiteral("mni_log_fldr"), QStringLiteral("DL先フォルダ(L)"), [this] {
        CtrlFile& ctrl = gui_.ctx.Ctrl();
        const QString dir = ctrl.RunFolder();
        OpenOrLog(gui_, this, ctrl.Abs(dir),
                  QStringLiteral("LogFolder Button Exec Error : ") + dir);
    });

    QMenu* opt = mkMenu(QStringLiteral("設定(&O)"), QStringLiteral("mn_opt"));
    AddAction(opt, QStringLiteral("mni_opt"), QStringLiteral("設定(O)"),
              [this] { OpenOptions(QString()); });

    QMenu* fav = mkMenu(QStringLiteral("お気に入り(&F)"), QStringLiteral("mn_fav"));
    initItem(fav, QStringLiteral("mni_fav_add"), QStringLiteral("追加(A)"));
    AddAction(fav, QStringLiteral("mni_fav_edit"), QStringLiteral("編集(E)"), [this] {
        const QString dir = gui_.ctx.Ctrl().Abs(QStringLiteral("favorite"));
        OpenOrLog(gui_, this, dir, QStringLiteral("FavEdit Button Exec Error : ") + dir);
    });
    QMenu* favSel = fav->addMenu(QStringLiteral("Korviお気に入り"));
    favSel->setObjectName(QStringLiteral("mn_fav_sel"));
    favSel->menuAction()->setObjectName(QStringLiteral("mn_fav_sel"));
    favSel->setToolTipsVisible(true);
    menus_.insert(QStringLiteral("mn_fav_sel"), favSel);
    connect(fav, &QMenu::aboutToShow, this, &Korvi::FillFavMenu);

    QMenu* ieFav = mkMenu(QStringLiteral("IEお気に入り"), QStringLiteral("mn_iefav_sel"));
    ieFav->menuAction()->setObjectName(QStringLiteral("mn_iefav_sel"));

    QMenu* help = mkMenu(QStringLiteral("ヘルプ(&H)"), QStringLiteral("mn_help"));
    AddAction(help, QStringLiteral("mni_web"), QStringLiteral("Webサイト"), [this] {
        OpenOrLog(gui_, this, kWebSite, QStringLiteral("Web Button Error : ") + kWebSite);
    });
    AddAction(help, QStringLiteral("mni_cp"), QStringLiteral("著作権情報"),
              [this] { OpenHelp(kRightsPage); });
    AddAction(help, QStringLiteral("mni_help"), QStringLiteral("ヘルプ"),
              [this] { OpenHelp(QStringLiteral("help.html")); });
    AddAction(help, QStringLiteral("mni_uss"), QStringLiteral("ユーザー・サポート・シート(U)"),
              [this] { OutUserSupportSheet(); });

    // Menus are no children of the window's widgets' tool-tip walk: set their
    // tips here.
    for (QMenu* menu : menus_) {
        const QString tip = ToolTipFor(objectName(), menu->objectName());
        if (!tip.isEmpty()) menu->menuAction()->setToolTip(tip);
    }
    for (QAction* a : findChildren<QAction*>()) {
        const QString tip = ToolTipFor(objectName(), a->objectName());
        if (!tip.isEmpty()) a->setToolTip(tip);
    }
    FillFavMenu();
}

void Korvi::ShowEditSections() {
    const int work = GetTypeWork();
    for (QAction* a : edit_init_) a->setVisible(work == kDsInit);
    for (QAction* a : edit_run_) a->setVisible(work == kDsAct);
    for (QAction* a : edit_file_) a->setVisible(work == kLogSrch);
    for (QAction* a : edit_schd_) a->setVisible(work == kSchd);
}

void Korvi::FillFavMenu() {
    QMenu* menu = menus_.value(QStringLiteral("mn_fav_sel"));
    if (!menu) return;
    menu->clear();
    const QDir dir(gui_.ctx.Ctrl().Abs(QStringLiteral("favorite")));
    const QStringList files = dir.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        QAction* a = menu->addAction(QFileInfo(f).completeBaseName());
        const QString path = QStringLiteral("favorite/") + f;
        connect(a, &QAction::triggered, this, [this, path] {
            init_->LoadFav(path);
            SelWork(kDsInit);
        });
    }
    menu->setEnabled(!files.isEmpty());
}

void Korvi::FillShortcutMenu(QMenu* menu, const QString& folder, bool sendTo) {
    menu->clear();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        menu->setEnabled(false);
        return;
    }
    menu->setEnabled(true);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot,
                          QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    if (!sendTo) {
        QAction* all = menu->addAction(QStringLiteral("このフォルダを全て追加"));
        connect(all, &QAction::triggered, this, [this, folder] {
            init_->List().AddShortcutFolder(folder, true);
            init_->ReadSource(QString(), true);
            SelWork(kDsInit);
        });
        menu->addSeparator();
    }
    for (const QFileInfo& info : entries) {
        if (info.isSymLink()) continue;
        if (info.isDir()) {
            if (sendTo) continue;
            QMenu* sub = menu->addMenu(info.fileName());
            sub->setToolTipsVisible(true);
            FillShortcutMenu(sub, info.absoluteFilePath(), false);
            continue;
        }
        const QString path = info.absoluteFilePath();
        QAction* a = menu->addAction(info.completeBaseName());
        if (sendTo) {
            connect(a, &QAction::triggered, this, [this, path] {
                WorkPanel* panel = CurrentPanel();
                const QString text = panel ? SelectedText(panel->EditTable()) : QString();
                const QString file = gui_.ctx.Ctrl().Abs(QStringLiteral("tmp/sendto.txt"));
                if (!gui_.ctx.Ctrl().SaveData(file, text) || !SendToEntry(path, file))
                    gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("SendTo Exec Error : ") + path);
            });
        } else {
            connect(a, &QAction::triggered, this, [this, path] {
                init_->ReadSource(path, true);
                SelWork(kDsInit);
            });
        }
    }
}

void Korvi::ExitServer() {
    // Asked while the window still stands; the server's close runs the
    // window's close order before the program ends.
    const Dialogs::Answer a = gui_.dlg.YesNo(
        this, QStringLiteral("KorviServer終了確認"),
        QStringLiteral("KorviServerを終了すると次回起動時に高速起動ができなくなります。\n"
                       "KorviServerを終了してもよいですか？\n"));
    if (a != Dialogs::Answer::kNo) Q_EMIT exitServerRequested();
}

void Korvi::OutTmplt() {
    WorkPanel* panel = CurrentPanel();
    WorkPanel* source = panel ? panel : init_;
    SelOutTmplt(gui_, this, source->SelectedOutputRows(), run_id_);
}

void Korvi::OpenRep(bool search) {
    WorkPanel* panel = CurrentPanel();
    RepTarget* target = panel ? panel->Replace() : nullptr;
    if (!target) return;
    QPointer<DlgRep> dlg =
        new DlgRep(gui_, *target, search ? DlgRep::Mode::kSearch : DlgRep::Mode::kReplace, this);
    gui_.dlg.Exec(dlg);
    delete dlg;
}

void Korvi::SrchNext(bool forward) {
    WorkPanel* panel = CurrentPanel();
    RepTarget* target = panel ? panel->Replace() : nullptr;
    if (target) DlgRep::SrchNext(gui_, *target, forward, this);
}

void Korvi::OutUserSupportSheet() {
    const QString optName = gui_.ctx.Cmn().Opt().option_type;
    const QString path = korvi::OutUserSupportSheet(
        gui_.ctx, kVersion, IsValidOptName(optName) ? OptPath(optName) : QString());
    if (path.isEmpty()) {
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("W_Main OutTmplt Exec Error : ") +
                                   QStringLiteral("user_support_sheet.txt"));
        gui_.dlg.Message(this, QStringLiteral("結果出力"),
                         QStringLiteral("出力ファイルを開けませんでした。"));
        return;
    }
    // Written but not opened: the message names the file so it can be found.
    const QPointer<Korvi> self(this);
    OpenOrLog(gui_, this, path, QStringLiteral("W_Main OutTmplt Exec Error : ") + path,
              [&gui = gui_, self, path] {
                  gui.dlg.Message(
                      self, QStringLiteral("結果出力"),
                      QStringLiteral("出力ファイルを開けませんでした。\n\n") + OpenFailText(path));
              });
}

}  // namespace korvi
