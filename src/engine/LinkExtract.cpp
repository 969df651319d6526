#include "engine/LinkExtract.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

#include "engine/HtmlText.h"
#include "engine/ListFile.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QRegularExpression& BaseTagPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("(<BASE[^>]+?>)"), true);
    return re;
}

const QRegularExpression& PageLinkPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral(
            "(HREF=[\"']?|url\\(|; URL=|OPEN[^\\(]*?\\([ ]?[\"']?)([^\" >'\\)]+?)([\" >'\\)])"),
        true);
    return re;
}

const QRegularExpression& ObjLinkPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral("(SRC=[\"']?|BACKGROUND=[\"']?|<link[^<]*? HREF=\"?|archive=\"?)"
                       "([^\" >']+?)([\" >'])"),
        true);
    return re;
}

const QRegularExpression& ImgAltPattern() {
    static const QRegularExpression re = CompiledPattern(
        QStringLiteral("(<IMG SRC=\"?)([^\" >]+?)([\" >][^>]*?ALT=\"?)([^\" >]+?)([\" >])"), true);
    return re;
}

}  // namespace

LinkExtract::LinkExtract(CtrlFile& ctrl, LinkOptions options)
    : ctrl_(ctrl), opt_(std::move(options)) {}

bool LinkExtract::Prepare(const QString& text) {
    norm_ = GetNonDlmtrHtml(text);
    base_ = GetBaseUrl(norm_, opt_.pageUrl, [this](const QString& m) { ctrl_.SaveErrLog(m); });
    if (!base_.isValid()) return false;
    if (BaseTagPattern().match(norm_).hasMatch()) norm_.replace(BaseTagPattern(), QString());
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
    QRegularExpressionMatchIterator it = re.globalMatch(norm_);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        try {
            const QString raw = m.captured(2);
            if (raw.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) continue;
            const QString abs = GetAbsltUrl(raw, base_, sink);
            if (abs.isEmpty()) continue;
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
        if (abs.isEmpty()) continue;
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
