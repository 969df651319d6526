#include "engine/page/LinkExtract.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

#include "engine/lists/ListFile.h"
#include "engine/page/HtmlText.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QRegularExpression& BaseTagPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("(<BASE[^>]+?>)"), true);
    return re;
}

// Page links. Group 1 is the form, group 2 the URL. The bare forms are
// bounded: a script call is "open" plus identifier characters and "(" with a
// quoted argument, a CSS url is "url(" standing as a word (checked by
// UrlStandsAlone: a look-behind here costs a third of the speed). No URL
// holds "<".
const QRegularExpression& PageLinkPattern() {
    static const QRegularExpression re =
        CompiledPattern(QStringLiteral("(HREF=[\"']?|url\\([ ]?[\"']?|@import[ ]?[\"']|; URL=|"
                                       "OPEN[\\w$]*[ ]?\\([ ]?[\"'])([^\"<> '\\)]+?)([\" >'\\)])"),
                        true);
    return re;
}

// Object links; "<link" stays inside its own tag.
const QRegularExpression& ObjLinkPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral("(SRC=[\"']?|BACKGROUND=[\"']?|<link[^<>]*? HREF=\"?|archive=\"?)"
                       "([^\"<> ']+?)([\" >'])"),
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

}  // namespace

LinkExtract::LinkExtract(CtrlFile& ctrl, LinkOptions options)
    : ctrl_(ctrl),
      opt_(std::move(options)),
      file_links_(QUrl(opt_.pageUrl).scheme() == QLatin1String("file")) {}

bool LinkExtract::Refused(const QString& absUrl) const {
    return !file_links_ && absUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

bool LinkExtract::Prepare(const QString& text) {
    norm_ = GetNonDlmtrHtml(text);
    base_ = GetBaseUrl(norm_, opt_.pageUrl, [this](const QString& m) { ctrl_.SaveErrLog(m); });
    if (!base_.isValid()) return false;
    if (BaseTagPattern().match(norm_).hasMatch()) norm_.replace(BaseTagPattern(), QString());
    markup_ = LooksLikeMarkup(norm_);
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
    ResetScan();
    const QRegularExpression& re = mode == 1 ? ObjLinkPattern() : PageLinkPattern();
    const ErrSink sink = [this](const QString& m) { ctrl_.SaveErrLog(m); };
    MarkupWalker places(norm_);
    QRegularExpressionMatchIterator it = re.globalMatch(norm_);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        try {
            if (!UrlStandsAlone(norm_, m.capturedStart())) continue;
            if (markup_ && !FormFits(m.capturedView(1), places.At(m.capturedStart()))) continue;
            const QString raw = m.captured(2);
            if (raw.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) continue;
            const QString abs = GetAbsltUrl(raw, base_, sink);
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
    const ErrSink sink = [this](const QString& m) { ctrl_.SaveErrLog(m); };
    QRegularExpressionMatchIterator it = ImgAltPattern().globalMatch(norm_);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString abs = GetAbsltUrl(m.captured(2), base_, sink);
        if (abs.isEmpty() || Refused(abs)) continue;
        QString url = ChngUrl(abs, opt_.restSharp);
        url.replace(u' ', QStringLiteral("%20"));
        img_url_.append(url);
        img_alt_.append(m.captured(4));
    }
    return true;
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
        const QString title = Assist::Trim(GetPTtl(ex.NormText()));
        return MkListFile(pageUrl, title, ex.PageLinks());
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("S_Thrd GetUrlListFromHtml Error : ") +
                        QString::fromLocal8Bit(e.what()));
        return QString("");
    }
}

}  // namespace korvi
