#include "tools/LogAnls.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <numeric>

#include "shell/Assist.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/UrlPath.h"

namespace korvi {

namespace {

const QString kListSuffix = QStringLiteral(" lst.ini");

// The entries of one section of a settings text, by key (first one wins).
QHash<QString, QString> SectionMap(const Assist& ini, const QString& section) {
    QHash<QString, QString> map;
    const QStringList& keys = ini.Keys();
    const QStringList& values = ini.Values();
    bool inside = false;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys.at(i) == QStringLiteral("[")) {
            if (inside) break;
            inside = values.at(i) == section;
            continue;
        }
        if (inside && !keys.at(i).isEmpty() && !map.contains(keys.at(i))) {
            map.insert(keys.at(i), values.at(i));
        }
    }
    return map;
}

// The stored file a URL is kept in stands for the page: "/" and
// "/index.html" of a folder, or a URL with and without its fragment, are
// one. A URL that maps to no file stands for itself, without fragment.
QString PageKey(const QString& url) {
    const UrlMapping m = MapUrl(url, QString(), QStringLiteral("r"));
    if (m.error.isEmpty() && !m.path.isEmpty()) {
        return QStringLiteral("f") + m.path + (m.queryList ? u'?' + m.query : QString());
    }
    const qsizetype hash = url.indexOf(u'#');
    return QStringLiteral("u") + (hash < 0 ? url : url.left(hash));
}

}  // namespace

LogAnls::LogAnls(CtrlFile& ctrl, DocMessageFn message, DocProgressFn progress)
    : ctrl_(ctrl), message_(std::move(message)), progress_(std::move(progress)) {}

LogAnls::~LogAnls() {
    stop_ = true;
    Wait();
}

QString LogAnls::KindText(int kind) {
    switch (kind) {
        case 0:
            return QStringLiteral("被リンク・ランク（内）");
        case 1:
            return QStringLiteral("被リンク・ランク（外）");
        default:
            return QStringLiteral("被リンク・ランク（全）");
    }
}

QString LogAnls::TitleKindText(int kind) {
    switch (kind) {
        case 0:
            return QStringLiteral("最多");
        case 1:
            return QStringLiteral("最長");
        default:
            return QStringLiteral("列挙");
    }
}

QString LogAnls::MkTitle(QStringList titles, int titleKind, const QString& separator) {
    if (titles.isEmpty()) return QString("");
    std::sort(titles.begin(), titles.end());
    if (titleKind == 0) {
        QString best = titles.first();
        qsizetype bestCount = 0;
        for (qsizetype i = 0; i < titles.size();) {
            qsizetype j = i;
            while (j < titles.size() && titles.at(j) == titles.at(i)) ++j;
            if (j - i > bestCount) {
                bestCount = j - i;
                best = titles.at(i);
            }
            i = j;
        }
        return best;
    }
    if (titleKind == 1) {
        QString best = titles.first();
        for (qsizetype i = 1; i < titles.size(); ++i) {
            const QString& t = titles.at(i);
            if (!t.isEmpty() && !t.startsWith(QStringLiteral("http")) && t.size() > best.size()) {
                best = t;
            }
        }
        return best;
    }
    titles.erase(std::unique(titles.begin(), titles.end()), titles.end());
    return titles.join(separator);
}

DocTable LogAnls::MkDocTable(const std::vector<AnlsRow>& rows) {
    DocTable t;
    t.header = {QStringLiteral("^serial_no"), QStringLiteral("^no"),  QStringLiteral("^rank"),
                QStringLiteral("^title"),     QStringLiteral("^url"), QStringLiteral("^extension")};
    for (size_t i = 0; i < rows.size(); ++i) {
        const AnlsRow& r = rows[i];
        t.rows.push_back({QString::number(i), QString::number(r.no), QString::number(r.rank),
                          r.title, r.url, r.extension});
    }
    return t;
}

QString LogAnls::Elapsed() const {
    return ctrl_.GetPastTime(start_ms_);
}

void LogAnls::Show(const QString& text) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_text_ = text;
    }
    if (progress_) progress_(text);
}

