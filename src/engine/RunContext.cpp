#include "engine/RunContext.h"

#include <QFileInfo>

#include "engine/crawl/CrawlServices.h"
#include "engine/profile/Profile.h"
#include "shell/Assist.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "store/RunLock.h"

namespace korvi {

RunContext::RunContext(Context& ctx, const DlSrchOpt& opt, const QString& baseUrl)
    : ctx_(ctx),
      opt_text_(OptToStr(opt)),
      base_url_(baseUrl),
      scripts_(ctx.Ctrl(), ctx.Busy(), ctx.Scripts()) {
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
    std::shared_ptr<CrawlServices> services = MakeCrawlServices(parts);
    // Stored pages go into the store index as the run goes.
    services->stored = [&index = ctx.Index()](const QString& path) {
        if (!path.isEmpty()) index.PageStored(path);
    };
    run_ = std::make_unique<RunControl>(std::move(services), RunSettings::FromOpt(opt, baseUrl));
    run_->Warc().Configure(opt.warc, QString(), ctx.Cmn().Opt().option_type, opt_text_);
    run_->onStarting = [this] { ClaimFolder(); };
    run_->onStopped = [this] { FreeFolder(); };
}

void RunContext::ClaimFolder() {
    CtrlFile& ctrl = ctx_.Ctrl();
    std::lock_guard lock(lock_mutex_);
    const QString base = ctrl.RunId();
    if (lock_.Held() && lock_.Folder() == ctrl.Abs(ctrl.RunFolder())) return;
    QString id = base;
    for (int n = 2; n <= 1000; ++n) {
        const QString folder = ctrl.Abs(ctrl.LogRoot() + u'/' + id);
        if (lock_.Take(folder)) {
            if (id != base) ctrl.SetRunId(id);
            return;
        }
        if (!QFileInfo(folder).isDir()) break;
        id = RunLock::Suffixed(base, n);
    }
    // No folder could be claimed (the root is not writable): the run goes on
    // as before and reports its failures as it stores.
    ctrl.SaveErrLog(QStringLiteral("Run Folder Lock Error : ") + ctrl.RunFolder());
}

void RunContext::FreeFolder() {
    std::lock_guard lock(lock_mutex_);
    const QString folder = lock_.Held() ? lock_.Folder() : QString();
    lock_.Release();
    // The rest of the run's pages go into the store index on a thread of its own.
    if (!folder.isEmpty()) ctx_.Index().RunEnded(folder);
}

QList<QPair<QString, QString>> RunContext::JournalValues(const QString& words) const {
    return {{QStringLiteral("opt"), opt_text_},
            {QStringLiteral("base"), base_url_},
            {QStringLiteral("words"), words}};
}

void RunContext::Start(const QList<StartRow>& rows, const QString& words) {
    run_->SetSearchWords(words);
    run_->KeepJournal(JournalValues(words));
    run_->StartDlSearch(ctx_.Proxy(), rows);
}

void RunContext::Resume(const JournalData& journal, const QString& words) {
    run_->SetSearchWords(words);
    run_->KeepJournal(JournalValues(words));
    run_->Resume(journal);
    run_->StartDlSearch(ctx_.Proxy(), {});
}

DlSrchOpt ResumeSource::Opt() const {
    DlSrchOpt out;
    Assist held;
    held.InitIni(opt);
    ReadOptSections(held, out);
    return out;
}

bool ResumeSource::Read(const QString& folder, QString* why) {
    if (!RunJournal::Read(folder, &journal)) {
        *why = QStringLiteral("no run journal in ") + folder;
        return false;
    }
    if (journal.ended) {
        *why = QStringLiteral("the run in ") + folder + QStringLiteral(" has ended");
        return false;
    }
    if (RunLock::InUse(folder)) {
        *why = QStringLiteral("a live run holds ") + folder;
        return false;
    }
    opt = journal.Value(QStringLiteral("opt"));
    base = journal.Value(QStringLiteral("base"));
    words = journal.Value(QStringLiteral("words"));
    return true;
}

}  // namespace korvi
