#include "server/Resident.h"

#include "platform/IpcEndpoint.h"
#include "schedule/KorviSchd.h"
#include "schedule/SchdCheck.h"
#include "server/HttpSrvr.h"
#include "server/ServerDocs.h"
#include "server/WinSrvrCore.h"
#include "shell/Context.h"

namespace korvi {

Resident::Resident(Context& ctx, ResidentHost& host, SchdHost& schd, Options options)
    : ctx_(ctx),
      options_(std::move(options)),
      core_(std::make_unique<WinSrvrCore>(ctx.Ctrl(), host)),
      http_(std::make_unique<HttpSrvr>(ctx)),
      table_(std::make_unique<KorviSchd>(ctx.Ctrl())),
      check_(std::make_unique<SchdCheck>(*table_, ctx.GetClock(), schd)),
      mount_(std::make_unique<UrlMount>(ctx.Ctrl(), options_.fetch)) {
    // A resident process lives long: the folders it searches are watched.
    ctx.Index().SetWatching(true);
    ServerDocs::Wire(*http_, ctx.Ctrl(), ctx.Match(), &ctx.Index());
}

Resident::~Resident() {
    Stop();
}

bool Resident::Start(const QString& message, QString* error) {
    if (running_) return true;
    auto listener = std::make_unique<MessageListener>(
        [core = core_.get()](const QString& text) { core->SetMessage(text); });
    if (!listener->Listen(IpcName(ctx_.Home()), error)) return false;
    listener_ = std::move(listener);

    http_->Start();
    table_->InitLstData();
    mount_->LoadSettings();
    core_->SetScheduleCheck([check = check_.get()] { check->ChkSchd(); });
    core_->SetUrlMountCheck([this] {
        std::lock_guard lock(mount_mutex_);
        if (mount_reload_.exchange(false)) mount_->LoadSettings();
        mount_->ChkUM(true);
    });
    if (!message.isEmpty()) core_->SetMessage(message);
    core_->Start(options_.loopMs > 0 ? options_.loopMs : 200);
    running_ = true;
    return true;
}

void Resident::Stop() {
    if (!running_) return;
    running_ = false;
    core_->Stop();
    // A "mount now" under way finishes first.
    { std::lock_guard lock(mount_mutex_); }
    http_->Shutdown();
    listener_.reset();
}

int Resident::SrvrState() const {
    return http_->GetState();
}

int Resident::StartSrvr(QString* error) {
    const int state = http_->Start();
    // The mount takes its settings anew at its next check.
    mount_reload_.store(true);
    if (state == HttpSrvr::kNotStarted && error) *error = http_->LastError();
    return state;
}

void Resident::StopSrvr() {
    http_->Stop();
}

bool Resident::MountNow(QString* url) {
    std::lock_guard lock(mount_mutex_);
    if (mount_reload_.exchange(false)) mount_->LoadSettings();
    if (url) *url = mount_->Url();
    return mount_->ChkUM(false);
}

}  // namespace korvi
