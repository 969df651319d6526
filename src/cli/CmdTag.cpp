#include "cli/Cli.h"
#include "shell/Context.h"

namespace korvi::cli {

namespace {

int RunTag(Context& ctx, const QStringList& raw) {
    const Command self{"tag", "tag FILE", RunTag};
    const Args args(raw, {}, {});
    if (!args.Ok()) return UsageError(self, args.Error());
    if (args.Positional().size() != 1) return UsageError(self, QStringLiteral("one FILE expected"));
    const QString tag = ctx.Ctrl().GetFootTag(CallerPath(args.Positional().first()));
    if (tag.isEmpty()) return kFail;
    PrintLine(tag);
    return kOk;
}

}  // namespace

KORVI_CLI_COMMAND(tag, "tag", "tag FILE", RunTag);

}  // namespace korvi::cli
