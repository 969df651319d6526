#include "store/DocRunReport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kTemplateRoot = QStringLiteral("out_templet");
const QString kDefaultType = QStringLiteral("デフォルト");
const QString kDataFile = QStringLiteral("search_log_log.csv");

QString Count(qsizetype i, qsizetype n) {
    return QStringLiteral("  出力作業終了 = ") + QString::number(i) + QStringLiteral(" / ") +
           QString::number(n) + QStringLiteral(" 件");
}

}  // namespace

DocRunReport::DocRunReport(CtrlFile& ctrl, DocMessageFn message, DocProgressFn progress,
                           DocOpenFn opener)
    : ctrl_(ctrl),
      message_(std::move(message)),
      progress_(std::move(progress)),
      opener_(std::move(opener)) {}

QString DocRunReport::FootText() {
    return QStringLiteral("Korvi ver. ") + Version() +
           QStringLiteral("  - Webの収集と検索のツール Korvi で作成しました -");
}

QString DocRunReport::FootHtml() {
    return QStringLiteral("<A HREF=\"https://example.org/korvi/\">Korvi ver. ") + Version() +
           QStringLiteral("</A>  - Webの収集と検索のツール Korvi で作成しました -");
}

QStringList DocRunReport::ColumnKeys() {
    return {QStringLiteral("^no"),     QStringLiteral("^state"),     QStringLiteral("^result"),
            QStringLiteral("^depth"),  QStringLiteral("^text"),      QStringLiteral("^title"),
            QStringLiteral("^url"),    QStringLiteral("^size"),      QStringLiteral("^dl_len"),
            QStringLiteral("^length"), QStringLiteral("^extension"), QStringLiteral("^referrer")};
}

DocTable DocRunReport::MkTable(const std::vector<QStringList>& rows, const QStringList& keys) {
    const QStringList rowKeys = keys.isEmpty() ? ColumnKeys() : keys;
    QStringList missing;
    for (const QString& k : ColumnKeys()) {
        if (!rowKeys.contains(k)) missing.append(k);
    }
    DocTable t;
    t.header = QStringList{QStringLiteral("^serial_no")} + rowKeys + missing;
    const qsizetype columns = rowKeys.size();
    t.rows.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        QStringList r{QString::number(i)};
        r.reserve(t.header.size());
        for (qsizetype c = 0; c < columns; ++c)
            r.append(c < rows[i].size() ? rows[i].at(c) : QString(""));
        for (const QString& k : missing)
            r.append(k == QStringLiteral("^no") ? QString::number(i + 1) : QString(""));
        t.rows.push_back(r);
    }
    return t;
}

QString DocRunReport::ServerRoot(const QString& url) {
    if (!url.contains(QStringLiteral("://"))) return QString("");
    const QStringList parts = url.split(u'/');
    if (parts.size() < 3) return QString("");
    return parts.mid(0, 3).join(u'/') + u'/';
}

void DocRunReport::SetStartPage(RunReportInput& input) {
    const QStringList keys = input.keys.isEmpty() ? ColumnKeys() : input.keys;
    const qsizetype depth = keys.indexOf(QStringLiteral("^depth"));
    const qsizetype url = keys.indexOf(QStringLiteral("^url"));
    const qsizetype title = keys.indexOf(QStringLiteral("^title"));
    for (const QStringList& r : input.rows) {
        if (depth >= 0 && r.value(depth) != QStringLiteral("1")) continue;
        input.pageUrl = url >= 0 ? r.value(url) : QString("");
        input.pageTitle = title >= 0 ? r.value(title) : QString("");
        break;
    }
    input.baseUrl = input.pageUrl;
    input.rootUrl = ServerRoot(input.pageUrl);
}

void DocRunReport::Message(const QString& title, const QString& text) const {
    if (message_) message_(title, text);
}

void DocRunReport::Progress(const QString& text) const {
    if (progress_) progress_(text);
}

QStringList DocRunReport::ListOutTypes() {
    const QDir dir(ctrl_.Abs(kTemplateRoot));
    QStringList names =
        dir.exists() ? dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name) : QStringList();
    if (names.isEmpty()) {
        Message(QStringLiteral("出力形式"), QStringLiteral("出力形式が見つかりませんでした。"));
        return names;
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        if ((a == kDefaultType) != (b == kDefaultType)) return a == kDefaultType;
        return a < b;
    });
    return names;
}

bool DocRunReport::CopyDir(const QString& from, const QString& to) {
    const QDir src(from);
    if (!QDir().mkpath(to)) {
        ctrl_.SaveErrLog(QStringLiteral("W_Main OutTmplt Exec Error : cannot create ") + to);
        return false;
    }
    const QFileInfoList entries =
        src.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& e : entries) {
        if (e.isSymLink()) continue;
        const QString target = to + u'/' + e.fileName();
        if (e.isDir()) {
            if (!CopyDir(e.absoluteFilePath(), target)) return false;
        } else if (!ctrl_.CopyFile(e.absoluteFilePath(), target)) {
            return false;
        }
    }
    return true;
}

