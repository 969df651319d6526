#include "engine/lists/InitList.h"

#include <QFileInfo>

#include <exception>

#include "engine/lists/ListFile.h"
#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

// Tabs and line breaks would split a value of the list file.
QString CleanCell(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    }
    return Assist::Trim(out);
}

// Text that is an HTML page: "<html" ... "</html>", allowing a document
// type, an XML declaration and comments before the root element.
bool IsHtmlPage(const QString& text) {
    const QString t = Assist::Trim(text).toLower();
    if (!t.endsWith(QLatin1String("</html>"))) return false;
    qsizetype i = 0;
    for (;;) {
        const QStringView rest = QStringView(t).mid(i);
        if (rest.startsWith(QLatin1String("<html"))) return true;
        qsizetype end = -1;
        if (rest.startsWith(QLatin1String("<!--"))) {
            end = t.indexOf(QLatin1String("-->"), i + 4);
            if (end >= 0) end += 3;
        } else if (rest.startsWith(QLatin1String("<!doctype")) ||
                   rest.startsWith(QLatin1String("<?xml"))) {
            end = t.indexOf(u'>', i);
            if (end >= 0) end += 1;
        }
        if (end < 0) return false;
        i = end;
        while (i < t.size() && t.at(i).unicode() <= 0x20) ++i;
    }
}

bool ValidUrl(const QString& url) {
    return url.indexOf(QStringLiteral("://"), 1) >= 1;
}

// The URL of a shortcut file: [InternetShortcut] URL=, or a desktop entry of
// Type=Link.
QString ShortcutUrl(const Assist& ini) {
    const QString url = ini.GetIni(QStringLiteral("InternetShortcut"), QStringLiteral("URL"));
    if (!url.isEmpty()) return url;
    const QString entry = QStringLiteral("Desktop Entry");
    if (ini.GetIni(entry, QStringLiteral("Type")) == QLatin1String("Link")) {
        return ini.GetIni(entry, QStringLiteral("URL"));
    }
    return QString();
}

}  // namespace

QString RangeSymbol(int scope) {
    switch (scope) {
        case 1:
            return QStringLiteral(">|@>");
        case 2:
            return QStringLiteral(">|>@");
        default:
            return QStringLiteral("@|>>");
    }
}

QStringList InitColumnHeadings() {
    return {QStringLiteral("対象"), QStringLiteral("範囲"), QStringLiteral("見出し"),
            QStringLiteral("URL"), QStringLiteral("拡張子")};
}

QStringList InitRowCells(const InitRow& row) {
    return {row.obj ? QStringLiteral("1") : QStringLiteral("0"), RangeSymbol(row.rng), row.ttl,
            row.url, row.ext};
}

InitList::InitList(CtrlFile& ctrl) : ctrl_(ctrl) {}

int InitList::CheckedCount() const {
    int n = 0;
    for (const InitRow& r : rows_) n += r.obj ? 1 : 0;
    return n;
}

int InitList::ScopeCount(int scope) const {
    int n = 0;
    for (const InitRow& r : rows_) n += r.rng == scope ? 1 : 0;
    return n;
}

QString InitList::CntSrchTgt() const {
    return QStringLiteral("対象 ") + QString::number(CheckedCount()) +
           QStringLiteral(" 件 / データ ") + QString::number(RowCount()) + QStringLiteral(" 件");
}

bool InitList::AddSrchLst(const QString& url, const QString& title, const QString& ext) {
    const QString u = CleanCell(url);
    if (u.isEmpty() || !ValidUrl(u) || index_.contains(u)) return false;
    InitRow row;
    row.obj = true;
    row.rng = UrlScope(u, prefixes_);
    row.ttl = CleanCell(title);
    if (row.ttl.isEmpty()) row.ttl = QStringLiteral("?");
    row.url = u;
    row.ext = CleanCell(ext);
    if (row.ext.isEmpty()) row.ext = ctrl_.GetUrlExtnsn(u);
    rows_.push_back(row);
    index_.insert(u);
    return true;
}

bool InitList::SetRowTexts(int index, const QString& title, const QString& url) {
    if (index < 0 || index >= RowCount()) return false;
    InitRow& row = rows_[size_t(index)];
    row.ttl = CleanCell(title);
    if (row.ttl.isEmpty()) row.ttl = QStringLiteral("?");
    const QString u = CleanCell(url);
    if (u == row.url) return true;
    if (!ValidUrl(u) || index_.contains(u)) return false;
    index_.remove(row.url);
    index_.insert(u);
    row.url = u;
    row.rng = UrlScope(u, prefixes_);
    row.ext = ctrl_.GetUrlExtnsn(u);
    return true;
}

void InitList::DelSrchLst() {
    rows_.clear();
    index_.clear();
}

void InitList::RebuildIndex() {
    index_.clear();
    for (const InitRow& r : rows_) index_.insert(r.url);
}

void InitList::SetBase(const QString& url) {
    base_url_ = url;
    prefixes_ = SplitBaseUrl(url);
}

void InitList::Reclassify() {
    for (InitRow& r : rows_) r.rng = UrlScope(r.url, prefixes_);
}

