#include "engine/crawl/UrlFilter.h"

#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

RegionFlags RegionFlags::FromIni(const Assist& ini, const QString& section) {
    RegionFlags f;
    f.domain_out = ini.GetIni(section, QStringLiteral("domain_out")) == u"1";
    f.directory_out = ini.GetIni(section, QStringLiteral("directory_out")) == u"1";
    f.directory_in = ini.GetIni(section, QStringLiteral("directory_in")) == u"1";
    return f;
}

UrlPrefixes UrlPrefixes::FromUrl(const QString& url) {
    UrlPrefixes p;
    QString u = url;
    u.replace(u'\\', u'/');
    if (!u.contains(QStringLiteral("://"))) return p;

    // Scheme, empty piece and host: the first three "/"-separated pieces.
    qsizetype end = -1;
    for (int piece = 0; piece < 3; ++piece) {
        end = u.indexOf(u'/', end + 1);
        if (end < 0) break;
    }
    p.server_root = (end < 0 ? u : u.left(end)) + u'/';

    QString noQuery = u;
    const qsizetype q = noQuery.indexOf(u'?');
    if (q >= 0) noQuery.truncate(q);
    p.base_dir = noQuery.left(noQuery.lastIndexOf(u'/') + 1);
    // "http://host" has no path: its directory is the server root, not "http://".
    if (p.base_dir.size() < p.server_root.size()) p.base_dir = p.server_root;
    return p;
}

ExtFilterMode ExtFilterModeFromText(const QString& text) {
    if (text == u"in") return ExtFilterMode::kIn;
    if (text == u"out") return ExtFilterMode::kOut;
    return ExtFilterMode::kAll;
}

UrlFilter::UrlFilter(const UrlFilterSettings& settings)
    : settings_(settings),
      base_(UrlPrefixes::FromUrl(settings.base_url)),
      list_(u',' + settings.ext_list.toLower() + u',') {}

void UrlFilter::SetPage(const QString& pageUrl, int depth, const QString& extension) {
    page_ = UrlPrefixes::FromUrl(pageUrl);
    page_extension_ = extension;
    depth_ = depth;
}

bool UrlFilter::InRegion(const QString& url, const UrlPrefixes& prefixes,
                         const RegionFlags& flags) {
    const bool inDomain = url.startsWith(prefixes.server_root);
    const bool inDir = url.startsWith(prefixes.base_dir);
    if (!flags.domain_out && !inDomain) return false;
    if (!flags.directory_out && inDomain && !inDir) return false;
    if (!flags.directory_in && inDir) return false;
    return true;
}

bool UrlFilter::ChckFltrUrlRange(const QString& url) const {
    return InRegion(url, base_, settings_.target);
}

bool UrlFilter::ChckFltrUrlCrsRange(const QString& url) const {
    return InRegion(url, page_, settings_.crs_target);
}

bool UrlFilter::ChckFltrExtnsn(const QString& extension) const {
    if (settings_.ext_mode == ExtFilterMode::kAll) return true;
    const QString key = u',' + CtrlFile::AdjustExtnsn(extension).toLower() + u',';
    const bool listed = list_.contains(key);
    return settings_.ext_mode == ExtFilterMode::kIn ? listed : !listed;
}

bool UrlFilter::ChckPreDlFltrExtnsn(qint64 sizeKb) const {
    if (sizeKb <= 0) return true;
    if (depth_ <= 1 && !settings_.filter_start) return true;
    switch (settings_.ext_mode) {
        case ExtFilterMode::kIn:
            return ChckFltrSizeExtnsn(list_, page_extension_, sizeKb);
        case ExtFilterMode::kOut:
            return !ChckFltrSizeExtnsn(list_, page_extension_, sizeKb);
        case ExtFilterMode::kAll:
            break;
    }
    return true;
}

bool UrlFilter::ChckFltrSizeExtnsn(const QString& list, const QString& extension, qint64 sizeKb) {
    if (list.isEmpty() || extension.isEmpty()) return false;
    const QString key = u',' + CtrlFile::AdjustExtnsn(extension).toLower() + u',';
    const qsizetype p = list.indexOf(key);
    if (p < 0) return false;
    if (sizeKb < 0) return true;
    const qsizetype q = p + key.size();
    if (q >= list.size()) return true;
    const QChar sign = list.at(q);
    if (sign != u'>' && sign != u'<') return true;
    qsizetype end = list.indexOf(u',', q + 1);
    if (end < 0) end = list.size();
    bool ok = false;
    const qint64 limit = list.mid(q + 1, end - q - 1).trimmed().toLongLong(&ok);
    // A threshold that is not a number limits nothing.
    if (!ok) return true;
    return sign == u'>' ? sizeKb > limit : sizeKb < limit;
}

}  // namespace korvi
