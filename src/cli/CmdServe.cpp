#include <QCoreApplication>
#include <QFileInfo>
#include <QSize>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <mutex>

#include "cli/Cli.h"
#include "engine/RunContext.h"
#include "engine/profile/Profile.h"
#include "platform/IpcEndpoint.h"
#include "server/HeadlessHost.h"
#include "server/HttpSrvr.h"
#include "server/MountFetch.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"

namespace korvi::cli {

namespace {

const Command kServe{"serve", "serve [ARG]", nullptr};

// The write end of the pipe that turns SIGINT and SIGTERM into an event.
int g_signal_fd = -1;

void OnSignal(int) {
    const char c = 1;
    if (g_signal_fd >= 0) (void)!::write(g_signal_fd, &c, 1);
}

// Ends the event loop on SIGINT or SIGTERM for as long as it lives.
class SignalStop {
public:
    SignalStop() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
        ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
        g_signal_fd = fds_[1];
        struct sigaction sa = {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, &old_int_);
        ::sigaction(SIGTERM, &sa, &old_term_);
        notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
            char c;
            (void)!::read(fds_[0], &c, 1);
            signalled_ = true;
            QCoreApplication::exit(0);
        });
    }
    ~SignalStop() {
        if (fds_[0] < 0) return;
        ::sigaction(SIGINT, &old_int_, nullptr);
        ::sigaction(SIGTERM, &old_term_, nullptr);
        g_signal_fd = -1;
        delete notifier_;
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    bool Signalled() const { return signalled_; }

private:
    int fds_[2] = {-1, -1};
    struct sigaction old_int_ = {};
    struct sigaction old_term_ = {};
    QSocketNotifier* notifier_ = nullptr;
    bool signalled_ = false;
};

int RunServe(Context& ctx, const QStringList& raw) {
    const Args args(raw, {}, {});
    if (!args.Ok()) return UsageError(kServe, args.Error());
    if (args.Positional().size() > 1) return UsageError(kServe, QStringLiteral("at most one ARG"));
    QString arg = args.Positional().value(0);
    // A list file named relative to the caller; URLs and other texts stay.
    if (!arg.isEmpty() && QFileInfo::exists(CallerPath(arg))) arg = CallerPath(arg);
    const QString message =
        arg.isEmpty() ? QString() : WinSrvrCore::kPrefix + QStringLiteral("StartKorvi ") + arg;

    // An instance already serving this home takes the request.
    const QString endpoint = IpcName(ctx.Home());
    if (SendToInstance(endpoint, message, 2000)) {
        PrintError(message.isEmpty()
                       ? QStringLiteral("korvi-run: Korvi already runs for this home")
                       : QStringLiteral("korvi-run: handed to the running Korvi: ") + message);
        return kOk;
    }

    const CommonSettings& cmn = ctx.Cmn();  // read at start by main

    HeadlessHost host(ctx);
    host.SetProgress([](const QString& line) { PrintError(line); });
    // Runs go to one run control at a time; the host asks before it starts one.
    std::mutex runMutex;
    std::unique_ptr<RunContext> current;
    host.SetRunStarter([&](const RunRequest& r) {
        std::lock_guard<std::mutex> lock(runMutex);
        if ((current && current->Run().IsRunning()) || r.rows.empty()) return false;
        current.reset();
        ctx.Ctrl().SetRunId(r.runId);
        QList<StartRow> rows;
        for (const InitRow& row : r.rows) rows.append({row.url, row.ttl, row.ext});
        current = std::make_unique<RunContext>(ctx, r.opt, rows.first().url);
        RunControl& run = current->Run();
        run.SetQuiet(r.quiet);
        run.onEndMessage = [](const QString& title, const QString& text) {
            PrintError(title + QStringLiteral(": ") + text);
        };
        run.onQuietEnd = [] { PrintError(QStringLiteral("korvi-run: scheduled run ended")); };
        PrintError(QStringLiteral("korvi-run: run into ") + ctx.Ctrl().RunFolder());
        current->Start(rows, r.search ? r.words : QString());
        return true;
    });
    host.SetRunActive([&] {
        std::lock_guard<std::mutex> lock(runMutex);
        return current && current->Run().IsRunning();
    });
    // The mount request goes out with the proxy and User-Agent of the
    // common profile.
    DlSrchOpt mountOpt;
    const QString optName =
        IsValidOptName(cmn.Opt().option_type) ? cmn.Opt().option_type : kDefaultOptName;
    ApplyOptUncommon(ctx.Ctrl(), OptPath(optName), mountOpt);
    Resident::Options options;
    options.fetch = MkMountFetch(ctx.Ctrl(), mountOpt);
    Resident resident(ctx, host, host, options);
    SignalStop signals;
    QString error;
    if (!resident.Start(message, &error)) {
        PrintError(QStringLiteral("korvi-run: cannot serve this home: ") + error);
        return kFail;
    }
    const HttpSrvr& http = resident.Http();
    if (http.GetState() == HttpSrvr::kRunning) {
        PrintError(QStringLiteral("korvi-run: HTTP server on ") + http.GetTables()->opt.bind +
                   u':' + QString::number(http.Port()));
    } else {
        PrintError(QStringLiteral("korvi-run: HTTP server not in use"));
    }
    PrintError(QStringLiteral("korvi-run: resident for ") + ctx.Home() +
               QStringLiteral(" (send \"SndMes:ExitServer\" to end)"));
    QCoreApplication::exec();
    resident.Stop();
    {
        std::lock_guard<std::mutex> lock(runMutex);
        if (current) current->Run().Abort();
    }
    PrintError(signals.Signalled() ? QStringLiteral("korvi-run: stopped by signal")
                                   : QStringLiteral("korvi-run: server ended"));
    return kOk;
}

}  // namespace

KORVI_CLI_COMMAND(serve, "serve", "serve [ARG]", RunServe);

}  // namespace korvi::cli
