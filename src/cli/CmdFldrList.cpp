#include "cli/Cli.h"
#include "shell/Context.h"
#include "store/DocOpen.h"
#include "tools/FldrLst.h"
#include "tools/ToolConsole.h"

using namespace korvi;

namespace {

int RunFldrList(Context& ctx, const QStringList& raw);

KORVI_CLI_COMMAND(fldr_list, "fldr-list", "fldr-list FOLDER", RunFldrList);

const cli::Command& Self() {
    for (const cli::Command& c : cli::Commands()) {
        if (QString::fromUtf8(c.name) == QStringLiteral("fldr-list")) return c;
    }
    return cli::Commands().front();
}

int RunFldrList(Context& ctx, const QStringList& raw) {
    const cli::Args args(raw, {}, {});
    if (!args.Ok()) return cli::UsageError(Self(), args.Error());
    if (args.Positional().size() != 1) return cli::UsageError(Self(), "one FOLDER is needed");
    const QString folder = cli::CallerPath(args.Positional().first());
    ToolConsole console;
    // Headless: the page is opened only through $KORVI_OPENER.
    FldrLst list(ctx.Ctrl(), console.Message(),
                 qEnvironmentVariableIsEmpty("KORVI_OPENER") ? DocOpenFn() : EnvDocOpener());
    const QString path = list.MkFldrLstHtml(folder);
    if (path.isEmpty()) {
        cli::PrintError(QStringLiteral("korvi-run: no such folder ") + folder);
        return cli::kFail;
    }
    cli::PrintLine(path);
    return cli::kOk;
}

}  // namespace
