#include "engine/page/LinkExtract.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

#include "engine/page/HtmlText.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

// The normalised text holds no lone surrogate, so patterns skip their check.
constexpr auto kNoCheck = QRegularExpression::DontCheckSubjectStringMatchOption;

const QRegularExpression& BaseTagPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("(<BASE[^>]+?>)"), true);
    return re;
}

// Page links. Group 1 is the form; the URL is group 2 (in double quotes),
// 3 (in single quotes) or 4 (bare). A quoted URL runs to its closing quote,
// blanks and "<" included; a bare one ends at a blank, quote, "<", ">" or
// ")". "@import" and script calls take quoted URLs only. A script call is
// "open" plus identifier characters and "("; a CSS url is "url(" standing as
// a word (checked by UrlStandsAlone: a look-behind here costs a third of the
// speed).
const QRegularExpression& PageLinkPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral("(HREF=|url\\([ ]?|; URL=|@import[ ]?(?=[\"'])|"
                       "OPEN[\\w$]*[ ]?\\([ ]?(?=[\"']))"
                       "(?:\"([^\"]++)\"|'([^']++)'|([^\"<> '\\)]++)(?=[\" >'\\)]))"),
        true);
    return re;
}

// Object links; "<link" stays inside its own tag.
const QRegularExpression& ObjLinkPattern() {
    static const QRegularExpression re =
        CompiledPattern(QStringLiteral("(SRC=|BACKGROUND=|<link[^<>]*? HREF=|archive=)"
                                       "(?:\"([^\"]++)\"|'([^']++)'|([^\"<> ']++)(?=[\" >']))"),
                        true);
    return re;
}

const QRegularExpression& ImgAltPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral("(<IMG SRC=\"?)([^\" >]+?)([\" >][^>]*?ALT=\"?)([^\" >]+?)([\" >])"), true);
    return re;
}

// A document is markup when it opens with a tag or holds the frame of a page;
// style sheets and scripts fetched on their own are not.
bool LooksLikeMarkup(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == QChar(0xFEFF))) ++i;
    if (i < text.size() && text.at(i) == u'<') return true;
    for (const char* frame : {"<html", "<head", "<body"}) {
        if (text.contains(QLatin1String(frame), Qt::CaseInsensitive)) return true;
    }
    return false;
}

// A string of a script names a URL only when it reads like one: no blanks or
// expression characters, and a "/", a scheme or a file extension.
bool LooksLikeUrl(QStringView v) {
    if (v.isEmpty()) return false;
    for (const QChar c : v) {
        if (c.isSpace() || QStringView(u"(){}[]<>\\^`|$!*'\"").contains(c)) return false;
    }
    qsizetype end = v.size();
    for (const char16_t stop : {u'?', u'#'}) {
        const qsizetype at = v.indexOf(stop);
        if (at >= 0 && at < end) end = at;
    }
    const QStringView path = v.left(end);
    if (path.contains(u'/')) return true;
    static const QRegularExpression ext(
        QStringLiteral(
            "^[\\w.~%+-]*[\\w~%-]\\.(?:html?|xhtml|php\\d?|aspx?|jsp|cgi|css|js|json|xml|png|"
            "jpe?g|gif|svg|ico|webp|pdf|txt|zip|gz)$"),
        QRegularExpression::CaseInsensitiveOption);
    return ext.match(path).hasMatch();
}

// "url(" is a CSS function only as a word of its own ("geturl(" is not).
bool UrlStandsAlone(const QString& text, qsizetype at) {
    if (at <= 0 || text.at(at).toLower() != u'u') return true;
    const QChar before = text.at(at - 1);
    return !(before.isLetterOrNumber() || before == u'_' || before == u'-');
}

// Whether a link form found at a place of a page can hold a link there:
// attributes in tags, script calls and assignments in scripts, CSS urls in
// style content and style attributes.
bool FormFits(QStringView form, MarkupPlace place) {
    const QChar c = form.isEmpty() ? QChar() : form.at(0).toLower();
    switch (c.unicode()) {
        case u'<':  // "<link ... href": bounded to its tag by the pattern
            return place == MarkupPlace::kText;
        case u'u':  // url(
            return place == MarkupPlace::kTag || place == MarkupPlace::kStyle;
        case u'@':  // @import
            return place == MarkupPlace::kStyle;
        case u';':  // "; URL=" of a refresh
            return place == MarkupPlace::kTag;
        case u'o':  // a script call
        case u'h':  // href=
        case u's':  // src=
            return place == MarkupPlace::kTag || place == MarkupPlace::kScript;
        default:  // background=, archive=
            return place == MarkupPlace::kTag;
    }
}

