#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/Cli.h"
#include "cli/StopSignals.h"
#include "engine/RunContext.h"
#include "engine/RunControl.h"
#include "engine/RunOutcome.h"
#include "engine/crawl/ScriptHook.h"
#include "engine/lists/InitList.h"
#include "engine/profile/OptOverride.h"
#include "engine/profile/Profile.h"
#include "shell/Context.h"
#include "shell/RunId.h"

namespace korvi::cli {

namespace {

int RunCrawl(Context& ctx, const QStringList& raw);

constexpr const char* kUsageText =
    "crawl [--profile NAME] [--words W] [--set Section.key=value]... [--run-id ID] "
    "[--base URL] [--out FILE] [--warc FILE] [-q|-v] [--no-index] SOURCE...\n"
    "       crawl --resume ID [--profile NAME] [--words W] [--set Section.key=value]... "
    "[--out FILE] [--warc FILE] [-q|-v]";

bool ValidRunId(const QString& id) {
    return !id.isEmpty() && id != u"." && id != u".." && !id.contains(u'/');
}

void WriteRunList(const RunListSnapshot& snap, QString* tsv) {
    auto row = [&](const QStringList& cells) {
        QStringList escaped;
        for (const QString& c : cells) escaped << TsvCell(c);
        *tsv += escaped.join(u'\t') + u'\n';
    };
    row(RunListColumns());
    for (int i = 0; i < snap.Count(); ++i) row(snap.Row(i).Cells());
}

}  // namespace

KORVI_CLI_COMMAND(crawl, "crawl", kUsageText, RunCrawl);

namespace {

// One line of the verbose listing for a row that ended.
QString EndedRowLine(const RunRow& r) {
    QString line = QString::number(r.no) + u' ' + r.result + u' ' + r.url;
    if (r.state < 0) {
        line += u' ' + r.context;
        if (r.httpCode > 0) line += QStringLiteral(" HTTP ") + QString::number(r.httpCode);
    }
    return line;
}

bool RowEnded(const RunRow& r) {
    return r.state == 100 || r.state < 0;
}

int FinishCrawl(RunControl& run, CtrlFile& ctrl, const Args& args, const StopSignals& stops);

// --warc FILE, or the profile's own key, leaves a web archive of the run.
void KeepWarc(RunControl& run, const Args& args, const QString& profile, const DlSrchOpt& opt) {
    const bool named = args.Has(QStringLiteral("warc"));
    run.Warc().Configure(named || opt.warc,
                         named ? CallerPath(args.Value(QStringLiteral("warc"))) : QString(),
                         profile, OptToStr(opt));
}

// The run's settled pages are in the store index before the command ends,
// unless a signal stopped it; pages stored in its last two seconds are left
// to the next update, which reads them settled (the index mends itself).
int IndexThenExit(Context& ctx, int status) {
    if (status < 128) {
        ctx.Index().LeaveUnsettledPages();
        ctx.Index().WaitBackground();
    }
    return status;
}

int RunCrawl(Context& ctx, const QStringList& raw) {
    const Command self{"crawl", kUsageText, RunCrawl};
    const Args args(
        raw,
        {QStringLiteral("profile"), QStringLiteral("words"), QStringLiteral("set"),
         QStringLiteral("run-id"), QStringLiteral("base"), QStringLiteral("out"),
         QStringLiteral("resume"), QStringLiteral("warc")},
        {QStringLiteral("quiet"), QStringLiteral("verbose"), QStringLiteral("no-index")},
        {{u'q', QStringLiteral("quiet")}, {u'v', QStringLiteral("verbose")}});
    if (!args.Ok()) return UsageError(self, args.Error());
    const bool resume = args.Has(QStringLiteral("resume"));
    if (resume && (!args.Positional().isEmpty() || args.Has(QStringLiteral("run-id")) ||
                   args.Has(QStringLiteral("base"))))
        return UsageError(self, QStringLiteral("--resume takes no SOURCE, --run-id or --base"));
    if (!resume && args.Positional().isEmpty())
        return UsageError(self, QStringLiteral("no SOURCE given"));
    CtrlFile& ctrl = ctx.Ctrl();

    // korvi-run's main has read the common settings and set the download root.
    const CmnOpt& cmn = ctx.Cmn().Opt();

    const QString runId =
        resume ? args.Value(QStringLiteral("resume"))
               : args.Value(QStringLiteral("run-id"), InitSrchStartID(ctx.GetClock()));
    if (!ValidRunId(runId))
        return UsageError(self, resume ? QStringLiteral("--resume must name one folder")
                                       : QStringLiteral("--run-id must name one folder"));
    ctrl.SetRunId(runId);

    DlSrchOpt opt;
    const QString profile = args.Value(QStringLiteral("profile"), cmn.option_type);
    for (const QString& set : args.Values(QStringLiteral("set"))) {
        DlSrchOpt probe;
        switch (ApplyCheckedOverride(set, probe)) {
            case OverrideError::kMalformed:
                return UsageError(self, QStringLiteral("--set wants Section.key=value: ") + set);
            case OverrideError::kUnknownKey:
                return UsageError(self, QStringLiteral("--set: no such profile key ") +
                                            set.left(set.indexOf(u'=')));
            case OverrideError::kBadValue:
                return UsageError(self, QStringLiteral("--set: bad value for ") +
                                            set.left(set.indexOf(u'=')) + QStringLiteral(": ") +
                                            set.mid(set.indexOf(u'=') + 1));
            case OverrideError::kNone:
                break;
        }
    }
    // An interrupted run brings its own profile values, base URL and words.
    ResumeSource source;
    if (resume) {
        QString why;
        if (!source.Read(ctrl.Abs(ctrl.RunFolder()), &why)) {
            PrintError(QStringLiteral("cannot resume: ") + why);
            return kFail;
        }
        opt = source.Opt();
    }
    if (resume && !args.Has(QStringLiteral("profile"))) {
        // the journal's values stand
    } else if (QFileInfo(ctrl.Abs(OptPath(profile))).isFile()) {
        if (!LoadOpt(ctrl, profile, opt)) {
            PrintError(QStringLiteral("profile cannot be read: ") + profile);
            return kFail;
        }
    } else if (args.Has(QStringLiteral("profile"))) {
        PrintError(QStringLiteral("no such profile: ") + profile);
        return kFail;
    }
    for (const QString& set : args.Values(QStringLiteral("set"))) ApplyOptOverride(set, opt);
    if (args.Flag(QStringLiteral("no-index"))) ctx.Index().SetEnabled(false);

    if (resume) {
        const StopSignals stops;
        RunContext ctxRun(ctx, opt, source.base);
        KeepWarc(ctxRun.Run(), args, profile, opt);
        ctxRun.Resume(source.journal, args.Value(QStringLiteral("words"), source.words));
        return IndexThenExit(ctx, FinishCrawl(ctxRun.Run(), ctrl, args, stops));
    }

    // The sources read as the init list reads them; a SOURCE that is no file
    // but a URL is the typed-in start URL, and "-" the standard input.
    InitList init(ctrl);
    init.SetScriptRunner([&ctx](const QString& script, const QString& arg) {
        return ctx.Scripts().RunText(script, {arg}, 30000);
    });
    std::unique_ptr<QTemporaryDir> stdinDir;
    QString stdinFile;
    for (const QString& source : args.Positional()) {
        QString path = CallerPath(source);
        if (source == QStringLiteral("-")) {
            if (!stdinDir) {
                stdinDir = std::make_unique<QTemporaryDir>();
                stdinFile = StdinToFile(*stdinDir);
            }
            if (stdinFile.isEmpty()) {
                PrintError(QStringLiteral("korvi-run: cannot read standard input"));
                return kFail;
            }
            path = stdinFile;
        }
        const bool typedUrl = source != QStringLiteral("-") && !QFileInfo::exists(path) &&
                              source.indexOf(QStringLiteral("://"), 1) > 0;
        init.SetAsk([&](const QString&, const QString&, const QString&) {
            return typedUrl ? source : QString();
        });
        init.ReadSrchLst(typedUrl ? QString() : path, true);
    }
    if (args.Has(QStringLiteral("base"))) init.ChngeBaseUrl(args.Value(QStringLiteral("base")));
    QList<StartRow> rows;
    for (const InitRow& r : init.AddWinSrchLst(0, {})) rows.append({r.url, r.ttl, r.ext});
    if (rows.isEmpty()) {
        PrintError(QStringLiteral("no start URL in the sources"));
        return kFail;
    }
    const QString base = init.BaseUrl().isEmpty() ? rows.first().url : init.BaseUrl();

    const StopSignals stops;
    RunContext ctxRun(ctx, opt, base);
    KeepWarc(ctxRun.Run(), args, profile, opt);
    ctxRun.Start(rows, args.Value(QStringLiteral("words"), cmn.search_string));
    return IndexThenExit(ctx, FinishCrawl(ctxRun.Run(), ctrl, args, stops));
}

// Shows progress until the run ends (or a signal stops it), then prints and
// saves the run list; the exit status follows the rows.
int FinishCrawl(RunControl& run, CtrlFile& ctrl, const Args& args, const StopSignals& stops) {
    const bool quiet = args.Flag(QStringLiteral("quiet"));
    const bool verbose = args.Flag(QStringLiteral("verbose")) && !quiet;

    // Progress only on a terminal; -v lists each row as it ends.
    const bool progress = !quiet && isatty(fileno(stderr)) != 0;
    std::vector<bool> reported;
    auto reportEnded = [&] {
        const RunListSnapshot snap = run.List().Snapshot();
        reported.resize(size_t(snap.Count()), false);
        for (int i = 0; i < snap.Count(); ++i) {
            if (reported[size_t(i)] || !RowEnded(snap.Row(i))) continue;
            reported[size_t(i)] = true;
            if (progress) std::fputs("\r\x1b[K", stderr);
            PrintError(EndedRowLine(snap.Row(i)));
        }
    };
    int stoppedBy = 0;
    while (!run.WaitEnd(200)) {
        if (stops.Received() != 0 && stoppedBy == 0) {
            stoppedBy = stops.Received();
            if (!quiet) PrintError(QStringLiteral("korvi-run: stopping on signal"));
            run.Abort();
            break;
        }
        if (verbose) reportEnded();
        if (progress) {
            std::fprintf(stderr, "\r%s\x1b[K", qPrintable(run.VwThrdMv()));
            std::fflush(stderr);
        }
    }
    if (stoppedBy == 0) stoppedBy = stops.Received();
    if (verbose) reportEnded();
    if (progress) std::fputs("\r\x1b[K", stderr);

    const RunListSnapshot snap = run.List().Snapshot();
    const RunOutcome outcome = CountOutcome(snap);
    if (!quiet) {
        if (stoppedBy == 0) PrintError(run.EndMessage());
        if (outcome.Failed() > 0) {
            const QString log =
                ctrl.Abs(QStringLiteral("log_err/") + ctrl.RunId() + QStringLiteral(".log"));
            PrintError(QStringLiteral("korvi-run: %1 of %2 rows failed (network %3, server %4, "
                                      "other %5)")
                           .arg(outcome.Failed())
                           .arg(snap.Count())
                           .arg(outcome.network)
                           .arg(outcome.server)
                           .arg(outcome.other) +
                       (QFileInfo(log).isFile() ? QStringLiteral("; see ") + log : QString()));
        }
    }

    QString tsv;
    WriteRunList(snap, &tsv);
    std::fputs(tsv.toUtf8().constData(), stdout);
    std::fflush(stdout);
    if (args.Has(QStringLiteral("out"))) {
        const QString out = CallerPath(args.Value(QStringLiteral("out")));
        if (!ctrl.SaveData(out, tsv)) {
            PrintError(QStringLiteral("cannot write ") + out);
            return stoppedBy != 0 ? 128 + stoppedBy : kFail;
        }
    }
    if (stoppedBy != 0) return 128 + stoppedBy;
    return RunExitStatus(outcome);
}

}  // namespace

}  // namespace korvi::cli
