#include "ui/guide/WinGuide.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QPushButton>
#include <QSignalBlocker>

#include "engine/RunControl.h"
#include "engine/profile/Profile.h"
#include "guide/GuideDat.h"
#include "guide/SrchEngineList.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/WinSrch.h"
#include "ui/guide/GuidePicOffer.h"
#include "ui/present/Dialogs.h"
#include "ui/present/ThemeApply.h"
#include "ui/shell/GuiContext.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/ToolTipTable.h"
#include "ui_WinGuide.h"

namespace korvi {

namespace {

const QString kTitle = QStringLiteral("ガイド");
const QString kKorviWordTitle = QStringLiteral("Korvi検索単語の入力");
const QString kKorviWordText =
    QStringLiteral("DLしたページの中から検索する文字列を入力して下さい。");
const int kUserColumns = 3;

// The words a preset asked for.
struct Asked {
    QString engineWord;
    QString count;
    QString inPage;
    QString word;
};

bool Blank(const QString& s) {
    return Assist::Trim(s).isEmpty();
}

}  // namespace

WinGuide::WinGuide(GuiContext& gui, Korvi& main, QWidget* parent)
    : QWidget(parent, Qt::Window),
      gui_(gui),
      main_(main),
      ui_(std::make_unique<Ui::WinGuideForm>()) {
    setObjectName(QStringLiteral("WinGuide"));
    ApplyTheme(gui_.ctx, QStringLiteral("W_Srch "));
    ui_->setupUi(this);
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(gui_.ctx.Ctrl().Abs(QStringLiteral("resource/pic/icon.gif"))));
    InitSrchBtn();
    InitDlBtn();
    InitPicBtn();
    InitOtherBtn();
    InitBtn();
    {
        const QSignalBlocker block(ui_->view_cb);
        ui_->view_cb->setChecked(gui_.ctx.Cmn().Opt().GuideOpensAtStart());
    }
    connect(ui_->view_cb, &QCheckBox::toggled, this, &WinGuide::ViewChanged);
    connect(ui_->help_btn, &QPushButton::clicked, this, &WinGuide::OpenHelp);
    connect(ui_->close_btn, &QPushButton::clicked, this, &WinGuide::Close);
    InitToolTip(this);
}

WinGuide::~WinGuide() = default;

// ---- buttons ----

void WinGuide::Connect(QPushButton* button, GuidePreset preset) {
    connect(button, &QPushButton::clicked, this, [this, preset] { RunPreset(preset); });
}

void WinGuide::InitSrchBtn() {
    Connect(ui_->srch_site_btn, GuidePreset::kSrchSite);
    Connect(ui_->srch_link_btn, GuidePreset::kSrchLink);
    Connect(ui_->srch_dir_btn, GuidePreset::kSrchDir);
}

void WinGuide::InitDlBtn() {
    Connect(ui_->dl_site_btn, GuidePreset::kDlSite);
    Connect(ui_->dl_link_btn, GuidePreset::kDlLink);
    Connect(ui_->dl_dir_btn, GuidePreset::kDlDir);
}

void WinGuide::InitPicBtn() {
    Connect(ui_->pic_site_btn, GuidePreset::kPicSite);
    Connect(ui_->pic_link_btn, GuidePreset::kPicLink);
    Connect(ui_->pic_dir_btn, GuidePreset::kPicDir);
}

void WinGuide::InitOtherBtn() {
    Connect(ui_->google_link_btn, GuidePreset::kGoogleLink);
    Connect(ui_->srch_engn_link_btn, GuidePreset::kSrchEngnLink);
    Connect(ui_->google_img_btn, GuidePreset::kGoogleImg);
    Connect(ui_->frc_link_btn, GuidePreset::kFrcLink);
}