bool DocRunReport::ChkOutType(const QString& typeName) {
    const QString typeFolder = ctrl_.Abs(kTemplateRoot + u'/' + typeName);
    if (typeName.isEmpty() || typeName.contains(u'/') || typeName == QStringLiteral(".") ||
        typeName == QStringLiteral("..") || !QFileInfo(typeFolder).isDir()) {
        ctrl_.SaveErrLog(QStringLiteral("SelOutTmplt OutTypeList Srch Error : not found"));
        Message(QStringLiteral("出力"), QStringLiteral("出力形式ファイルが見つかりませんでした。"));
        return false;
    }
    OutTemplate doc(ctrl_, message_);
    if (doc.GetOutRtName(typeFolder).isEmpty()) {
        ctrl_.SaveErrLog(QStringLiteral("SelOutTmplt OutTypeBody Srch Error : not found"));
        Message(QStringLiteral("出力"),
                QStringLiteral("出力形式ファイルの本体が見つかりませんでした。"));
        return false;
    }
    return true;
}

QString DocRunReport::OutTmplt(const QString& typeName, const RunReportInput& input,
                               const QString& reportParent) {
    if (input.rows.empty()) {
        Message(QStringLiteral("開く警告"), QStringLiteral("リストにデータがありません。"));
        return QString("");
    }
    if (!ChkOutType(typeName)) return QString("");
    const QString typeFolder = ctrl_.Abs(kTemplateRoot + u'/' + typeName);
    OutTemplate doc(ctrl_, message_);
    const QString bodyName = doc.GetOutRtName(typeFolder);

    QString folderName = CtrlFile::DelPrhbtFName(input.title).trimmed();
    if (folderName.isEmpty() || folderName == QStringLiteral(".") ||
        folderName == QStringLiteral("..")) {
        folderName = ctrl_.GetDayTimeStr();
    }
    const QString reportFolder = ctrl_.Abs(reportParent) + u'/' + folderName;
    if (!CopyDir(typeFolder, reportFolder)) return QString("");

    // The data file, row by row.
    const DocTable table = MkTable(input.rows, input.keys);
    const qsizetype n = static_cast<qsizetype>(table.rows.size());
    QString data;
    {
        DocTable header{table.header, {}};
        data = OutTemplate::FormatDataFile(header);
    }
    for (qsizetype i = 0; i < n; ++i) {
        data += OutTemplate::FormatDataFile({{}, {table.rows[size_t(i)]}}).mid(1);
        Progress(Count(i + 1, n) + QStringLiteral("  "));
    }
    Progress(Count(n, n) + QStringLiteral(" -> 保存作業中  "));
    if (!ctrl_.SaveData(reportFolder + u'/' + kDataFile, data)) return QString("");

    // Report values come from the user and from web pages: escape them for a
    // markup body like the data rows.
    const bool markup = OutTemplate::IsMarkupExtension(QFileInfo(bodyName).suffix());
    auto value = [markup](const QString& v) { return markup ? OutTemplate::EscapeMarkup(v) : v; };
    QStringList params{QStringLiteral("^title"),      value(input.title),
                       QStringLiteral("^foot_text"),  FootText(),
                       QStringLiteral("^foot_html"),  FootHtml(),
                       QStringLiteral("^page_url"),   value(input.pageUrl),
                       QStringLiteral("^page_title"), value(input.pageTitle),
                       QStringLiteral("^base_url"),   value(input.baseUrl),
                       QStringLiteral("^root_url"),   value(input.rootUrl)};
    // The first five words are always set, so that a body may show them all.
    for (qsizetype q = 0; q < std::max<qsizetype>(input.words.size(), 5); ++q) {
        const QString word = q < input.words.size() ? input.words.at(q) : QString("");
        params << QStringLiteral("^q_") + QString::number(q) << value(word);
    }
    const QString bodyPath = reportFolder + u'/' + bodyName;
    const QString text = doc.MkDocBody(bodyPath, params);
    if (doc.Failed()) return QString("");
    if (!ctrl_.SaveData(bodyPath, text)) return QString("");
    Progress(Count(n, n) + QStringLiteral(" -> 終了  "));

    // Without an opener (headless) the document is only written.
    if (opener_ && !opener_(bodyPath)) {
        ctrl_.SaveErrLog(QStringLiteral("W_Main OutTmplt Exec Error : cannot open ") + bodyPath);
        Message(QStringLiteral("結果出力"), QStringLiteral("出力ファイルを開けませんでした。"));
    }
    return bodyPath;
}

}  // namespace korvi
