#pragma once

// engine/page: HTML text, link extraction, offline links, URL helpers.
// Includes nothing from the other engine rooms.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <utility>

#include "engine/page/UrlHelpers.h"

namespace korvi {

class CtrlFile;

// Three parallel lists: URL, title, extension of each link found.
struct LinkList {
    QStringList url;
    QStringList title;
    QStringList ext;

    qsizetype size() const { return url.size(); }
    bool empty() const { return url.isEmpty(); }
    void clear() {
        url.clear();
        title.clear();
        ext.clear();
    }
    void append(const QString& u, const QString& t, const QString& e) {
        url.append(u);
        title.append(t);
        ext.append(e);
    }
};

// What kind of document links are taken from. kAuto looks at the text: a
// page when it reads as markup, else every link form anywhere.
enum class LinkSource { kAuto, kPage, kStyle, kScript, kNone };

// The source kind of a fetched document: by its Content-Type when the server
// sent one, else by the extension of its URL ("-" for none).
LinkSource LinkSourceOf(const QByteArray& contentType, const QString& extension);

struct LinkOptions {
    LinkOptions() = default;
    explicit LinkOptions(QString page) : pageUrl(std::move(page)) {}

    // URL of the page; the base for relative links when it has no BASE tag.
    QString pageUrl;
    // Keep the "#" part of listed links.
    bool restSharp = false;
    // Links of a stored page outside a run: no filters apply.
    bool fromLocalHtml = false;
    LinkSource source = LinkSource::kAuto;
    // The run's link filters (extension, regions, exclusion list); a link is
    // kept only when this says yes. Empty accepts every link.
    std::function<bool(const QString& absUrl, const QString& ext)> accept;
};

// Link extraction over one page. The first pass normalises the text and
// finds the base URL; the other passes reuse both. Not shared between
// threads (one per worker); the patterns behind it are.
class LinkExtract {
public:
    LinkExtract(CtrlFile& ctrl, LinkOptions options);

    // Mode 1: object links (SRC pass) into ObjLinks(); mode 0: page links
    // (HREF pass) into PageLinks(). False when no base URL can be made.
    bool GetUrlList(int mode, const QString& text);
    // Image pass over the normalised text: absolute image URLs (blanks as
    // "%20") and their ALT texts. Needs a pass before it; false otherwise.
    bool GetImgList();

    const LinkList& ObjLinks() const { return obj_; }
    const LinkList& PageLinks() const { return page_; }
    const QStringList& ImgUrls() const { return img_url_; }
    const QStringList& ImgAlts() const { return img_alt_; }
    const QString& NormText() const { return norm_; }
    const QUrl& BaseUrl() const { return base_; }
    bool Prepared() const { return prepared_; }
    // Forget the normalised text and base, so that the next pass works on
    // the text it is given (after a filter script replaced the page text).
    void ResetText() { prepared_ = false; }

private:
    bool Prepare(const QString& text);
    // A link no pass may list: a local file named by a page that is not local.
    bool Refused(const QString& absUrl) const;
    void ResetScan();
    QString TitleAt(qsizetype pos);
    qsizetype NextGt(qsizetype from);
    qsizetype NextEndAnchor(qsizetype from);

    CtrlFile& ctrl_;
    LinkOptions opt_;
    // Local-file links are followed only from local pages.
    bool file_links_ = false;
    bool prepared_ = false;
    // The text is a page (tags decide where links stand), not a style sheet
    // or script fetched on its own.
    bool markup_ = false;
    QString norm_;
    QUrl base_;
    LinkResolver resolver_;
    LinkList obj_;
    LinkList page_;
    QStringList img_url_;
    QStringList img_alt_;

    // Scan caches for titles; match positions only grow within a pass.
    qsizetype last_lt_ = -1;
    qsizetype next_lt_ = 0;
    qsizetype gt_from_ = -1;
    qsizetype gt_pos_ = -1;
    qsizetype end_from_ = -1;
    qsizetype end_pos_ = -1;
};

}  // namespace korvi