bool LogAnls::Start(const AnlsRequest& request) {
    if (running_) return false;
    if (request.folder.isEmpty() || !QFileInfo(ctrl_.Abs(request.folder)).isDir()) {
        if (message_)
            message_(QStringLiteral("解析警告"), QStringLiteral("フォルダが見つかりません。"));
        return false;
    }
    Wait();
    running_ = true;
    // Cleared here, not on the thread: a stop asked right after the start holds.
    stop_ = false;
    thread_ = std::thread([this, request] { Analyse(request); });
    return true;
}

void LogAnls::Wait() {
    if (thread_.joinable()) thread_.join();
}

std::vector<AnlsRow> LogAnls::Rows() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rows_;
}

QString LogAnls::ProgressText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_text_;
}

QString LogAnls::EndMessage() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return end_message_;
}

const QString& LogAnls::Gathered::KeyOf(const QString& url) {
    auto it = keyOfLink.constFind(url);
    if (it == keyOfLink.constEnd()) it = keyOfLink.insert(url, PageKey(url));
    return it.value();
}

bool LogAnls::Gathered::Add(const QString& link, const QString& title, const QString& pageKey) {
    const QString& key = KeyOf(link);
    if (key == pageKey) return false;
    auto li = targetIds.constFind(key);
    if (li == targetIds.constEnd()) {
        li = targetIds.insert(key, static_cast<int>(targets.size()));
        targets.push_back(link);
    } else if (link < targets[size_t(li.value())]) {
        // The first URL in order shows the page, whatever order files come in.
        targets[size_t(li.value())] = link;
    }
    auto ti = titleIds.constFind(title);
    if (ti == titleIds.constEnd()) {
        ti = titleIds.insert(title, static_cast<int>(titles.size()));
        titles.push_back(title);
    }
    records.emplace_back(li.value(), ti.value());
    return true;
}

void LogAnls::ReadList(const QString& path, const AnlsRequest& request, Gathered* g) {
    const Assist ini(ctrl_.LoadData(path));
    const QString page = SectionMap(ini, QStringLiteral("BaseData")).value(QStringLiteral("p_url"));
    const QString pageKey = page.isEmpty() ? QString() : g->KeyOf(page);
    if (!page.isEmpty()) {
        // The analysed page's own URL shows it (the first in order of several).
        auto it = g->pages.find(pageKey);
        if (it == g->pages.end()) {
            g->pages.insert(pageKey, page);
        } else if (page < it.value()) {
            it.value() = page;
        }
    }
    const QHash<QString, QString> links = SectionMap(ini, QStringLiteral("AllLinks"));
    // Only the rows the file holds are visited, in number order, so a file
    // that claims two billion rows is read as quickly as it is written.
    const qint64 n = Assist::StrToInt(links.value(QStringLiteral("link_no")));
    std::vector<qint64> rows;
    for (auto it = links.constBegin(); it != links.constEnd(); ++it) {
        const QString& key = it.key();
        if (!key.startsWith(QLatin1String("link")) || key.size() > 14 || it.value().isEmpty())
            continue;
        bool ok = false;
        const qint64 i = QStringView(key).mid(4).toLongLong(&ok);
        if (ok && i >= 0 && i < n && QString::number(i) == QStringView(key).mid(4))
            rows.push_back(i);
    }
    std::sort(rows.begin(), rows.end());
    for (size_t r = 0; r < rows.size() && !stop_; ++r) {
        const QString no = QString::number(rows[r]);
        const QString link = links.value(QStringLiteral("link") + no);
        ++records_seen_;
        const QString ext = links.value(QStringLiteral("extension") + no);
        if (!LinkExtPasses(request.filter, request.filterText, ext)) continue;
        g->Add(link, links.value(QStringLiteral("title") + no), pageKey);
    }
}

void LogAnls::Gather(const QString& folder, const AnlsRequest& request, Gathered* g) {
    ++folders_;
    Show(QStringLiteral("  解析準備中  走査ディレクトリ数 = ") + QString::number(folders_) +
         QStringLiteral("  ") + Elapsed());
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& e : entries) {
        if (stop_) return;
        if (e.isDir()) {
            if (!e.isSymLink()) Gather(e.absoluteFilePath(), request, g);
        } else if (e.fileName().endsWith(kListSuffix)) {
            ReadList(e.absoluteFilePath(), request, g);
        }
    }
}

