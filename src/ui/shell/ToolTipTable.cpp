#include "ui/shell/ToolTipTable.h"

#include <QAction>
#include <QHash>
#include <QWidget>

namespace korvi {

namespace {

struct Tip {
    const char16_t* panel;
    const char16_t* control;
    const char16_t* text;
};

// One table for every window. Keep each panel's rows together.
const Tip kTips[] = {
    // Korvi (main window)
    {u"Korvi", u"tree_work", u"実行する作業の内容を選択します。"},
    {u"Korvi", u"tree_logf", u"ファイルをDLするフォルダを選択します。"},
    {u"Korvi", u"btn_back_logf", u"基準となるDL先フォルダに戻ります。"},
    {u"Korvi", u"opt_box", u"「DL＆検索 設定」を、リストから選択します。"},
    {u"Korvi", u"close_btn", u"ウィンドウを閉じます。"},
    {u"Korvi", u"mni_open_lst", u"「DL＆検索」リストを初期化して、URLのリストを読み込みます。"},
    {u"Korvi", u"mni_save_lst", u"現在の「DL＆検索」リストを保存します。"},
    {u"Korvi", u"mni_out_tmplt",
     u"出力形式を選択して、リストの選択行の内容をファイルに出力します。"},
    {u"Korvi", u"mni_add_url", u"「DL＆検索」リストにURLを1つ追加します。"},
    {u"Korvi", u"mni_add_lst", u"「DL＆検索」リストにURLのリストを追加します。"},
    {u"Korvi", u"mni_end", u"ウィンドウを閉じます。"},
    {u"Korvi", u"mni_exit", u"本ソフトを完全に停止します。次回起動時は高速起動ができません。"},
    {u"Korvi", u"mni_copy_sel", u"選択範囲をコピーします。"},
    {u"Korvi", u"mni_del_sel", u"選択行を削除します。"},
    {u"Korvi", u"mni_del_unsel", u"選択範囲以外の行を削除します。"},
    {u"Korvi", u"mn_sendto", u"アプリケーションに選択範囲の文字列を送ります。"},
    {u"Korvi", u"mni_srch", u"文字列を検索します。"},
    {u"Korvi", u"mni_srch_next", u"下に向けて検索を行います。"},
    {u"Korvi", u"mni_srch_prev", u"上に向けて検索を行います。"},
    {u"Korvi", u"mni_rep",
     u"<HTML><BODY>選択範囲を置換します。<BR>選択範囲が１行以下の場合は全て置換します。</BODY></"
     u"HTML>"},
    {u"Korvi", u"mni_chk_true", u"選択範囲の「検索」列にチェックを入れます。"},
    {u"Korvi", u"mni_chk_false", u"選択範囲の「検索」列のチェックを外します。"},
    {u"Korvi", u"mni_open_sel", u"選択行のURLを開きます。"},
    {u"Korvi", u"mni_set_base_sel", u"選択行のURLを基準URLに設定します。"},
    {u"Korvi", u"mni_shfl", u"同じサーバーが連続しないようにリストを並べ替えます。"},
    {u"Korvi", u"mni_expnd_no", u"選択した行のURLを元に、連番を展開します。"},
    {u"Korvi", u"mni_skip", u"選択行のDLを停止します。"},
    {u"Korvi", u"mni_redl", u"選択行の「結果」を「未」DL状態に設定します。"},
    {u"Korvi", u"mni_open_local", u"選択行のローカル・ファイルを開きます。"},
    {u"Korvi", u"mni_save", u"選択行のファイルを、別のフォルダにまとめてコピーします。"},
    {u"Korvi", u"mni_send_mwin", u"選択している行のURLを「DL＆検索 初期化」のリストに送ります。"},
    {u"Korvi", u"mni_exe_fldr", u"本ソフトのあるフォルダをExplorerで開きます。"},
    {u"Korvi", u"mni_log_fldr", u"DLしたファイルのあるフォルダをExplorerで開きます。"},
    {u"Korvi", u"mni_opt", u"設定ウィンドウを開きます。"},
    {u"Korvi", u"mni_fav_add",
     u"<HTML><BODY>現在のDL＆検索の設定とリストの内容を、<BR>お気に入りとして保存します。</BODY></"
     u"HTML>"},
    {u"Korvi", u"mni_fav_edit", u"本ソフトのお気に入りを整理します。"},
    {u"Korvi", u"mn_fav_sel", u"本ソフトのお気に入りのデータを選択します。"},
    {u"Korvi", u"mn_iefav_sel", u"IEのお気に入りのデータをリストに追加します。"},
    {u"Korvi", u"mni_web", u"Korviのホームページを開きます。"},
    {u"Korvi", u"mni_cp", u"コピーライトに関するドキュメントを開きます。"},
    {u"Korvi", u"mni_help", u"ヘルプを開きます。"},
    {u"Korvi", u"mni_uss",
     u"<HTML><BODY>ユーザー・サポート・シートを出力します。<BR>"
     u"ユーザー・サポートの際は、このシートに記入の上、<BR>本文をメールに貼り付けて送って下さい。</"
     u"BODY></HTML>"},
    {u"Korvi", u"guide_btn", u"ガイドを開きます。"},
    {u"Korvi", u"help_btn", u"選択している作業のヘルプを開きます。"},
    {u"Korvi", u"btn_move_savef", u"DL先フォルダのツリーのルートを変更します。"},
    {u"Korvi", u"btn_new_savef", u"新しいDL先フォルダを作成します。"},
    {u"Korvi", u"btn_rename_savef", u"選択しているDL先フォルダの名前を変更します。"},
    {u"Korvi", u"btn_open_savef", u"選択しているDL先フォルダを開きます。"},
    {u"Korvi", u"opt_btn_edt", u"選択した「DL＆検索 設定」を編集します。"},
    {u"Korvi", u"opt_btn_apl", u"選択した「DL＆検索 設定」を適用します。"},

    // WinSrvr
    {u"WinSrvr", u"btn_korvi_strt", u"Korviのメイン・ウィンドウを開きます。"},

    // KorviDlSrchInit

    // WinSrch
    {u"WinSrch", u"ctr_btn_stop",
     u"<HTML><BODY>DL＆検索を一時停止します。<BR>もう一度押すと再開します。</BODY></HTML>"},
    {u"WinSrch", u"ctr_btn_open", u"選択行のURLを開きます。"},
    {u"WinSrch", u"ctr_btn_open_l", u"選択行のローカル・ファイルを開きます。"},
    {u"WinSrch", u"h_light_cb", u"ローカル・ファイルを、検索語をハイライト化して開きます。"},
    {u"WinSrch", u"ctr_btn_skip", u"選択行のDLを停止します。"},
    {u"WinSrch", u"ctr_btn_redl", u"選択行の「結果」を「未」DL状態に設定します。"},
    {u"WinSrch", u"sch_txt", u"これからDLするページの検索に使う検索語です。"},

    // WinOpt

    // WinOptIndvRoot

    // WinOptIndv

    // WinOptSrch

    // WinOptThm

    // DlgRep

    // end of table
};

QHash<QString, QString> BuildIndex() {
    QHash<QString, QString> index;
    for (const Tip& t : kTips) {
        index.insert(QString::fromUtf16(t.panel) + u'/' + QString::fromUtf16(t.control),
                     QString::fromUtf16(t.text));
    }
    return index;
}

}  // namespace

QString ToolTipFor(const QString& panel, const QString& control) {
    static const QHash<QString, QString> index = BuildIndex();
    return index.value(panel + u'/' + control);
}

void InitToolTip(QWidget* panel) {
    if (!panel) return;
    const QString name = panel->objectName();
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const QString tip = ToolTipFor(name, w->objectName());
        if (!tip.isEmpty()) w->setToolTip(tip);
    }
    for (QAction* a : panel->findChildren<QAction*>()) {
        const QString tip = ToolTipFor(name, a->objectName());
        if (!tip.isEmpty()) a->setToolTip(tip);
    }
}

}  // namespace korvi