DlgText InitList::ChngeBaseUrl(const QString& url) {
    const QString u = Assist::Trim(url);
    const bool changed = u != base_url_;
    SetBase(u);
    Reclassify();
    if (!changed) return {};
    return {
        QStringLiteral("基準URLの変更"),
        QStringLiteral("「基準URL」を変更しました。\n変更後の「基準URL」は以下の通りです。\n\n") +
            u};
}

bool InitList::ScopeBox(int scope) const {
    if (select_.all) return true;
    switch (scope) {
        case 1:
            return select_.drOut;
        case 2:
            return select_.drIn;
        default:
            return select_.dmOut;
    }
}

bool InitList::ChckFltrStart(const InitRow& row) const {
    if (select_.fltMode != 1 && select_.fltMode != 2) return true;
    const QString ext = row.ext.toLower();
    bool listed = false;
    for (QString entry : select_.fltTxt.split(u',')) {
        // A size condition ("jpg<100") has no meaning for a start row.
        for (qsizetype k = 0; k < entry.size(); ++k) {
            if (entry.at(k) == u'<' || entry.at(k) == u'>') {
                entry.truncate(k);
                break;
            }
        }
        if (Assist::Trim(entry).toLower() == ext) {
            listed = true;
            break;
        }
    }
    return select_.fltMode == 1 ? listed : !listed;
}

void InitList::ChngRangeData() {
    for (InitRow& r : rows_) {
        r.obj = ScopeBox(r.rng);
        if (r.obj && select_.fltStart) r.obj = ChckFltrStart(r);
    }
}

QString InitList::ListText() const {
    LinkList links;
    for (const InitRow& r : rows_) links.append(r.url, r.ttl, r.ext);
    return MkListFile(base_url_, base_title_, links);
}

bool InitList::SaveList(const QString& path) const {
    if (path.isEmpty()) return false;
    if (!ctrl_.SetEnableDir(path)) return false;
    return ctrl_.SaveData(path, ListText());
}

ReadResult InitList::ReadSrchLst(const QString& source, bool append) {
    ReadResult result;
    try {
        QString path = source;
        if (path.toLower().endsWith(QLatin1String(".lnk"))) {
            QString target =
                script_ ? script_(QStringLiteral("func/GetRealPath.js"), path) : QString();
            target.remove(u'\n');
            target.remove(u'\r');
            path = target;
        }
        QString text = path.isEmpty() ? QString() : ctrl_.LoadData(path);
        if (IsHtmlPage(text)) {
            text = GetUrlListFromHtml(ctrl_, DecodeText(ctrl_.LoadBytes(path)), path);
            ctrl_.SaveData(QStringLiteral("data.ini"), text);
        }
        const Assist ini(text);

        bool listFile = false;
        QString base;
        QString baseTitle;
        LinkList rows;
        if (IsListFile(ini)) {
            listFile = true;
            ListFileData d = ReadListFile(ini);
            base = d.pUrl;
            baseTitle = d.pTitle;
            rows = std::move(d.links);
        } else if (const QString url = ShortcutUrl(ini); !url.isEmpty()) {
            base = url;
            baseTitle = QFileInfo(path).completeBaseName();
            rows.append(url, baseTitle, QString());
        } else {
            QStringList lines;
            for (const QString& line : text.split(u'\n')) {
                const QString t = Assist::Trim(line);
                if (!t.isEmpty()) lines.append(t);
            }
            if (lines.size() == 1 && ValidUrl(lines.first())) base = lines.first();
            for (const QString& line : lines) rows.append(line, QString(), QString());
        }

        bool anyUrl = ValidUrl(base);
        for (qsizetype i = 0; !anyUrl && i < rows.size(); ++i) anyUrl = ValidUrl(rows.url.at(i));
        if (!anyUrl) {
            const QString answer =
                ask_ ? Assist::Trim(ask_(QStringLiteral("URLの不在"),
                                         QStringLiteral("開始URLを入力してください。"), QString()))
                     : QString();
            if (answer.isEmpty()) {
                result.cancelled = true;
                return result;
            }
            listFile = false;
            base = answer;
            baseTitle.clear();
            rows.clear();
            rows.append(answer, QString(), QString());
        }

        if (!append) {
            DelSrchLst();
            SetBase(Assist::Trim(base));
            base_title_ = baseTitle;
            result.windowTitle =
                QStringLiteral("Korvi ver. ") + version_ + QStringLiteral("  ") + base_url_;
        }
        const qsizetype total = rows.size();
        for (qsizetype i = 0; i < total; ++i) {
            if (AddSrchLst(rows.url.at(i), rows.title.at(i), rows.ext.at(i))) ++result.added;
            if (listFile && status_) {
                status_(QStringLiteral("  メイン・ウィンドウの検索リストを初期化中... ") +
                        QString::number((i + 1) * 100 / total) + QStringLiteral(" ％ 終了"));
            }
        }
        ChngRangeData();
        result.read = true;
    } catch (const std::exception& e) {
        ctrl_.SaveErrLog(QStringLiteral("ReadSrchLst Error : ") + QString::fromLocal8Bit(e.what()));
        result = ReadResult{};
    }
    return result;
}

}  // namespace korvi
