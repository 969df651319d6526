#include <QCoreApplication>
#include <QDir>
#include <QSize>

#include <cstdio>

#include "cli/Cli.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "shell/RunId.h"

using namespace korvi;

namespace {

int PrintUsage() {
    cli::PrintError(QStringLiteral("usage: korvi-run [--home DIR] COMMAND [ARGS...]"));
    for (const cli::Command& c : cli::Commands()) {
        cli::PrintError(QStringLiteral("  korvi-run ") + QString::fromUtf8(c.usage));
    }
    return cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    // --home may stand anywhere on the line.
    QString home;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QStringLiteral("--home")) {
            if (i + 1 >= args.size()) return PrintUsage();
            home = args.at(i + 1);
            args.remove(i, 2);
            break;
        }
        if (args.at(i).startsWith(QStringLiteral("--home="))) {
            home = args.at(i).mid(7);
            args.remove(i);
            break;
        }
    }
    if (args.isEmpty()) return PrintUsage();
    const QString name = args.takeFirst();
    const cli::Command* command = nullptr;
    for (const cli::Command& c : cli::Commands()) {
        if (name == QString::fromUtf8(c.name)) command = &c;
    }
    if (!command) {
        cli::PrintError(QStringLiteral("korvi-run: unknown command ") + name);
        return PrintUsage();
    }

    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString homeDir = HomeFolder::Resolve(home, exeDir);
    SystemClock clock;
    if (!command->usesHome) {
        Context ctx(homeDir, clock);
        return command->run(ctx, args);
    }
    QString error;
    if (!HomeFolder::Prepare(homeDir, HomeFolder::ShippedData(exeDir), &error)) {
        cli::PrintError(QStringLiteral("korvi-run: ") + error);
        return cli::kFail;
    }
    // Relative paths on the command line stay the caller's (cli::CallerPath).
    cli::SetCallerDir(QDir::currentPath());
    QDir::setCurrent(homeDir);

    Context ctx(homeDir, clock);
    ctx.Ctrl().SetRunId(InitSrchStartID(clock));
    // The common settings: download root and the matcher's defaults.
    ctx.Cmn().Read(QSize());
    ctx.Ctrl().SetLogRoot(ctx.Cmn().Opt().log_folder);
    ctx.Match().SetSearchType(ctx.Cmn().Opt().search_type);
    ctx.Match().SetCaseInsensitiveSetting(ctx.Cmn().Opt().case_insensitive);
    ctx.Index().SetEnabled(true);
    return command->run(ctx, args);
}
