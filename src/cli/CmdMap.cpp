#include "cli/Cli.h"
#include "shell/Context.h"

namespace korvi::cli {

namespace {

int RunMap(Context& ctx, const QStringList& raw);

}  // namespace

KORVI_CLI_COMMAND(map, "map", "map [--run-id ID] URL...", RunMap);

namespace {

int RunMap(Context& ctx, const QStringList& raw) {
    const Command self{"map", "map [--run-id ID] URL...", RunMap};
    const Args args(raw, {QStringLiteral("run-id")}, {});
    if (!args.Ok()) return UsageError(self, args.Error());
    if (args.Positional().isEmpty()) return UsageError(self, QStringLiteral("no URL given"));
    if (args.Has(QStringLiteral("run-id"))) {
        const QString id = args.Value(QStringLiteral("run-id"));
        if (id.isEmpty() || id == u"." || id == u".." || id.contains(u'/')) {
            return UsageError(self, QStringLiteral("--run-id must name one folder"));
        }
        ctx.Ctrl().SetRunId(id);
    }
    int rc = kOk;
    for (const QString& url : args.Positional()) {
        // Mapping only: the run's query lists stay as they are.
        const QString path = ctx.Ctrl().PeekLogFrdr(url);
        // One line per URL, so that the output lines up with the input.
        PrintLine(path);
        if (path.isEmpty()) rc = kFail;
    }
    return rc;
}

}  // namespace

}  // namespace korvi::cli
