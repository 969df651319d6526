#pragma once

#include <QString>

namespace korvi {

class Assist;

// Which regions around a reference URL may be followed (profile sections
// Target and CrsTarget: keys domain_out, directory_out, directory_in).
struct RegionFlags {
    bool domain_out = true;
    bool directory_out = true;
    bool directory_in = true;

    // Reads the three keys of a section; a box counts as set only when "1".
    static RegionFlags FromIni(const Assist& ini, const QString& section);
};

// The two prefixes of a reference URL: the server root ("http://host/") and
// the base directory (the URL without its query, cut after its last "/").
// "\" counts as "/". A URL without "://" gives two empty prefixes.
struct UrlPrefixes {
    QString server_root;
    QString base_dir;

    static UrlPrefixes FromUrl(const QString& url);
};

// Extension filter modes: every extension, only the listed ones, all but the listed.
enum class ExtFilterMode { kAll = 0, kIn = 1, kOut = 2 };
// "all", "in" or "out" as the profile stores it; anything else is kAll.
ExtFilterMode ExtFilterModeFromText(const QString& text);

// Everything the URL filters need, handed in explicitly.
struct UrlFilterSettings {
    QString base_url;        // the init list's base URL
    RegionFlags target;      // regions around the base URL
    RegionFlags crs_target;  // regions around the linking page
    ExtFilterMode ext_mode = ExtFilterMode::kAll;
    QString ext_list;           // as typed, e.g. "-,html,jpg,>29"
    bool filter_start = false;  // apply the size filter to start rows (depth 1)
};

// The URL filters of one crawler worker. Construct once per run's settings;
// SetPage tells it which row (URL, depth) the worker is serving.
class UrlFilter {
public:
    explicit UrlFilter(const UrlFilterSettings& settings);

    // The row being served: its URL (the linking page for the cross-region
    // check), its depth (1 for a start URL) and its extension (GetUrlExtnsn).
    void SetPage(const QString& pageUrl, int depth, const QString& extension);

    // Region check against the base URL's prefixes with the Target flags.
    bool ChckFltrUrlRange(const QString& url) const;
    // Region check against the page's prefixes with the CrsTarget flags.
    bool ChckFltrUrlCrsRange(const QString& url) const;
    // Extension check without size (link extraction).
    bool ChckFltrExtnsn(const QString& extension) const;
    // Extension-and-size check of the page's URL; sizeKb <= 0 means unknown.
    bool ChckPreDlFltrExtnsn(qint64 sizeKb) const;

    // The list as held: "," + lower-cased list + ",".
    const QString& HeldList() const { return list_; }

    // The region rule itself.
    static bool InRegion(const QString& url, const UrlPrefixes& prefixes, const RegionFlags& flags);
    // List lookup with size thresholds; list as held ("," + list + ",").
    // A negative size always passes a listed extension.
    static bool ChckFltrSizeExtnsn(const QString& list, const QString& extension, qint64 sizeKb);

private:
    UrlFilterSettings settings_;
    UrlPrefixes base_;
    UrlPrefixes page_;
    QString list_;
    QString page_extension_;
    int depth_ = 1;
};

}  // namespace korvi
