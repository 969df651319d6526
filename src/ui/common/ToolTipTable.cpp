#include "ui/common/ToolTipTable.h"

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
    {u"KorviDlSrchInit", u"b_url_txt",
     u"「基準URL」です。リストの「範囲」はこのURLを基準に決まります。"},
    {u"KorviDlSrchInit", u"b_url_btn", u"「基準URL」を変更します。"},
    {u"KorviDlSrchInit", u"add_b_url_btn", u"「基準URL」をリストに追加します。"},
    {u"KorviDlSrchInit", u"tgt_cb_all", u"全ての範囲のURLを対象にします。"},
    {u"KorviDlSrchInit", u"tgt_cb_dm_out", u"基準URLのドメイン外のURLを対象にします。"},
    {u"KorviDlSrchInit", u"tgt_cb_dm_in", u"基準URLのドメイン内のURLを対象にします。"},
    {u"KorviDlSrchInit", u"tgt_cb_dr_out",
     u"基準URLのドメイン内で、ディレクトリ外のURLを対象にします。"},
    {u"KorviDlSrchInit", u"tgt_cb_dr_in", u"基準URLのディレクトリ内のURLを対象にします。"},
    {u"KorviDlSrchInit", u"flt_r_all", u"全ての拡張子のURLを対象にします。"},
    {u"KorviDlSrchInit", u"flt_r_in", u"指定の拡張子のURLを対象にします。"},
    {u"KorviDlSrchInit", u"flt_r_out", u"指定の拡張子以外のURLを対象にします。"},
    {u"KorviDlSrchInit", u"flt_txt",
     u"<HTML><BODY>フィルタリングする拡張子を「,（カンマ）」区切りで指定します。<BR>"
     u"拡張子がないファイルは、「-（ハイフン）」で指定します。</BODY></HTML>"},
    {u"KorviDlSrchInit", u"flt_cb_start", u"開始URLのリストにも拡張子のフィルタを適用します。"},
    {u"KorviDlSrchInit", u"init_tbl", u"DL＆検索を開始するURLのリストです。"},
    {u"KorviDlSrchInit", u"sch_box", u"検索する文字列を入力します。"},
    {u"KorviDlSrchInit", u"case_insnstv_cb", u"大文字と小文字の区別を行うかどうかを切り換えます。"},
    {u"KorviDlSrchInit", u"sch_btn", u"リストのURLから、DLと検索を開始します。"},
    {u"KorviDlSrchInit", u"dl_btn", u"リストのURLから、DLのみを開始します。"},
    {u"KorviDlSrchInit", u"dl_ini_btn",
     u"<HTML><BODY>DL＆検索の進行を初期化します。<BR>次回は新しいDL先フォルダにDLします。</BODY></"
     u"HTML>"},
    {u"KorviDlSrchInit", u"lst_btn_open", u"選択行のURLをブラウザで開きます。"},

    // WinSrch
    {u"WinSrch", u"ctr_btn_stop",
     u"<HTML><BODY>DL＆検索を一時停止します。<BR>もう一度押すと再開します。</BODY></HTML>"},
    {u"WinSrch", u"ctr_btn_open", u"選択行のURLを開きます。"},
    {u"WinSrch", u"ctr_btn_open_l", u"選択行のローカル・ファイルを開きます。"},
    {u"WinSrch", u"h_light_cb", u"ローカル・ファイルを、検索語をハイライト化して開きます。"},
    {u"WinSrch", u"ctr_btn_skip", u"選択行のDLを停止します。"},
    {u"WinSrch", u"ctr_btn_redl", u"選択行の「結果」を「未」DL状態に設定します。"},
    {u"WinSrch", u"ctr_btn_resume", u"中断したDL＆検索を、止まったところから続けます。"},
    {u"WinSrch", u"sch_txt", u"これからDLするページの検索に使う検索語です。"},

    // WinLogSrch
    {u"WinLogSrch", u"sch_box", u"検索する文字列を入力します。"},
    {u"WinLogSrch", u"case_insnstv_cb", u"大文字と小文字の区別を行うかどうかを切り換えます。"},
    {u"WinLogSrch", u"sch_btn", u"検索語を含むファイルの検索を開始します。"},
    {u"WinLogSrch", u"get_btn", u"ファイルの抽出を開始します。"},
    {u"WinLogSrch", u"flt_r_all", u"全てのファイルを検索、抽出対象とします。"},
    {u"WinLogSrch", u"flt_r_in", u"指定の拡張子のファイルを検索、抽出対象とします。"},
    {u"WinLogSrch", u"flt_r_out", u"指定の拡張子以外のファイルを検索、抽出対象とします。"},
    {u"WinLogSrch", u"flt_txt",
     u"<HTML><BODY>フィルタリングする拡張子を「,（カンマ）」区切りで指定します。<BR>"
     u"拡張子がないファイルは、「-（ハイフン）」で指定します。</BODY></HTML>"},
    {u"WinLogSrch", u"siz_r_up", u"指定のサイズ以上のファイルを検索、抽出対象とします。"},
    {u"WinLogSrch", u"siz_r_dwn", u"指定のサイズ以下のファイルを検索、抽出対象とします。"},
    {u"WinLogSrch", u"siz_txt", u"ファイル・サイズを指定します。"},
    {u"WinLogSrch", u"pic_v_cb", u"サムネイル付きで、検索・抽出結果を表示します。"},
    {u"WinLogSrch", u"ctr_btn_save", u"検索リストで選択したファイルを、別フォルダに保存します。"},
    {u"WinLogSrch", u"ctr_btn_save_all",
     u"リストの全てのファイルを、別のフォルダにまとめてコピーします。"},
    {u"WinLogSrch", u"tag_btn_info",
     u"<HTML><BODY>DLファイルの末尾タグを、ダイアログで表示します。<BR>"
     u"（末尾タグがない場合は何も起きません）</BODY></HTML>"},
    {u"WinLogSrch", u"tag_btn_ref_open",
     u"<HTML><BODY>ファイルのDL元のページを開きます。<BR>"
     u"（末尾タグがない場合は何も起きません）</BODY></HTML>"},

    // WinOpt
    {u"WinOpt", u"tree_opt", u"設定するカテゴリを選択します。"},
    {u"WinOpt", u"help_btn", u"選択しているカテゴリのヘルプを表示します。"},
    {u"WinOpt", u"close_btn", u"ウィンドウを閉じます。"},
    {u"WinOpt", u"cb_not_ie",
     u"<HTML><BODY>複数のURLを一度に開くとき、ブラウザに送らずに、<BR>"
     u"デスクトップの既定のアプリケーションで開きます。</BODY></HTML>"},
    {u"WinOpt", u"btn_save_brws", u"設定を保存します。"},

    // WinOptIndvRoot
    {u"WinOptIndvRoot", u"lst_opt", u"編集する「DL＆検索 設定」を選択します。"},
    {u"WinOptIndvRoot", u"btn_new_opt", u"「デフォルト」を元に、新しい設定を作成します。"},
    {u"WinOptIndvRoot", u"btn_copy_opt", u"選択している設定を複製します。"},
    {u"WinOptIndvRoot", u"btn_rename_opt", u"選択している設定の名前を変更します。"},
    {u"WinOptIndvRoot", u"btn_del_opt", u"選択している設定を削除します。"},

    // WinOptHttpSrvr
    {u"WinOptHttpSrvr", u"cb_use",
     u"KorviServerの起動時に、HTTPサーバーを起動するか否かを設定します。"},
    {u"WinOptHttpSrvr", u"btn_stt", u"保存されている設定で、HTTPサーバーを起動または停止します。"},
    {u"WinOptHttpSrvr", u"txt_port", u"HTTPサーバーが受け付けるポート番号です。"},
    {u"WinOptHttpSrvr", u"txt_q_reload", u"検索結果を待つページが再読み込みするまでの秒数です。"},
    {u"WinOptHttpSrvr", u"cmb_accs", u"アクセスを受け入れるクライアントの制御方法を選択します。"},
    {u"WinOptHttpSrvr", u"btn_avoid_lst", u"除外リスト（avoid.txt）を開きます。"},
    {u"WinOptHttpSrvr", u"btn_accpt_lst", u"受け入れリスト（accept.txt）を開きます。"},
    {u"WinOptHttpSrvr", u"cb_um_use",
     u"<HTML><BODY>CGIを利用したURLマウントを<BR>利用するか否かを設定します</BODY></HTML>"},
    {u"WinOptHttpSrvr", u"txt_um_url", u"URLマウントのCGIのURLです。"},
    {u"WinOptHttpSrvr", u"txt_um_pw", u"URLマウントのCGIに送るパスワードです。"},
    {u"WinOptHttpSrvr", u"txt_um_ip", u"現在のこのPCのIPアドレスです"},
    {u"WinOptHttpSrvr", u"btn_um_now",
     u"<HTML><BODY>今すぐURLマウントのCGIに<BR>このPCのIPを送信します。</BODY></HTML>"},
    {u"WinOptHttpSrvr", u"btn_save_srvr", u"設定を保存します。"},

    // WinOptAutoLogin
    {u"WinOptAutoLogin", u"lst_al", u"編集する自動ログインのファイルを選択します。"},
    {u"WinOptAutoLogin", u"btn_new_al", u"新しい自動ログインのファイルを作成します。"},
    {u"WinOptAutoLogin", u"btn_copy_al", u"選択しているファイルを複製します。"},
    {u"WinOptAutoLogin", u"btn_rename_al", u"選択しているファイルの名前を変更します。"},
    {u"WinOptAutoLogin", u"btn_del_al", u"選択しているファイルを削除します。"},
    {u"WinOptAutoLogin", u"txt_al", u"選択しているファイルの内容です。"},
    {u"WinOptAutoLogin", u"btn_save_al", u"編集した内容を保存します。"},

    // WinOptIndv
    {u"WinOptIndv", u"txt_opt_name", u"設定の名前を入力します。"},
    {u"WinOptIndv", u"cb_copy", u"設定名を変更して保存するとき、変更前の設定を残します。"},
    {u"WinOptIndv", u"depth_max", u"開始URLから何階層下のリンクまでたどるかを設定します。"},
    {u"WinOptIndv", u"hit_max",
     u"検索語に適合したページがこの数に達すると停止します。0は無制限です。"},
    {u"WinOptIndv", u"page_max", u"DLしたファイルがこの数に達すると停止します。0は無制限です。"},
    {u"WinOptIndv", u"thrd_max", u"同時にDLを行うスレッドの数を設定します。"},
    {u"WinOptIndv", u"all", u"全てのURLを対象にします。"},
    {u"WinOptIndv", u"domain_out", u"基準URLのサーバーの外のURLを対象にします。"},
    {u"WinOptIndv", u"domain_in", u"基準URLのサーバーの中のURLを対象にします。"},
    {u"WinOptIndv", u"directory_out",
     u"基準URLのサーバーの中で、基準ディレクトリの外のURLを対象にします。"},
    {u"WinOptIndv", u"directory_in", u"基準ディレクトリの中のURLを対象にします。"},
    {u"WinOptIndv", u"type", u"拡張子フィルタの種類を選択します。"},
    {u"WinOptIndv", u"string", u"拡張子フィルタの拡張子をカンマ区切りで入力します。"},
    {u"WinOptIndv", u"start", u"開始URL（1階層目）にも拡張子フィルタを適用します。"},
    {u"WinOptIndv", u"connect", u"サーバーへの接続を待つ秒数です。0は無限に待ちます。"},
    {u"WinOptIndv", u"get", u"データの取得を待つ秒数です。0は無限に待ちます。"},
    {u"WinOptIndv", u"re_time",
     u"「503」が返されたときに再接続まで待つ秒数です。0は再接続しません。"},
    {u"WinOptIndv", u"host_wait",
     u"同じサーバーへのリクエストの間に空ける時間（ミリ秒）です。全スレッドで共有します。"
     u"0は待ちません。"},
    {u"WinOptIndv", u"address",
     u"HTTPプロキシのホスト名です。空欄は環境変数（http_proxy、https_proxy、all_proxy、"
     u"no_proxy）に従います。"},
    {u"WinOptIndv", u"port", u"HTTPプロキシのポート番号です。"},
    {u"WinOptIndv", u"user_agent", u"サーバーに送るUser-Agentです。"},
    {u"WinOptIndv", u"min", u"DL＆検索 全体の制限時間（分）です。0は無制限です。"},
    {u"WinOptIndv", u"forced_link", u"各ページで強制リンクのスクリプトを実行します。"},
    {u"WinOptIndv", u"pre_search", u"各ページで検索前フィルタのスクリプトを実行します。"},
    {u"WinOptIndv", u"pre_get_url", u"各ページでURL抽出前フィルタのスクリプトを実行します。"},
    {u"WinOptIndv", u"stop_get_url",
     u"リンクを抽出しません。高速になりますが、リンクはたどりません。"},
    {u"WinOptIndv", u"rest_sharp", u"リンクの「#」以降を消さずにlst.iniに残します。"},
    {u"WinOptIndv", u"local_link", u"DLしたファイルに、ローカルのコピーへのリンクを作成します。"},
    {u"WinOptIndv", u"foot_tag", u"DLしたファイルの末尾に、DL元の情報のタグを付加します。"},
    {u"WinOptIndv", u"foot_tag_extension",
     u"末尾タグを付加するファイルの拡張子です。「-」は拡張子なしです。"},
    {u"WinOptIndv", u"avoid_dl_file_list", u"DLしないURLの文字列リストのファイルです。"},
    {u"WinOptIndv", u"btn_avoid_list", u"DL対象外URL文字列リストのファイルを選択します。"},
    {u"WinOptIndv", u"overwrite_dl_file_list",
     u"必ず上書きDLするURLの文字列リストのファイルです。"},
    {u"WinOptIndv", u"btn_overwrite_list", u"DL上書きURL文字列リストのファイルを選択します。"},
    {u"WinOptIndv", u"overwrite_type", u"DL済みのファイルを上書きする条件を選択します。"},
    {u"WinOptIndv", u"overwrite_local_load",
     u"ローカルにファイルがあるとき、その内容を読み込んでリンクをたどります。"},
    {u"WinOptIndv", u"offline_link",
     u"保存したページとスタイルシートのリンクを、保存したファイルへの相対パスに書き換えます。"
     u"ディスクから開いてもスタイルシートや画像が表示されます。"},
    {u"WinOptIndv", u"robots_txt",
     u"各サーバーのrobots.txtを1回の実行につき1度取得し、禁止されたURLをDLしません"
     u"（Crawl-delayも守ります）。開始URLは常にDLします。"},
    {u"WinOptIndv", u"warc",
     u"実行ごとに、送ったリクエストと受け取ったレスポンスをそのままWARCファイル"
     u"（実行フォルダと同じ場所の「実行ID.warc.gz」）に記録します。"
     u"Webアーカイブの再生ツールで開けます。"},
    {u"WinOptIndv", u"render_js",
     u"スクリプトで中身を作るページを、ヘッドレスのchromiumで表示してからリンクと語を探し、"
     u"表示された文書を保存します。「必要なページだけ」は、スクリプトを除くと本文がほとんどない"
     u"ページと、スクリプトが文書を書き込むページです。chromium パッケージが必要です。"},
    {u"WinOptIndv", u"render_keep_source",
     u"描画したページの横に、サーバーから取得したままのページを「."
     u"fetched」を付けた名前で残します。"},
    {u"WinOptIndv", u"guide_pic", u"ガイドでこの設定のボタンに表示する画像です。"},
    {u"WinOptIndv", u"btn_guide_pic", u"ガイドのボタンの画像を選択します。"},
    {u"WinOptIndv", u"guide_run_type", u"ガイドからこの設定で実行する内容を選択します。"},
    {u"WinOptIndv", u"guide_get_pic", u"実行後に画像を抽出します。"},
    {u"WinOptIndv", u"guide_get_pic_filter", u"抽出する画像の拡張子をカンマ区切りで入力します。"},
    {u"WinOptIndv", u"guide_get_pic_size", u"この大きさ（KB）以上の画像を抽出します。"},
    {u"WinOptIndv", u"guide_srch_engine", u"検索エンジンの結果を開始URLにします。"},
    {u"WinOptIndv", u"guide_srch_engine_type", u"使用する検索エンジンを選択します。"},
    {u"WinOptIndv", u"btn_save", u"設定を保存します。"},

    // WinOptSrch
    {u"WinOptSrch", u"lst_srch_type", u"検索時の文字列入力方式を選択します。"},
    {u"WinOptSrch", u"cb_case_insnstv", u"大文字と小文字の区別を行うかどうかを切り換えます。"},
    {u"WinOptSrch", u"btn_save", u"設定を保存します。"},

    // WinOptThm
    {u"WinOptThm", u"lst_thm", u"ウィンドウ表示テーマを選択します。"},
    {u"WinOptThm", u"btn_save", u"設定を保存します。"},

    // DlgRep
    {u"DlgRep", u"sch_cmb", u"置換前の文字列を入力します。"},
    {u"DlgRep", u"rep_cmb", u"置換後の文字列を入力します。"},
    {u"DlgRep", u"reg_use_cb", u"正規表現を利用するか、しないかを切り換えます"},
    {u"DlgRep", u"case_insnstv_cb", u"大文字と小文字の区別を行うかどうかを切り換えます。"},
    {u"DlgRep", u"srch_type_cmb", u"検索時の文字列入力方式を変更します。"},
    {u"DlgRep", u"rep_bat_cb", u"置換バッチを使用するか否かを切り換えます。"},
    {u"DlgRep", u"rep_bat_txt", u"置換バッチのパスが入力される欄です。"},
    {u"DlgRep", u"rep_bat_btn",
     u"置換バッチの選択を行なうために、ファイル・ダイアログを開きます。"},
    {u"DlgRep", u"btn_run", u"置換を実行します。"},
    {u"DlgRep", u"btn_cancel", u"置換をキャンセルします。"},

    // KorviSchd (schedule panel and its Edit-menu items)
    {u"KorviSchd", u"new_btn", u"新規にスケジュールを作成します。"},
    {u"KorviSchd", u"copy_btn", u"現在選択しているスケジュールを複製します。"},
    {u"KorviSchd", u"del_btn", u"現在選択しているスケジュールを削除します。"},
    {u"Korvi", u"mni_new_schd", u"新規にスケジュールを作成します。"},
    {u"Korvi", u"mni_copy_schd", u"現在選択しているスケジュールを複製します。"},

    // Korvi folder-tree menu
    {u"Korvi", u"mni_back_root", u"基準となるDL先フォルダに戻ります。"},
    {u"Korvi", u"mni_move", u"ダイアログを開き、DL先のフォルダを変更します。"},
    {u"Korvi", u"mni_new", u"DL先のフォルダを新規に作成します。"},
    {u"Korvi", u"mni_rename", u"DL先のフォルダの名前を変更します。"},
    {u"Korvi", u"mni_open", u"現在選択中のDL先フォルダを開きます。"},
    {u"Korvi", u"mni_fldr_list_html",
     u"<HTML><BODY>フォルダ内のファイル一覧を<BR>HTMLファイルでリスト化します。</BODY></HTML>"},
    {u"Korvi", u"mni_resume", u"中断したDL＆検索を、止まったところから続けます。"},

    // WinLogAnls
    {u"WinLogAnls", u"type_cmb", u"解析の種類を選択します。"},
    {u"WinLogAnls", u"anls_btn", u"解析を実行します。"},
    {u"WinLogAnls", u"ttl_cmb",
     u"<HTML><BODY>リストに表示するリンクの「タイトル」を、<BR>どういった条件で作成するかを設定"
     u"します。</BODY></HTML>"},
    {u"WinLogAnls", u"ttl_txt_split",
     u"<HTML><BODY>「タイトル形式」で列挙を選んだ時の、<BR>タイトルの区切り文字を入力します。</"
     u"BODY></HTML>"},
    {u"WinLogAnls", u"flt_r_all", u"全てのファイルを解析対象とします。"},
    {u"WinLogAnls", u"flt_r_in", u"指定の拡張子のファイルを解析対象とします。"},
    {u"WinLogAnls", u"flt_r_out", u"指定の拡張子以外のファイルを解析対象とします。"},
    {u"WinLogAnls", u"ctr_btn_stop", u"解析を停止します。"},
    {u"WinLogAnls", u"ctr_btn_open", u"選択行のURLを開きます。"},

    // WinOptLogDel
    {u"WinOptLogDel", u"cb_log_day", u"設定日数以上過去の「DL先フォルダ」を削除します。"},
    {u"WinOptLogDel", u"cb_log_size", u"設定サイズ以上の「DL先フォルダ」を削除します。"},
    {u"WinOptLogDel", u"cb_log_no", u"設定数以上「のDL先フォルダ」を削除します。"},
    {u"WinOptLogDel", u"btn_log_def", u"「DL先フォルダ削除設定」を初期状態に戻します。"},

    // WinGuide
    {u"WinGuide", u"srch_site_btn", u"本ソフトを起動したサイト内を検索します。"},
    {u"WinGuide", u"srch_link_btn",
     u"本ソフトを起動したサイトから、リンクされているサイト内を検索します。"},
    {u"WinGuide", u"srch_dir_btn", u"本ソフトを起動したサイトの、ディレクトリ以下を検索します。"},
    {u"WinGuide", u"dl_site_btn", u"本ソフトを起動したサイトをローカルに複製します。"},
    {u"WinGuide", u"dl_link_btn",
     u"本ソフトを起動したサイトから、リンクされているサイトをローカルに複製します。"},
    {u"WinGuide", u"dl_dir_btn",
     u"本ソフトを起動したサイトの、ディレクトリ以下をローカルに複製します。"},
    {u"WinGuide", u"pic_site_btn", u"本ソフトを起動したサイト内の画像を収集します。"},
    {u"WinGuide", u"pic_link_btn",
     u"本ソフトを起動したサイトから、リンクされているサイト内の画像を収集します。"},
    {u"WinGuide", u"pic_dir_btn",
     u"本ソフトを起動したサイトの、ディレクトリ以下の画像を収集します。"},
    {u"WinGuide", u"google_link_btn",
     u"Googleで検索した結果のリンク先とキャッシュを全て検索します。"},
    {u"WinGuide", u"srch_engn_link_btn", u"検索エンジンで検索した結果のリンク先を全て検索します。"},
    {u"WinGuide", u"google_img_btn", u"Googleイメージ検索で検索した結果のリンク先を全てDLします。"},
    {u"WinGuide", u"frc_link_btn",
     u"検索リストからDLしたHTML内の非リンクURLを強制的にリンク化して画像を収集します。"},
    {u"WinGuide", u"view_cb",
     u"本ソフトを起動した時に、このウィンドウを表示するか否かを切り換えます。"},
    {u"WinGuide", u"help_btn", u"ガイドのヘルプを表示します。"},
    {u"WinGuide", u"close_btn", u"ウィンドウを閉じます。"},

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

QList<QPair<QString, QString>> ToolTipRows() {
    QList<QPair<QString, QString>> rows;
    for (const Tip& t : kTips)
        rows.append({QString::fromUtf16(t.panel), QString::fromUtf16(t.control)});
    return rows;
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
