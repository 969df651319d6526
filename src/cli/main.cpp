#include <QCoreApplication>
#include <QDir>
#include <QSize>

#include <cstdio>

#include "KorviVersion.h"
#include "cli/Cli.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "shell/RunId.h"

using namespace korvi;

namespace {

void Print(std::FILE* to, const QString& text) {
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
}

int UsageFailure(const QString& reason) {
    cli::PrintError(QStringLiteral("korvi-run: ") + reason);
    cli::PrintError(QStringLiteral("Try 'korvi-run --help' for more information."));
    return cli::kUsage;
}

// Takes "--home DIR" or "--home=DIR" at args[i]; false when it is not one.
bool TakeHome(QStringList& args, qsizetype i, QString* home, bool* missing) {
    const QString& a = args.at(i);
    if (a == QStringLiteral("--home")) {
        if (i + 1 >= args.size()) {
            *missing = true;
            return true;
        }
        *home = args.at(i + 1);
        args.remove(i, 2);
        return true;
    }
    if (a.startsWith(QStringLiteral("--home="))) {
        *home = a.mid(7);
        args.remove(i);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    // Options before the command: --home, --help, --version.
    QString home;
    bool missing = false;
    while (!args.isEmpty() && args.first().startsWith(u'-')) {
        const QString a = args.first();
        if (TakeHome(args, 0, &home, &missing)) {
            if (missing) return UsageFailure(QStringLiteral("--home needs a value"));
            continue;
        }
        if (a == QStringLiteral("-h") || a == QStringLiteral("--help")) {
            Print(stdout, cli::ProgramHelp());
            return cli::kOk;
        }
        if (a == QStringLiteral("-V") || a == QStringLiteral("--version")) {
            Print(stdout, QStringLiteral("korvi-run " KORVI_VERSION "\n"));
            return cli::kOk;
        }
        if (a == QStringLiteral("--")) {
            args.removeFirst();
            break;
        }
        return UsageFailure(QStringLiteral("unknown option ") + a);
    }
    if (args.isEmpty()) {
        Print(stderr, cli::ProgramHelp());
        return cli::kUsage;
    }
    const QString name = args.takeFirst();
    if (name == QStringLiteral("help")) {
        if (args.isEmpty()) {
            Print(stdout, cli::ProgramHelp());
            return cli::kOk;
        }
        const cli::Command* about = cli::FindCommand(args.first());
        if (!about || args.size() > 1)
            return UsageFailure(QStringLiteral("no such command: ") + args.join(u' '));
        Print(stdout, cli::CommandHelp(*about));
        return cli::kOk;
    }
    const cli::Command* command = cli::FindCommand(name);
    if (!command) return UsageFailure(QStringLiteral("unknown command ") + name);

    // The command's own line: --home and --help may stand anywhere before "--".
    for (qsizetype i = 0; i < args.size();) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--")) break;
        if (a == QStringLiteral("-h") || a == QStringLiteral("--help")) {
            Print(stdout, cli::CommandHelp(*command));
            return cli::kOk;
        }
        if (TakeHome(args, i, &home, &missing)) {
            if (missing) return cli::UsageError(*command, QStringLiteral("--home needs a value"));
            continue;
        }
        ++i;
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
