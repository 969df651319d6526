#include <QFileInfo>
#include <QSize>

#include "cli/Cli.h"
#include "shell/Assist.h"
#include "shell/Context.h"
#include "tools/LogSrch.h"
#include "tools/ToolConsole.h"

using namespace korvi;

namespace {

int RunSearch(Context& ctx, const QStringList& raw);

KORVI_CLI_COMMAND(search, "search",
                  "search [--words W] [--case-sensitive] [--filter all|in|out] [--ext LIST] "
                  "[--size all|up|down] [--kb N] [-q] [--no-index] FOLDER",
                  RunSearch);

const cli::Command& Self() {
    for (const cli::Command& c : cli::Commands()) {
        if (QString::fromUtf8(c.name) == QStringLiteral("search")) return c;
    }
    return cli::Commands().front();
}

int RunSearch(Context& ctx, const QStringList& raw) {
    const cli::Args args(raw, {"words", "filter", "ext", "size", "kb"},
                         {"case-sensitive", "quiet", "no-index"}, {{u'q', "quiet"}});
    if (!args.Ok()) return cli::UsageError(Self(), args.Error());
    if (args.Positional().size() != 1) return cli::UsageError(Self(), "one FOLDER is needed");
    const QString filter = args.Value("filter", "all");
    const QString size = args.Value("size", "all");
    if (!QStringList({"all", "in", "out"}).contains(filter)) {
        return cli::UsageError(Self(), "--filter is all, in or out");
    }
    if (!QStringList({"all", "up", "down"}).contains(size)) {
        return cli::UsageError(Self(), "--size is all, up or down");
    }
    bool kbOk = true;
    const qint64 kb = args.Value("kb", "30").toLongLong(&kbOk);
    if (!kbOk || kb < 0) return cli::UsageError(Self(), "--kb takes a number of KB");

    SrchRequest request;
    request.folder = cli::CallerPath(args.Positional().first());
    request.words = Assist::Trim(args.Value("words"));
    request.caseInsensitive = !args.Flag("case-sensitive");
    request.filter = FltModeFromText(filter);
    request.filterText = args.Value("ext", request.filterText);
    request.size = SizeModeFromText(size);
    request.sizeKb = kb;

    // The search type is the common settings' one (the first type without them).
    Matcher& matcher = ctx.Match();
    if (QFileInfo(ctx.Ctrl().Abs(CommonSettings::kFileName)).isFile()) {
        ctx.Cmn().Read(QSize());
        matcher.SetSearchType(ctx.Cmn().Opt().search_type);
    } else {
        matcher.SetSearchType(0);
    }

    ToolConsole console(args.Flag("quiet"));
    bool warned = false;
    DocMessageFn show = console.Message();
    LogSrch srch(
        ctx.Ctrl(), matcher,
        [&](const QString& title, const QString& text) {
            warned = warned || title.endsWith(QStringLiteral("警告"));
            show(title, text);
        },
        console.Progress());
    if (!args.Flag("no-index")) srch.SetIndex(&ctx.Index());
    if (!srch.StartSrch(request)) return cli::kFail;
    srch.Wait();
    if (warned) return cli::kFail;
    cli::PrintTsvRow({"No", "周辺文", "ファイル名", "パス", "サイズ", "拡張子"});
    for (const SrchRow& row : srch.Rows()) {
        cli::PrintTsvRow({QString::number(row.no), row.text, row.fileName, row.path,
                          QString::number(row.sizeKb), row.extension});
    }
    // As grep: nothing found is exit 1.
    return srch.Rows().empty() ? cli::kFail : cli::kOk;
}

}  // namespace