// The link forms a document of that kind can hold.
bool SourceFits(QStringView form, LinkSource source) {
    const QChar c = form.isEmpty() ? QChar() : form.at(0).toLower();
    switch (source) {
        case LinkSource::kNone:
            return false;
        case LinkSource::kStyle:
            return c == u'u' || c == u'@';
        case LinkSource::kScript:
            return c == u'o' || c == u'h' || c == u's';
        default:
            return true;
    }
}

}  // namespace

LinkSource LinkSourceOf(const QByteArray& contentType, const QString& extension) {
    QByteArray type = contentType;
    const qsizetype semi = type.indexOf(';');
    if (semi >= 0) type.truncate(semi);
    type = type.trimmed().toLower();
    if (!type.isEmpty()) {
        if (type == "text/html" || type == "application/xhtml+xml") return LinkSource::kPage;
        if (type == "text/css") return LinkSource::kStyle;
        if (type.contains("javascript") || type.contains("ecmascript")) return LinkSource::kScript;
        return LinkSource::kNone;
    }
    const QString ext = extension.toLower();
    static const QStringList pages = {"html", "htm", "shtml", "xhtml", "xht", "php", "asp",
                                      "aspx", "jsp", "cgi",   "pl",    "cfm", "do"};
    static const QStringList plain = {"txt",  "text",  "md",  "rst",  "c",   "h",    "cc",   "cpp",
                                      "hpp",  "py",    "gz",  "tgz",  "bz2", "xz",   "zip",  "tar",
                                      "pdf",  "png",   "jpg", "jpeg", "gif", "ico",  "webp", "svg",
                                      "woff", "woff2", "ttf", "json", "xml", "diff", "patch"};
    if (pages.contains(ext) || ext.startsWith(QLatin1String("php"))) return LinkSource::kPage;
    if (ext == u"css") return LinkSource::kStyle;
    if (ext == u"js" || ext == u"mjs") return LinkSource::kScript;
    if (plain.contains(ext)) return LinkSource::kNone;
    return LinkSource::kAuto;
}

LinkExtract::LinkExtract(CtrlFile& ctrl, LinkOptions options)
    : ctrl_(ctrl),
      opt_(std::move(options)),
      file_links_(QUrl(opt_.pageUrl).scheme() == QLatin1String("file")) {}

