#include "engine/crawl/CrawlServices.h"

#include "engine/crawl/ScriptHook.h"
#include "engine/lists/AvoidList.h"
#include "engine/match/Matcher.h"
#include "engine/page/OfflineLedger.h"
#include "engine/profile/AutoLogin.h"

namespace korvi {

std::shared_ptr<CrawlServices> MakeCrawlServices(const CrawlParts& parts) {
    auto s = std::make_shared<CrawlServices>();
    s->ctrl = parts.ctrl;
    s->clock = parts.clock;
    s->proxy = parts.proxy;
    s->cookies = parts.cookies;
    s->offline = std::make_shared<OfflineLedger>();
    if (const AvoidList* avoid = parts.avoid) {
        s->mustFetch = [avoid](const QString& path, const QString& url) {
            return avoid->ChkOvwrtDl(path, url);
        };
        s->isAvoided = [avoid](const QString& url) { return avoid->ChkAvoidDl(url); };
    }
    if (const AutoLogin* login = parts.login)
        s->autoLogin = [login](const QString& url) { return login->ChkAutoLogin(url); };
    if (Matcher* matcher = parts.matcher)
        s->match = [matcher](const QString& words, const QString& text) {
            return matcher->SrchStrList(words, text);
        };
    if (ScriptHook* hook = parts.scripts) {
        s->runScript = [hook](const QString& script,
                              const QString& text) -> std::optional<QString> {
            const FltrResult r = hook->FltrStr(QStringLiteral("func/") + script, text);
            if (r.status == FltrResult::Status::kBusy) return std::nullopt;
            if (r.status == FltrResult::Status::kReplaced) return r.text;
            return text;
        };
        s->clearScriptBusy = [hook] { hook->Busy().Release(); };
    }
    return s;
}

}  // namespace korvi
