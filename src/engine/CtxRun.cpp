#include "engine/CtxRun.h"

#include "engine/CrawlServices.h"
#include "engine/Profile.h"
#include "shell/Context.h"

namespace korvi {

CtxRun::CtxRun(Context& ctx, const DlSrchOpt& opt, const QString& baseUrl)
    : ctx_(ctx), scripts_(ctx.Ctrl(), ctx.Busy(), ctx.Scripts()) {
    ctx.Avoid().InitAvoidDl(opt.avoid_dl_file_list);
    ctx.Avoid().InitOvwrtDl(opt.overwrite_dl_file_list);
    ctx.Login().InitAutoLogin(ctx.Ctrl());
    CrawlParts parts;
    parts.ctrl = &ctx.Ctrl();
    parts.clock = &ctx.GetClock();
    parts.proxy = &ctx.Proxy();
    parts.cookies = ctx.Login().Count() > 0 ? &ctx.Cookies() : nullptr;
    parts.avoid = &ctx.Avoid();
    parts.login = &ctx.Login();
    parts.matcher = &ctx.Match();
    parts.scripts = &scripts_;
    run_ =
        std::make_unique<RunControl>(MakeCrawlServices(parts), RunSettings::FromOpt(opt, baseUrl));
}

void CtxRun::Start(const QList<StartRow>& rows, const QString& words) {
    run_->SetSearchWords(words);
    run_->StartDlSearch(ctx_.Proxy(), rows);
}

}  // namespace korvi
