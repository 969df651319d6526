#include "tools/FldrLst.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "store/CtrlFile.h"
#include "store/OutTemplate.h"

namespace korvi {

namespace {

const QString kPageName = QStringLiteral("out_fldr_list.html");
const QString kTitle = QStringLiteral("フォルダ内をHTMLでリスト化");

QString FileUri(const QString& path) {
    return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
}

}  // namespace

FldrLst::FldrLst(CtrlFile& ctrl, DocMessageFn message, DocOpenFn opener)
    : ctrl_(ctrl), message_(std::move(message)), opener_(std::move(opener)) {}

void FldrLst::MkFldrLstHtml2(const QString& folder, QString* out) {
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& f : files) {
        ++files_;
        *out += QStringLiteral("<LI><A HREF=\"") + FileUri(f.absoluteFilePath()) +
                QStringLiteral("\">") + OutTemplate::EscapeMarkup(f.fileName()) +
                QStringLiteral("</A>　（") + QString::number(f.size() / 1024 + 1) +
                QStringLiteral(" KB）\n");
    }
    const QFileInfoList dirs =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& d : dirs) {
        ++folders_;
        const QString id = QStringLiteral("fldr") + QString::number(folders_);
        *out += QStringLiteral("<LI>[<A HREF=\"javascript:void(0)\" onclick=\"change('") + id +
                QStringLiteral("',this)\">－</A>] <A HREF=\"") + FileUri(d.absoluteFilePath()) +
                QStringLiteral("\">") + OutTemplate::EscapeMarkup(d.fileName()) +
                QStringLiteral("</A>\n<UL id=\"") + id + QStringLiteral("\">\n");
        // A linked folder is listed but not entered, so a link loop cannot trap the walk.
        if (!d.isSymLink()) MkFldrLstHtml2(d.absoluteFilePath(), out);
        *out += QStringLiteral("</UL>\n");
    }
}

QString FldrLst::MkPage(const QString& folder) {
    folders_ = 0;
    files_ = 0;
    const QString abs = ctrl_.Abs(folder);
    const QString name = OutTemplate::EscapeMarkup(QFileInfo(abs).fileName());
    QString page = QStringLiteral("<HTML LANG=\"ja\">\n<TITLE>") + name +
                   QStringLiteral("</TITLE>\n") +
                   QStringLiteral(
                       "<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; "
                       "charset=UTF-8\">\n") +
                   QStringLiteral("<!-- あ(MOJIBAKE TAISAKU) -->\n") + QStringLiteral("<TITLE>") +
                   name + QStringLiteral("</TITLE>\n");
    page += QStringLiteral(
        "<SCRIPT language=\"JavaScript\">\n//<!--\n"
        "function change(id, t) {\n"
        "  var e = document.getElementById(id);\n"
        "  if (e.style.display == 'none') {\n"
        "    e.style.display = '';\n"
        "    t.innerHTML = '－';\n"
        "  } else {\n"
        "    e.style.display = 'none';\n"
        "    t.innerHTML = '＋';\n"
        "  }\n"
        "}\n"
        "//-->\n</SCRIPT>\n");
    page += QStringLiteral("<BODY>\n<H1>") + name + QStringLiteral("</H1>\n<UL>\n");
    MkFldrLstHtml2(abs, &page);
    page += QStringLiteral("</UL>\n<BR>\n");
    page += QStringLiteral("フォルダの数 ： ") + QString::number(folders_) +
            QStringLiteral("<BR>\n") + QStringLiteral("ファイルの数 ： ") +
            QString::number(files_) + QStringLiteral("<BR>\n") +
            QStringLiteral("<BR>\n</BODY>\n</HTML>\n");
    return page;
}

QString FldrLst::MkFldrLstHtml(const QString& folder) {
    const QString abs = ctrl_.Abs(folder);
    if (folder.isEmpty() || !QFileInfo(abs).isDir()) {
        ctrl_.SaveErrLog(QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : not a folder ") +
                         folder);
        return QString("");
    }
    const QString path = abs + u'/' + kPageName;
    const QString page = MkPage(folder);
    // The page is on disk (and handed to the browser) before the user is told it is done.
    if (!ctrl_.SaveData(path, page) || !QFileInfo(path).isFile()) {
        ctrl_.SaveErrLog(QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : cannot write ") +
                         path);
        if (message_) {
            message_(kTitle, QStringLiteral("作成したファイル「 ") + path +
                                 QStringLiteral(" 」が見つかりませんでした。"));
        }
        return QString("");
    }
    if (opener_ && !opener_(path)) {
        ctrl_.SaveErrLog(QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : cannot open ") +
                         path);
    }
    if (message_) {
        message_(QStringLiteral("解析終了"),
                 QStringLiteral("フォルダの中身をHTMLでリスト化し終えました。「") + folder +
                     QStringLiteral("」には、") + QStringLiteral(" ") + QString::number(folders_) +
                     QStringLiteral(" 個のフォルダと、") + QStringLiteral(" ") +
                     QString::number(files_) + QStringLiteral(" 個のファイルが存在しました。"));
    }
    return path;
}

}  // namespace korvi
