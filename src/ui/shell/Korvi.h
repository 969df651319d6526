#pragma once

// ui/shell: the roof (main window, its menus, the folder-tree menu, the
// settings window). May include any ui/ folder; nothing but the resident
// window and the program's main includes it.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "ui/common/MainWindowLink.h"

class QAction;
class QFileSystemModel;
class QMenu;
class QMimeData;

namespace Ui {
class KorviBody;
}

namespace korvi {

struct DueSchd;
struct GuiContext;
class KorviDlSrchInit;
class KorviSchd;
class WinLogSrch;
class WinLogAnls;
class WinOpt;
class WinSchd;
class WinSrch;
class WorkPanel;

// The main window: work categories, download-folder tree, settings box,
// footer and menus. Built inside the resident process on "StartKorvi".
class Korvi : public QMainWindow, public MainWindowLink {
    Q_OBJECT
public:
    static inline const QString kVersion = QStringLiteral("1.302");
    static inline const QString kDataIni = QStringLiteral("data.ini");

    explicit Korvi(GuiContext& gui, QWidget* parent = nullptr);
    ~Korvi() override;

    // The schedule table the panel edits (the resident loop's); set before
    // InitKorvi. Without one the window keeps a table of its own.
    void SetSchedules(KorviSchd* table) { schd_table_ = table; }

    // The whole construction; source is the list source read into the init
    // list (null: "data.ini"). shown false builds the window hidden;
    // forSchedule builds it for a schedule's run, which never opens the guide.
    void InitKorvi(const QString& source, bool shown, bool forSchedule = false);

    // Requests of the resident loop.
    void AppendSource(const QString& source);
    void SetSearchWord(const QString& word) override;
    void StartDlSearch(bool search);
    void FocusUrlField();
    // A schedule's run: its favourite, its folder, the start button, quiet.
    void StartSchedule(const DueSchd& entry, const QString& saveName);

    // Work categories (GetTypeWork and SelWork).
    int GetTypeWork() const;
    void SelWork(int work) override;

    // The run folder name of the next run, and putting a new one into force.
    const QString& RunId() const { return run_id_; }
    bool MoveSrchStartId(const QString& runId);

    // Closes the window as "閉じる" does (Close); ForceClose skips nothing but
    // the dialogs' questions.
    void ForceClose();

    // Files, URLs or text dropped on the window, read as list sources.
    void ReadDropped(const QMimeData* data);

    // The guide window; one at a time.
    void OpenGuide();
    QWidget* Guide() const { return guide_; }
    // Shows the pictures of the run in the file search panel.
    void ShowPictures(const QString& filter, int minKb) override;

    KorviDlSrchInit* InitPanel() const { return init_; }
    WinSrch* RunPanel() const { return srch_; }
    // "続きから再開" of the folder tree: the selected run folder's interrupted run.
    void ResumeSelected();
    // Puts the profile into force and shows it in the settings box (「適用」).
    void UseProfile(const QString& name) override;
    WinSchd* SchdPanel() const { return schd_; }
    WinLogSrch* FileSearchPanel() const { return logsrch_; }
    WinLogAnls* AnlsPanel() const { return anls_; }
    QAction* Action(const QString& name) const { return actions_.value(name); }

    // MainWindowLink
    QWidget* Window() override { return this; }
    QMetaObject::Connection OnRunState(QObject* receiver,
                                       std::function<void(bool running)> fn) override;
    DlSrchOpt NextOpt() const override;
    void SetNextOpt(const DlSrchOpt& opt) override;
    InitList& StartList() override;
    void ReadStartSource(const QString& source, bool append) override;
    void StartListChanged() override;
    bool RunListFilled() override;
    void ResetRunList() override;

Q_SIGNALS:
    // The window closed (DelKorvi).
    void closed();
    // "KorviServerごと終了" was confirmed.
    void exitServerRequested();
    // A run started or ended.
    void runStateChanged(bool running);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void MkKorviBody();
    void InitWorkPnl();
    void InitTreeWork();
    void InitTreeLogf();
    void InitOptBox();
    void InitFooter();
    // Menus (KorviMenus.cpp).
    void InitMenu();
    QAction* AddAction(QMenu* menu, const QString& name, const QString& caption,
                       std::function<void()> handler);
    void ShowEditSections();
    void ExitServer();
    void OutTmplt();
    // The search (or replace) dialog over the shown panel's list.
    void OpenRep(bool search);
    void SrchNext(bool forward);
    void FillFavMenu();
    void FillShortcutMenu(QMenu* menu, const QString& folder, bool sendTo);
    void OutUserSupportSheet();
    // Window position (WinPosition) from the live window.
    void TakeWinPosition();
    void WinPosition();
    void GetEnvPrm();
    void SetEnvPrm(const QString& scriptOutput);
    void SaveCmnOpt();
    bool DoClose(bool ask);
    WorkPanel* CurrentPanel() const;
    WinOpt* OpenOptions(const QString& category);
    void SelectLogFolder(const QModelIndex& index);
    bool IsRunFolder(const QString& path) const;
    void SetLogfRoot(const QString& path);
    // The folder chosen in the folder tree; its root when none is.
    QString LogfSelected() const;

    GuiContext& gui_;
    std::unique_ptr<Ui::KorviBody> ui_;
    KorviDlSrchInit* init_ = nullptr;
    WinSrch* srch_ = nullptr;
    WinLogSrch* logsrch_ = nullptr;
    WinLogAnls* anls_ = nullptr;
    QFileSystemModel* logf_model_ = nullptr;
    QString logf_root_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    // Edit-menu sections by category: the actions shown only there.
    QList<QAction*> edit_init_;
    QList<QAction*> edit_run_;
    QList<QAction*> edit_file_;
    QList<QAction*> edit_schd_;
    QPointer<QWidget> guide_;
    QString run_id_;
    QString favorites_dir_;
    QString sendto_dir_;
    bool building_ = false;
    bool quiet_next_ = false;  // the next run is a schedule's
    bool schd_run_ = false;    // built by a schedule
    KorviSchd* schd_table_ = nullptr;
    std::unique_ptr<KorviSchd> own_schd_;
    WinSchd* schd_ = nullptr;
    bool closed_ = false;
};

}  // namespace korvi
