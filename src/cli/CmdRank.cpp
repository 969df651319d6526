#include "cli/Cli.h"
#include "shell/Context.h"
#include "tools/LogAnls.h"
#include "tools/ToolConsole.h"

using namespace korvi;

namespace {

int RunRank(Context& ctx, const QStringList& raw);

KORVI_CLI_COMMAND(rank, "rank",
                  "rank [--kind in|out|all] [--title most|longest|list] [--sep TEXT] "
                  "[--filter all|in|out] [--ext LIST] [-q] FOLDER",
                  RunRank);

const cli::Command& Self() {
    for (const cli::Command& c : cli::Commands()) {
        if (QString::fromUtf8(c.name) == QStringLiteral("rank")) return c;
    }
    return cli::Commands().front();
}

int RunRank(Context& ctx, const QStringList& raw) {
    const cli::Args args(raw, {"kind", "title", "sep", "filter", "ext"}, {"quiet"},
                         {{u'q', "quiet"}});
    if (!args.Ok()) return cli::UsageError(Self(), args.Error());
    if (args.Positional().size() != 1) return cli::UsageError(Self(), "one FOLDER is needed");
    const QStringList kinds{"in", "out", "all"};
    const QStringList titles{"most", "longest", "list"};
    const QString kind = args.Value("kind", "in");
    const QString title = args.Value("title", "most");
    const QString filter = args.Value("filter", "all");
    if (!kinds.contains(kind)) return cli::UsageError(Self(), "--kind is in, out or all");
    if (!titles.contains(title)) {
        return cli::UsageError(Self(), "--title is most, longest or list");
    }
    if (!QStringList({"all", "in", "out"}).contains(filter)) {
        return cli::UsageError(Self(), "--filter is all, in or out");
    }
    AnlsRequest request;
    request.folder = cli::CallerPath(args.Positional().first());
    request.kind = static_cast<int>(kinds.indexOf(kind));
    request.titleKind = static_cast<int>(titles.indexOf(title));
    request.separator = args.Value("sep", request.separator);
    request.filter = FltModeFromText(filter);
    request.filterText = args.Value("ext", request.filterText);

    ToolConsole console(args.Flag("quiet"));
    bool warned = false;
    DocMessageFn show = console.Message();
    LogAnls anls(
        ctx.Ctrl(),
        [&](const QString& t, const QString& text) {
            warned = warned || t.endsWith(QStringLiteral("警告"));
            show(t, text);
        },
        console.Progress());
    if (!anls.Start(request)) return cli::kFail;
    anls.Wait();
    if (warned) return cli::kFail;
    cli::PrintTsvRow({"No", "評価", "タイトル", "URL", "拡張子"});
    for (const AnlsRow& row : anls.Rows()) {
        cli::PrintTsvRow({QString::number(row.no), QString::number(row.rank), row.title, row.url,
                          row.extension});
    }
    return cli::kOk;
}

}  // namespace
