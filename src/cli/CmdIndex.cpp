#include <QDir>

#include "cli/Cli.h"
#include "shell/Context.h"
#include "tools/ToolConsole.h"

using namespace korvi;

namespace {

int RunIndex(Context& ctx, const QStringList& raw);

KORVI_CLI_COMMAND(index, "index", "index [--rebuild] [FOLDER]", RunIndex);

const cli::Command& Self() {
    for (const cli::Command& c : cli::Commands()) {
        if (QString::fromUtf8(c.name) == QStringLiteral("index")) return c;
    }
    return cli::Commands().front();
}

// Brings the store's full-text index up to date with FOLDER (the download
// folder when none is given) and prints what it did.
int RunIndex(Context& ctx, const QStringList& raw) {
    const cli::Args args(raw, {}, {"rebuild"});
    if (!args.Ok()) return cli::UsageError(Self(), args.Error());
    if (args.Positional().size() > 1) return cli::UsageError(Self(), "at most one FOLDER");
    const QString folder = args.Positional().isEmpty() ? ctx.Ctrl().Abs(ctx.Ctrl().LogRoot())
                                                       : cli::CallerPath(args.Positional().first());
    if (!QDir(ctx.Ctrl().Abs(folder)).exists()) {
        cli::PrintError(QStringLiteral("フォルダが見つかりません。 ") + folder);
        return cli::kFail;
    }
    ToolConsole console;
    const DocProgressFn show = console.Progress();
    const IndexStats stats =
        ctx.Index().Update(folder, args.Flag("rebuild"), [&](const IndexStats& s) {
            show(QStringLiteral("  索引更新中 : ファイル数 = ") + QString::number(s.files) +
                 QStringLiteral("  読込 = ") + QString::number(s.added + s.changed));
        });
    console.Finish();
    cli::PrintTsvRow({"フォルダ", "ファイル数", "追加", "更新", "削除", "変更なし", "作り直し"});
    cli::PrintTsvRow({QDir::cleanPath(ctx.Ctrl().Abs(folder)), QString::number(stats.files),
                      QString::number(stats.added), QString::number(stats.changed),
                      QString::number(stats.removed), QString::number(stats.unchanged),
                      stats.rebuilt ? QStringLiteral("はい") : QStringLiteral("いいえ")});
    return stats.ok ? cli::kOk : cli::kFail;
}

}  // namespace
