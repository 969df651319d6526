#include "engine/lists/ListFile.h"

#include <QFileInfo>
#include <QHash>
#include <QList>

#include <algorithm>
#include <exception>

#include "engine/page/HtmlText.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kBase = QStringLiteral("BaseData");
const QString kLinks = QStringLiteral("AllLinks");

// The number after a key prefix, when it is canonical decimal; else -1.
qint64 KeyIndex(const QString& key, qsizetype prefix) {
    const qsizetype n = key.size() - prefix;
    if (n <= 0 || n > 10) return -1;
    if (n > 1 && key.at(prefix) == u'0') return -1;
    qint64 v = 0;
    for (qsizetype i = prefix; i < key.size(); ++i) {
        const QChar c = key.at(i);
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

}  // namespace

QString MkListFile(const QString& pUrl, const QString& pTitle, const LinkList& links) {
    QString out;
    out.reserve(64 + links.size() * 96);
    // Appended piece by piece: no temporary string per line.
    out += QLatin1StringView("[BaseData]\np_url=");
    out += pUrl;
    out += QLatin1StringView("\np_title=");
    out += pTitle;
    out += QLatin1StringView("\n\n[AllLinks]\nlink_no=");
    out += QString::number(links.size());
    out += u'\n';
    const auto line = [&out](QLatin1StringView key, const QString& no, const QString& value) {
        out += key;
        out += no;
        out += u'=';
        out += value;
        out += u'\n';
    };
    for (qsizetype i = 0; i < links.size(); ++i) {
        const QString no = QString::number(i);
        line(QLatin1StringView("link"), no, links.url.at(i));
        line(QLatin1StringView("title"), no, links.title.value(i));
        line(QLatin1StringView("extension"), no, links.ext.value(i));
    }
    return out;
}

bool IsListFile(const Assist& ini) {
    return ini.GetIniN(kLinks, QStringLiteral("link_no")) > 0 ||
           !ini.GetIni(kBase, QStringLiteral("p_url")).isEmpty();
}

ListFileData ReadListFile(const Assist& ini) {
    ListFileData out;
    out.pUrl = ini.GetIni(kBase, QStringLiteral("p_url"));
    out.pTitle = ini.GetIni(kBase, QStringLiteral("p_title"));
    out.linkNo = ini.GetIniN(kLinks, QStringLiteral("link_no"));
    if (out.linkNo <= 0) return out;

    // One sweep over the section instead of a lookup per key.
    const QStringList& keys = ini.Keys();
    const QStringList& values = ini.Values();
    qsizetype row = 0;
    while (row < keys.size() && !(keys.at(row) == QLatin1String("[") && values.at(row) == kLinks))
        ++row;
    QHash<qint64, QString> url, title, ext;
    for (++row; row < keys.size() && keys.at(row) != QLatin1String("["); ++row) {
        const QString& key = keys.at(row);
        QHash<qint64, QString>* target = nullptr;
        qint64 index = -1;
        if (key.startsWith(QLatin1String("link")) && key != QLatin1String("link_no")) {
            index = KeyIndex(key, 4);
            target = &url;
        } else if (key.startsWith(QLatin1String("title"))) {
            index = KeyIndex(key, 5);
            target = &title;
        } else if (key.startsWith(QLatin1String("extension"))) {
            index = KeyIndex(key, 9);
            target = &ext;
        }
        if (!target || index < 0 || index >= out.linkNo || target->contains(index)) continue;
        target->insert(index, values.at(row));
    }
    QList<qint64> order = url.keys();
    std::sort(order.begin(), order.end());
    for (qint64 i : order) out.links.append(url.value(i), title.value(i), ext.value(i));
    return out;
}

QString GetUrlListFromHtml(CtrlFile& ctrl, const QString& text, const QString& file) {
    try {
        QString pageUrl = GetPUrl(text);
        if (pageUrl.isEmpty()) {
            pageUrl = QUrl::fromLocalFile(QFileInfo(ctrl.Abs(file)).absoluteFilePath()).toString();
        }
        LinkOptions opt;
        opt.pageUrl = pageUrl;
        opt.fromLocalHtml = true;
        LinkExtract ex(ctrl, opt);
        if (!ex.GetUrlList(0, text)) return QString("");
        const QString title = Assist::Trim(GetPTtl(ex.NormText(), true));
        return MkListFile(pageUrl, title, ex.PageLinks());
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("S_Thrd GetUrlListFromHtml Error : ") +
                        QString::fromLocal8Bit(e.what()));
        return QString("");
    }
}

}  // namespace korvi
