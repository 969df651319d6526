#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/Cli.h"
#include "engine/lists/InitList.h"
#include "shell/Context.h"

namespace korvi::cli {

namespace {

int RunList(Context& ctx, const QStringList& args);

const Command kList{"list", "list SOURCE", RunList};

int RunList(Context& ctx, const QStringList& args) {
    const Args a(args, {}, {});
    if (!a.Ok()) return UsageError(kList, a.Error());
    if (a.Positional().size() != 1) return UsageError(kList, QStringLiteral("one SOURCE expected"));
    const QString source = a.Positional().first();
    QString path = CallerPath(source);
    QTemporaryDir stdinDir;  // for "-": the list comes on standard input
    if (source == QStringLiteral("-")) {
        path = StdinToFile(stdinDir);
        if (path.isEmpty()) {
            PrintError(QStringLiteral("korvi-run: cannot read standard input"));
            return kFail;
        }
    }
    // A SOURCE that is no file but a URL stands for the typed-in start URL.
    const bool typedUrl = source != QStringLiteral("-") && !QFileInfo::exists(path) &&
                          source.indexOf(QStringLiteral("://"), 1) > 0;

    InitList list(ctx.Ctrl());
    list.SetScriptRunner([&ctx](const QString& script, const QString& arg) {
        return ctx.Scripts().RunText(script, {arg}, 30000);
    });
    list.SetAsk([&](const QString&, const QString&, const QString&) {
        return typedUrl ? source : QString();
    });
    const ReadResult r = list.ReadSrchLst(typedUrl ? QString() : path, false);
    if (!r.read) {
        PrintError(QStringLiteral("korvi-run: URLの不在: 開始URLを入力してください。"));
        return kFail;
    }
    if (!list.BaseUrl().isEmpty()) PrintError(QStringLiteral("基準URL: ") + list.BaseUrl());
    PrintTsvRow(InitColumnHeadings());
    for (const InitRow& row : list.Rows()) PrintTsvRow(InitRowCells(row));
    return kOk;
}

}  // namespace

KORVI_CLI_COMMAND(list, "list", "list SOURCE", RunList);

}  // namespace korvi::cli