bool LinkExtract::Refused(const QString& absUrl) const {
    return !file_links_ && absUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

bool LinkExtract::Prepare(const QString& text) {
    norm_ = GetNonDlmtrHtml(text);
    base_ = GetBaseUrl(
        norm_, opt_.pageUrl, [this](const QString& m) { ctrl_.SaveErrLog(m); }, true);
    if (!base_.isValid()) return false;
    resolver_ = LinkResolver(base_);
    if (BaseTagPattern().match(norm_, 0, QRegularExpression::NormalMatch, kNoCheck).hasMatch()) {
        norm_.replace(BaseTagPattern(), QString());
    }
    markup_ = opt_.source == LinkSource::kPage ||
              (opt_.source == LinkSource::kAuto && LooksLikeMarkup(norm_));
    prepared_ = true;
    return true;
}

void LinkExtract::ResetScan() {
    last_lt_ = -1;
    next_lt_ = norm_.indexOf(u'<');
    if (next_lt_ < 0) next_lt_ = norm_.size();
    gt_from_ = gt_pos_ = -1;
    end_from_ = end_pos_ = -1;
}

qsizetype LinkExtract::NextGt(qsizetype from) {
    // The cached answer holds while it is not behind the new start.
    if (gt_from_ >= 0 && from >= gt_from_ && (gt_pos_ < 0 || gt_pos_ >= from)) return gt_pos_;
    gt_from_ = from;
    gt_pos_ = norm_.indexOf(u'>', from);
    return gt_pos_;
}

qsizetype LinkExtract::NextEndAnchor(qsizetype from) {
    if (end_from_ >= 0 && from >= end_from_ && (end_pos_ < 0 || end_pos_ >= from)) {
        return end_pos_;
    }
    end_from_ = from;
    end_pos_ = FindEndAnchor(norm_, from);
    return end_pos_;
}

// GetTitle over the normalised text, with the searches cached so that a
// page of many links (or broken markup) stays linear.
QString LinkExtract::TitleAt(qsizetype pos) {
    if (pos < last_lt_) ResetScan();  // positions went back: start over
    while (next_lt_ < pos) {
        last_lt_ = next_lt_;
        next_lt_ = norm_.indexOf(u'<', next_lt_ + 1);
        if (next_lt_ < 0) next_lt_ = norm_.size();
    }
    const qsizetype lt = last_lt_;
    if (lt < 0 ||
        QStringView(norm_).mid(lt, 3).compare(QLatin1String("<a "), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("not link");
    }
    const qsizetype gt = NextGt(pos);
    if (gt < 0) return QString("");
    const qsizetype end = NextEndAnchor(gt + 1);
    if (end < 0) return QString("");
    return AnchorText(norm_, gt + 1, end);
}

bool LinkExtract::GetUrlList(int mode, const QString& text) {
    if (!prepared_ && !Prepare(text)) return false;
    LinkList& out = mode == 1 ? obj_ : page_;
    out.clear();
    if (opt_.source == LinkSource::kNone) return true;
    ResetScan();
    const QRegularExpression& re = mode == 1 ? ObjLinkPattern() : PageLinkPattern();
    const ErrSink sink = [this](const QString& m) { ctrl_.SaveErrLog(m); };
    MarkupWalker places(norm_);
    QRegularExpressionMatchIterator it =
        re.globalMatch(norm_, 0, QRegularExpression::NormalMatch, kNoCheck);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        try {
            if (!UrlStandsAlone(norm_, m.capturedStart())) continue;
            const QStringView form = m.capturedView(1);
            if (!SourceFits(form, opt_.source)) continue;
            bool script = opt_.source == LinkSource::kScript;
            if (markup_) {
                const MarkupPlace place = places.At(m.capturedStart());
                if (!FormFits(form, place)) continue;
                script = place == MarkupPlace::kScript;
            }
            int group = 2;
            while (group < 4 && m.capturedStart(group) < 0) ++group;
            // Inside quotes the URL runs to the closing quote; blanks around it
            // are not part of it.
            const QString raw = m.capturedView(group).trimmed().toString();
            if (raw.isEmpty()) continue;
            // A script names URLs only in quoted strings that read like one.
            if (script && (group == 4 || !LooksLikeUrl(raw))) continue;
            if (raw.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) continue;
            const QString abs = resolver_.Resolve(raw, sink);
            if (abs.isEmpty() || Refused(abs)) continue;
            const QString ext = ctrl_.GetUrlExtnsn(abs);
            if (!opt_.fromLocalHtml && opt_.accept && !opt_.accept(abs, ext)) continue;
            const QString title = TitleAt(m.capturedStart());
            out.append(ChngUrl(abs, opt_.restSharp), title, ext);
        } catch (const std::exception& e) {
            ctrl_.SaveErrLog(QStringLiteral("GetUrlList Group Match Error : ") +
                             QString::fromLocal8Bit(e.what()));
        }
    }
    return true;
}

bool LinkExtract::GetImgList() {
    img_url_.clear();
    img_alt_.clear();
    if (!prepared_) return false;
    if (!markup_ && opt_.source != LinkSource::kAuto) return true;  // images stand in pages only
    const ErrSink sink = [this](const QString& m) { ctrl_.SaveErrLog(m); };
    QRegularExpressionMatchIterator it =
        ImgAltPattern().globalMatch(norm_, 0, QRegularExpression::NormalMatch, kNoCheck);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString abs = resolver_.Resolve(m.captured(2), sink);
        if (abs.isEmpty() || Refused(abs)) continue;
        QString url = ChngUrl(abs, opt_.restSharp);
        url.replace(u' ', QStringLiteral("%20"));
        img_url_.append(url);
        img_alt_.append(m.captured(4));
    }
    return true;
}

}  // namespace korvi
