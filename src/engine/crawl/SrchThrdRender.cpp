// The worker's rendering step: a fetched HTML page goes through the run's
// browser when the profile asks, and the document it shows takes the page's place.

#include <QFile>
#include <QUrl>

#include "engine/crawl/RobotsCache.h"
#include "engine/crawl/SrchThrd.h"
#include "engine/render/PageRenderer.h"
#include "engine/render/RenderNeed.h"
#include "store/CtrlFile.h"
#include "store/ReplaceFile.h"
#include "store/TextCodec.h"

namespace korvi {

bool SrchThrd::RenderAllows(const QString& url) {
    const QString scheme = QUrl(url).scheme();
    if (scheme != u"http" && scheme != u"https") return false;
    if (!ChckFltrUrlRange(url) || !ChckFltrUrlCrsRange(url)) return false;
    if (services_->isAvoided && services_->isAvoided(url)) return false;
    if (!settings_.robotsTxt || !services_->robots) return true;
    RobotsCache::Verdict verdict;
    return services_->robots->Check(
               url, [this](const QString& robotsUrl) { return FetchRobots(robotsUrl); },
               [this] { return stop_.load(); }, &verdict) &&
           verdict.allowed;
}

void SrchThrd::RenderFetched(const QByteArray& bytes, QString& text) {
    rendered_ = false;
    const std::shared_ptr<PageRenderer>& renderer = services_->renderer;
    // Only a whole page just fetched over the network: not a local file, a
    // stored copy or a kept one read back from disk (nothing was downloaded).
    if (!renderer || settings_.renderJs <= 0 || is_local_ || from_store_ || memory_only_ ||
        body_cut_ || text.isEmpty() || downloaded_.load() <= 0 ||
        !content_type_.toLower().contains("html"))
        return;
    if (settings_.renderJs == 2 && !PageNeedsRender(text)) return;
    const QString path = LocalPath();
    if (path.isEmpty() || stop_.load()) return;

    FetchedPage page;
    page.url = Url();
    page.status = static_cast<int>(last_http_code_.load());
    page.contentType = content_type_;
    page.body = bytes;
    RenderPolicy policy;
    policy.allow = [this](const QString& url) { return RenderAllows(url); };
    policy.pace = [this](const QString& url) { return Pace(url); };
    policy.stop = [this] { return stop_.load(); };
    const RenderResult result = renderer->Render(page, policy);
    if (!result.ok || stop_.load()) return;

    const QString abs = services_->ctrl->Abs(path);
    if (settings_.renderKeepSource) {
        // The fetched page may not be in place yet: it is written from its bytes.
        const QString source = abs + QStringLiteral(".fetched");
        QString error;
        if (!ReplaceFile::Save(source, bytes, &error))
            Log(QStringLiteral("S_Thrd Render Error : "), error + QStringLiteral("  ") + source);
    }
    if (pending_page_) {
        const QByteArray out = EncodeText(result.html);
        if (!pending_page_->Rewrite(out.constData(), out.size())) {
            Log(QStringLiteral("C_File File Write Error : "),
                pending_page_->ErrorString() + u' ' + path);
            return;
        }
    } else if (!SaveText(path, result.html)) {
        return;
    }
    text = result.html;
    rendered_ = true;
    if (recorder_) recorder_->RenderedDom(result.html.toUtf8());
}

}  // namespace korvi