void WinGuide::InitBtn() {
    CtrlFile& ctrl = gui_.ctx.Ctrl();
    const QList<QStringList> groups = LoadGuideDat(ctrl);
    for (const QStringList& names : groups) {
        auto* row = new QGridLayout();
        for (int i = 0; i < names.size(); ++i) {
            const QString& name = names[i];
            auto* button = new QPushButton(name, ui_->user_grp);
            button->setObjectName(QStringLiteral("user_btn_") + name);
            DlSrchOpt opt;
            if (LoadOpt(ctrl, name, opt) && !opt.guide_pic.isEmpty()) {
                const QString pic = ctrl.Abs(opt.guide_pic);
                if (QFileInfo(pic).isFile()) button->setIcon(QIcon(pic));
            }
            button->setToolTip(QStringLiteral("設定「") + name +
                               QStringLiteral("」でDL＆検索の準備をします。"));
            connect(button, &QPushButton::clicked, this, [this, name] { RunUserPreset(name); });
            row->addWidget(button, i / kUserColumns, i % kUserColumns);
        }
        ui_->user_lay->addLayout(row);
    }
    ui_->user_grp->setVisible(!groups.isEmpty());
}

// ---- presets ----

bool WinGuide::RunPreset(GuidePreset preset) {
    return Run(PlanOf(preset), [this, preset] {
        DlSrchOpt opt = main_.InitPanel()->Opt();
        ApplyPreset(preset, opt);
        main_.InitPanel()->SetOpt(opt);
    });
}

bool WinGuide::RunUserPreset(const QString& name) {
    DlSrchOpt opt;
    if (!LoadOpt(gui_.ctx.Ctrl(), name, opt)) {
        Dialog(QStringLiteral("設定ファイル読み込みエラー"),
               QStringLiteral("選択した設定ファイルの中身がありません。"));
        return false;
    }
    return Run(PlanOf(opt), [this, name] { main_.UseProfile(name); });
}

bool WinGuide::Run(const GuidePlan& plan, const std::function<void()>& applyProfile) {
    // Every question comes first: a cancelled one leaves everything as it was.
    Asked a;
    bool ok = true;
    switch (plan.engine) {
        case SrchEngine::kGoogle: {
            Dialog(QStringLiteral("Googleの結果を検索"),
                   QStringLiteral("Googleで検索した結果のページから、そのリンク先とキャッシュを全て"
                                  "DLして、指定した文字列を検索します。\n\n"
                                  "この後、Googleで検索する文字列、検索する数、DLしたページの中から"
                                  "検索する文字列を順に入力して下さい。"));
            a.engineWord = GetStrDialog(QStringLiteral("Google検索単語の入力"),
                                        QStringLiteral("Googleで検索する文字列を入力して下さい。"));
            ok = !Blank(a.engineWord);
            if (ok) {
                const QStringList counts = SrchCounts();
                const int at =
                    SelLstDialog(QStringLiteral("Google検索数の選択"),
                                 QStringLiteral("Googleで検索する数を選択して下さい。"), counts);
                ok = at >= 0 && at < counts.size();
                if (ok) a.count = counts[at];
            }
            if (ok) {
                a.inPage = GetStrDialog(kKorviWordTitle, kKorviWordText);
                ok = !Blank(a.inPage);
            }
            break;
        }
        case SrchEngine::kSearchList:
            a.engineWord =
                GetStrDialog(QStringLiteral("検索エンジン検索単語の入力"),
                             QStringLiteral("検索エンジンで検索する文字列を入力して下さい。"));
            ok = !Blank(a.engineWord);
            if (ok) {
                a.inPage = GetStrDialog(kKorviWordTitle, kKorviWordText);
                ok = !Blank(a.inPage);
            }
            break;
        case SrchEngine::kGoogleImage:
            a.engineWord =
                GetStrDialog(QStringLiteral("Googleイメージ検索単語の入力"),
                             QStringLiteral("Googleイメージで検索する文字列を入力して下さい。"));
            ok = !Blank(a.engineWord);
            break;
        case SrchEngine::kNone:
            break;
    }
    if (ok && plan.asksWord) {
        a.word = GetStrDialog(QStringLiteral("検索単語の入力"),
                              QStringLiteral("検索する文字列を入力して下さい。"));
        ok = !Blank(a.word);
    }
    if (!ok) {
        Dialog(QStringLiteral("検索する文字列の不備"),
               QStringLiteral("検索する文字列が未入力なので終了します。"));
        return false;
    }
    // A site preset on an empty list has nothing to start from.
    QString start;
    if (NeedsStartUrl(plan) && main_.InitPanel()->List().RowCount() == 0) {
        start = GuideStartUrl(GetStrDialog(QStringLiteral("開始URLの入力"),
                                           QStringLiteral("DL＆検索を始めるサイトのURLを"
                                                          "入力して下さい。")));
        if (start.isEmpty()) {
            Dialog(QStringLiteral("開始URLの不備"),
                   QStringLiteral("開始URLが未入力なので終了します。"));
            return false;
        }
    }
    QString encoded;
    if (plan.engine != SrchEngine::kNone) {
        CtrlFile& ctrl = gui_.ctx.Ctrl();
        encoded = EncodeWordUtf8(a.engineWord, [&ctrl](const QString& m) { ctrl.SaveErrLog(m); });
        ok = !encoded.isNull();
    }
    if (!ok) {
        Dialog(QStringLiteral("検索する文字列の不備"),
               QStringLiteral("検索する文字列が未入力なので終了します。"));
        return false;
    }
    const QString list = SrchLstPath(plan.engine);
    if (!list.isEmpty() && !QFileInfo(gui_.ctx.Ctrl().Abs(list)).isFile()) {
        gui_.ctx.Ctrl().SaveErrLog(QStringLiteral("W_Guide Read List Error : not found ") + list);
        Dialog(QStringLiteral("検索リストの不在"),
               QStringLiteral("検索リスト「") + list + QStringLiteral("」がありません。"));
        return false;
    }

    KorviDlSrchInit* init = main_.InitPanel();
    applyProfile();
    if (!start.isEmpty()) init->ReadSource(start, false);
    if (!list.isEmpty()) {
        init->ReadSource(list, false);
        FillSrchLst(init->List(), {encoded, a.inPage, a.count});
        init->Refresh();
    }
    if (!a.word.isEmpty()) init->SetSearchWord(a.word);
    if (!a.inPage.isEmpty()) init->SetSearchWord(a.inPage);
    GuidePicOffer::Arm(gui_, main_, plan);

    main_.SelWork(Korvi::kDsInit);
    if (!main_.isVisible()) main_.show();
    main_.raise();
    Dialog(kTitle, ClosingMessage(plan.start, plan.picFollowUp));
    Close();
    return true;
}