void LogAnls::Run(const AnlsRequest& request) {
    running_ = true;
    stop_ = false;
    Analyse(request);
}

void LogAnls::Analyse(const AnlsRequest& request) {
    start_ms_ = ctrl_.GetClock().NowMs();
    folders_ = 0;
    records_seen_ = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rows_.clear();
        end_message_.clear();
    }
    std::vector<AnlsRow> rows;
    try {
        Gathered g;
        Gather(ctrl_.Abs(request.folder), request, &g);

        // A page analysed is shown by its own URL.
        std::vector<bool> inside(g.targets.size(), false);
        for (auto it = g.targetIds.cbegin(); it != g.targetIds.cend(); ++it) {
            const auto page = g.pages.constFind(it.key());
            if (page == g.pages.cend()) continue;
            inside[size_t(it.value())] = true;
            g.targets[size_t(it.value())] = page.value();
        }
        // Sorting the distinct targets orders the records by link as well.
        std::vector<int> order(g.targets.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        if (!stop_) {
            Show(QStringLiteral("  ソート1  ") + Elapsed());
            std::sort(order.begin(), order.end(),
                      [&g](int a, int b) { return g.targets[size_t(a)] < g.targets[size_t(b)]; });
        }
        // Each target's titles, in record order.
        std::vector<std::vector<int>> groups(g.targets.size());
        for (const auto& r : g.records) groups[size_t(r.first)].push_back(r.second);
        g.records = {};

        if (!stop_) Show(QStringLiteral("  被リンク・ランクの計算  ") + Elapsed());
        const qint64 total = static_cast<qint64>(
            std::accumulate(groups.begin(), groups.end(), size_t(0),
                            [](size_t s, const std::vector<int>& v) { return s + v.size(); }));
        qint64 done = 0;
        for (size_t k = 0; k < order.size() && !stop_; ++k) {
            const int id = order[k];
            const std::vector<int>& group = groups[size_t(id)];
            const qint64 before = done;
            done += static_cast<qint64>(group.size());
            if (done / 25 != before / 25) {
                Show(QStringLiteral("  被リンク・ランクの計算  i = ") +
                     QString::number(done / 25 * 25) + QStringLiteral(" / ") +
                     QString::number(total) + QStringLiteral("  ") + Elapsed());
            }
            const QString& link = g.targets[size_t(id)];
            const bool counted = request.kind == 2 || (request.kind == 0) == inside[size_t(id)];
            if (!counted || group.empty()) continue;
            QStringList titles;
            titles.reserve(static_cast<qsizetype>(group.size()));
            for (int t : group) titles.append(g.titles[size_t(t)]);
            AnlsRow row;
            row.rank = static_cast<int>(group.size());
            row.title = MkTitle(titles, request.titleKind, request.separator);
            row.url = link;
            row.extension = ctrl_.GetUrlExtnsn(link);
            rows.push_back(std::move(row));
        }
        if (!stop_) {
            Show(QStringLiteral("  ソート2  ") + Elapsed());
            std::stable_sort(rows.begin(), rows.end(),
                             [](const AnlsRow& a, const AnlsRow& b) { return a.rank > b.rank; });
        }
        if (stop_) rows.clear();
        Show(QStringLiteral("  リストへの格納  ") + Elapsed());
        for (size_t i = 0; i < rows.size(); ++i) rows[i].no = static_cast<int>(i) + 1;
    } catch (const std::exception& e) {
        ctrl_.SaveErrLog(QStringLiteral("W_LogAnls Anls Error : ") + QString::fromUtf8(e.what()));
        rows.clear();
    }
    Show(QStringLiteral("  終了  ") + Elapsed());
    const QString message = QStringLiteral("解析が終了しました。\n\n「") + request.folder +
                            QStringLiteral("」の") + QStringLiteral("「") + KindText(request.kind) +
                            QStringLiteral("」による解析結果は") + QStringLiteral("「") +
                            QString::number(rows.size()) + QStringLiteral("」件でした。\n\n") +
                            QStringLiteral("解析時間は ") + Elapsed() + QStringLiteral("でした。");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        rows_ = std::move(rows);
        end_message_ = message;
    }
    running_ = false;
    if (message_) message_(QStringLiteral("解析終了"), message);
}

}  // namespace korvi
