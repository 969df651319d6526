#include <QFileInfo>

#include "cli/Cli.h"
#include "engine/match/Matcher.h"
#include "shell/Context.h"
#include "store/TextCodec.h"

namespace korvi {

int RunMatch(Context& ctx, const QStringList& raw);

namespace {
constexpr const char* kMatchUsage = "match --words W [--type 0..3] [--case-sensitive] FILE";
}  // namespace

KORVI_CLI_COMMAND(match, "match", kMatchUsage, RunMatch);

int RunMatch(Context& ctx, const QStringList& raw) {
    static const cli::Command self{"match", kMatchUsage, RunMatch};
    const cli::Args args(raw, {QStringLiteral("words"), QStringLiteral("type")},
                         {QStringLiteral("case-sensitive")});
    if (!args.Ok()) return cli::UsageError(self, args.Error());
    if (!args.Has(QStringLiteral("words"))) return cli::UsageError(self, "--words is required");
    if (args.Positional().size() != 1) return cli::UsageError(self, "exactly one FILE expected");

    int type = 0;
    if (args.Has(QStringLiteral("type"))) {
        const QString t = args.Value(QStringLiteral("type"));
        if (t.size() != 1 || t.at(0) < u'0' || t.at(0) > u'3') {
            return cli::UsageError(self, QStringLiteral("--type must be 0, 1, 2 or 3"));
        }
        type = t.at(0).unicode() - u'0';
    }

    const QString path = cli::CallerPath(args.Positional().first());
    if (!QFileInfo(path).isFile()) {
        cli::PrintError(QStringLiteral("korvi-run: no such file ") + path);
        return cli::kFail;
    }
    const QString text = DecodeText(ctx.Ctrl().LoadBytes(path));

    Matcher matcher(&ctx.Ctrl());
    matcher.SetSearchType(type);
    matcher.SetCaseSensitive(args.Flag(QStringLiteral("case-sensitive")));
    const QString context = matcher.SrchStrList(args.Value(QStringLiteral("words")), text);
    if (context.isEmpty()) return cli::kFail;
    cli::PrintLine(context);
    return cli::kOk;
}

}  // namespace korvi