// ---- dialogs ----

QString WinGuide::GetStrDialog(const QString& title, const QString& text) {
    return gui_.dlg.Input(this, title, text, QString());
}

int WinGuide::SelLstDialog(const QString& title, const QString& text, const QStringList& items) {
    return gui_.dlg.Choose(this, title, text, items, 0);
}

void WinGuide::Dialog(const QString& title, const QString& text) {
    gui_.dlg.Message(this, title, text);
}

// ---- footer and closing ----

void WinGuide::ViewChanged(bool view) {
    CommonSettings& cmn = gui_.ctx.Cmn();
    cmn.Opt().guide_view = view ? 0 : 1;
    // Kept at once: the choice must survive even when the main window is not closed normally.
    cmn.SaveHeld([view](Assist& ini) {
        ini.SetIni(QStringLiteral("CommonOption"), QStringLiteral("guide_view"),
                   view ? QStringLiteral("0") : QStringLiteral("1"));
    });
}

void WinGuide::OpenHelp() {
    main_.OpenHelp(QStringLiteral("win_guide.html"));
}

void WinGuide::Close() {
    close();
}

void WinGuide::closeEvent(QCloseEvent* event) {
    // A question of a preset is open: the guide closes once it is answered.
    if (gui_.dlg.DeferClose(this, event)) return;
    if (!asked_reset_) {
        asked_reset_ = true;
        RunControl* run = main_.RunPanel() ? main_.RunPanel()->Run() : nullptr;
        if (run && run->List().Count() > 0 && main_.InitPanel()->resetRun &&
            gui_.dlg.Confirm(
                this, QStringLiteral("DL初期化の確認"),
                QStringLiteral(
                    "DL＆検索 実行のリストを初期化してもよいですか？\n\n新規にDL&検索を"
                    "行なうには、DL＆検索 実行のリストを初期化する必要があります。\n（この"
                    "ことによって、過去にDLしたファイルは削除されません）\n")))
            main_.InitPanel()->resetRun();
    }
    event->accept();
}

}  // namespace korvi
