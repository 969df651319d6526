#include <algorithm>

#include "engine/lists/InitList.h"
#include "engine/lists/InitListOrder.h"

namespace korvi {

namespace {

const QString kNoSelection = QStringLiteral("リストが空か、選択されていません。");

QString Cell(const InitRow& row, int column) {
    switch (column) {
        case 0:
            return row.obj ? QStringLiteral("1") : QStringLiteral("0");
        case 1:
            return RangeSymbol(row.rng);
        case 2:
            return row.ttl;
        case 3:
            return row.url;
        default:
            return row.ext;
    }
}

}  // namespace

std::vector<int> InitList::ValidSelection(const std::vector<int>& selected) const {
    std::vector<int> out;
    for (int i : selected) {
        if (i >= 0 && i < RowCount()) out.push_back(i);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void InitList::KeepRows(const std::vector<bool>& keep) {
    std::vector<InitRow> rows;
    rows.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (keep[i]) rows.push_back(std::move(rows_[i]));
    }
    rows_ = std::move(rows);
    RebuildIndex();
}

void InitList::SortHeader(int column) {
    if (column < 0 || column > 4) return;
    sort_ascending_ = column == sort_column_ ? !sort_ascending_ : true;
    sort_column_ = column;
    const bool up = sort_ascending_;
    std::stable_sort(rows_.begin(), rows_.end(), [column, up](const InitRow& a, const InitRow& b) {
        const int c = CompareCells(Cell(a, column), Cell(b, column));
        return up ? c < 0 : c > 0;
    });
}

void InitList::ShflSrchLst() {
    if (rows_.size() < 3) return;
    // Always ascending by URL first, whatever the last header click was.
    sort_column_ = -1;
    SortHeader(3);
    QStringList urls;
    urls.reserve(qsizetype(rows_.size()));
    for (const InitRow& r : rows_) urls.append(r.url);
    const std::vector<int> order = ShuffleOrder(urls);
    std::vector<InitRow> out;
    out.reserve(rows_.size());
    for (int i : order) out.push_back(rows_[size_t(i)]);
    rows_ = std::move(out);
}

DlgText InitList::ExpndNo(const std::vector<int>& selected) {
    const std::vector<int> sel = ValidSelection(selected);
    if (sel.empty()) return {QStringLiteral("連番展開警告"), kNoSelection};
    const InitRow source = rows_[size_t(sel.front())];
    const QString answer =
        ask_ ? ask_(QStringLiteral("連番の展開"),
                    QStringLiteral("「[001-050]」と記述した領域を連番展開します。"), source.url)
             : QString();
    if (answer.isEmpty()) return {};
    for (const QString& url : ExpandSerial(answer)) {
        const QString u = Assist::Trim(url);
        if (u.isEmpty() || index_.contains(u)) continue;
        InitRow row = source;
        row.url = u;
        row.rng = UrlScope(u, prefixes_);
        rows_.push_back(row);
        index_.insert(u);
    }
    return {};
}

int InitList::AddUrlText(const QString& text) {
    QString t = text;
    t.remove(u'\r');
    int added = 0;
    for (const QString& piece : t.split(u'\n')) {
        if (!piece.isEmpty() && AddSrchLst(piece, QString(), QString())) ++added;
    }
    ChngRangeData();
    return added;
}

void InitList::AddUrl() {
    if (!ask_) return;
    const QString answer =
        ask_(QStringLiteral("URLの追加"), QStringLiteral("リストに追加するURLを入力してください。"),
             QString());
    if (!answer.isEmpty()) AddUrlText(answer);
}

void InitList::SetCheck(const std::vector<int>& selected, bool on) {
    for (int i : ValidSelection(selected)) rows_[size_t(i)].obj = on;
}

DlgText InitList::DelSel(const std::vector<int>& selected) {
    const std::vector<int> sel = ValidSelection(selected);
    if (sel.empty()) return {QStringLiteral("削除警告"), kNoSelection};
    if (!confirm_ ||
        !confirm_(QStringLiteral("削除確認"),
                  QStringLiteral(
                      "選択範囲のリストを削除しようとしています。\n削除してもよいですか？\n"))) {
        return {};
    }
    std::vector<bool> keep(rows_.size(), true);
    for (int i : sel) keep[size_t(i)] = false;
    KeepRows(keep);
    return {};
}

DlgText InitList::DelUnsel(const std::vector<int>& selected) {
    if (rows_.empty())
        return {QStringLiteral("削除警告"), QStringLiteral("リストに項目がありません。")};
    if (!confirm_ ||
        !confirm_(
            QStringLiteral("削除確認"),
            QStringLiteral(
                "選択範囲以外のリストを削除しようとしています。\n削除してもよいですか？\n"))) {
        return {};
    }
    std::vector<bool> keep(rows_.size(), false);
    for (int i : ValidSelection(selected)) keep[size_t(i)] = true;
    KeepRows(keep);
    return {};
}

DlgText InitList::SetBaseSel(const std::vector<int>& selected) {
    const std::vector<int> sel = ValidSelection(selected);
    if (sel.empty()) return {};
    return ChngeBaseUrl(rows_[size_t(sel.front())].url);
}

DlgText InitList::OpenSel(const std::vector<int>& selected, QStringList* urls) const {
    const std::vector<int> sel = ValidSelection(selected);
    if (sel.empty()) return {QStringLiteral("削除警告"), kNoSelection};
    for (int i : sel) {
        if (urls && !rows_[size_t(i)].url.isEmpty()) urls->append(rows_[size_t(i)].url);
    }
    return {};
}

DlgText InitList::SendToText(const std::vector<int>& selected, QString* text) const {
    const std::vector<int> sel = ValidSelection(selected);
    if (sel.empty()) return {QStringLiteral("削除警告"), kNoSelection};
    QStringList lines;
    for (int i : sel) lines.append(InitRowCells(rows_[size_t(i)]).join(u'\t'));
    if (text) *text = lines.join(u'\n');
    return {};
}

QString InitList::WithIniSuffix(const QString& name) {
    return name.endsWith(QLatin1String(".ini")) ? name : name + QStringLiteral(".ini");
}

DlgText InitList::AddSentRows(const LinkList& rows) {
    if (rows.empty()) return {QStringLiteral("DL＆検索 初期化に送る警告"), kNoSelection};
    for (qsizetype i = 0; i < rows.size(); ++i) {
        AddSrchLst(rows.url.at(i), rows.title.value(i), rows.ext.value(i));
    }
    return {QStringLiteral("DL＆検索 初期化に送る"), QStringLiteral("「DL＆検索 初期化」に ") +
                                                         QString::number(rows.size()) +
                                                         QStringLiteral(" 件のURLを送りました。")};
}

std::vector<InitRow> InitList::AddWinSrchLst(int from, const QSet<QString>& inRunList) const {
    std::vector<InitRow> out;
    for (size_t i = size_t(std::max(from, 0)); i < rows_.size(); ++i) {
        const InitRow& r = rows_[i];
        if (r.obj && !inRunList.contains(r.url)) out.push_back(r);
    }
    return out;
}

}  // namespace korvi
