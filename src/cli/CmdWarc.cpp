#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cstdio>

#include "cli/Cli.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "warc/RunWarcExport.h"
#include "warc/WarcCdx.h"
#include "warc/WarcWriter.h"

namespace korvi::cli {

namespace {

constexpr const char* kUsageText =
    "warc [--out FILE] RUN-FOLDER\n"
    "       warc --cdx FILE";

int RunWarc(Context& ctx, const QStringList& raw) {
    const Command self{"warc", kUsageText, RunWarc};
    const Args args(raw, {QStringLiteral("cdx"), QStringLiteral("out")}, {});
    if (!args.Ok()) return UsageError(self, args.Error());

    if (args.Has(QStringLiteral("cdx"))) {
        if (!args.Positional().isEmpty() || args.Has(QStringLiteral("out")))
            return UsageError(self, QStringLiteral("--cdx takes one FILE and nothing else"));
        const QString path = CallerPath(args.Value(QStringLiteral("cdx")));
        const WarcCdxResult cdx = WarcCdx(path);
        for (const QString& line : cdx.lines) PrintLine(line);
        std::fflush(stdout);
        if (cdx.torn)
            PrintError(QStringLiteral("korvi-run: the last record is cut short: ") + path);
        if (!cdx.error.isEmpty()) {
            PrintError(QStringLiteral("korvi-run: ") + cdx.error);
            return kFail;
        }
        return kOk;
    }

    if (args.Positional().size() != 1)
        return UsageError(self, QStringLiteral("one RUN-FOLDER expected"));
    CtrlFile& ctrl = ctx.Ctrl();
    // A folder path, else a run identifier in the download folder.
    QString folder = CallerPath(args.Positional().first());
    if (!QFileInfo(folder).isDir())
        folder = ctrl.Abs(ctrl.LogRoot() + u'/' + args.Positional().first());
    if (!QFileInfo(folder).isDir()) {
        PrintError(QStringLiteral("no such run folder: ") + args.Positional().first());
        return kFail;
    }
    QFile file;
    std::unique_ptr<WarcWriter> out;
    if (args.Has(QStringLiteral("out"))) {
        const QString path = CallerPath(args.Value(QStringLiteral("out")));
        QFile::remove(path);
        out = std::make_unique<WarcWriter>(path);
        if (!out->Open()) {
            PrintError(QStringLiteral("cannot write ") + path);
            return kFail;
        }
    } else {
        if (isatty(STDOUT_FILENO)) {
            PrintError(
                QStringLiteral("korvi-run: not writing a WARC to a terminal; use > FILE or --out"));
            return kUsage;
        }
        if (!file.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            PrintError(QStringLiteral("cannot write to standard output"));
            return kFail;
        }
        out = std::make_unique<WarcWriter>(&file);
    }
    RunWarcCount count;
    QString error;
    if (!WriteRunWarc(ctrl, QFileInfo(folder).absoluteFilePath(), *out, ctx.GetClock().NowMs(),
                      &count, &error)) {
        PrintError(QStringLiteral("korvi-run: ") + error);
        return kFail;
    }
    PrintError(
        QStringLiteral("korvi-run: %1 records written, %2 files without a trailer tag left out")
            .arg(count.written)
            .arg(count.untagged));
    return kOk;
}

}  // namespace

KORVI_CLI_COMMAND(warc, "warc", kUsageText, RunWarc);

}  // namespace korvi::cli
