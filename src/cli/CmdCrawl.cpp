#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <cstdio>

#include "cli/Cli.h"
#include "engine/RunContext.h"
#include "engine/RunControl.h"
#include "engine/crawl/ScriptHook.h"
#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"
#include "shell/Assist.h"
#include "shell/Context.h"
#include "shell/RunId.h"

namespace korvi::cli {

namespace {

int RunCrawl(Context& ctx, const QStringList& raw);
int FinishCrawl(RunControl& run, CtrlFile& ctrl, const Args& args);

constexpr const char* kUsageText =
    "crawl [--profile NAME] [--words W] [--set Section.key=value]... [--run-id ID] "
    "[--base URL] [--out FILE] SOURCE...\n"
    "       crawl --resume ID [--profile NAME] [--words W] [--set Section.key=value]... "
    "[--out FILE]";

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

int RunCrawl(Context& ctx, const QStringList& raw) {
    const Command self{"crawl", kUsageText, RunCrawl};
    const Args args(raw,
                    {QStringLiteral("profile"), QStringLiteral("words"), QStringLiteral("set"),
                     QStringLiteral("run-id"), QStringLiteral("base"), QStringLiteral("out"),
                     QStringLiteral("resume")},
                    {});
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

    // An interrupted run brings its own profile values, base URL and words.
    ResumeSource source;
    if (resume) {
        QString why;
        if (!source.Read(ctrl.Abs(ctrl.RunFolder()), &why)) {
            PrintError(QStringLiteral("cannot resume: ") + why);
            return kFail;
        }
    }

    DlSrchOpt opt;
    if (resume) {
        Assist held;
        held.InitIni(source.opt);
        ReadOptSections(held, opt);
    }
    const QString profile = args.Value(QStringLiteral("profile"), cmn.option_type);
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
    for (const QString& set : args.Values(QStringLiteral("set"))) {
        const qsizetype dot = set.indexOf(u'.');
        const qsizetype eq = set.indexOf(u'=');
        if (dot <= 0 || eq <= dot + 1)
            return UsageError(self, QStringLiteral("--set wants Section.key=value: ") + set);
        Assist one;
        one.SetIni(set.left(dot), set.mid(dot + 1, eq - dot - 1), set.mid(eq + 1));
        ReadOptSections(one, opt);
    }

    if (resume) {
        RunContext ctxRun(ctx, opt, source.base);
        ctxRun.Resume(source.journal, args.Value(QStringLiteral("words"), source.words));
        return FinishCrawl(ctxRun.Run(), ctrl, args);
    }

    // The sources read as the init list reads them; a SOURCE that is no file
    // but a URL is the typed-in start URL.
    InitList init(ctrl);
    init.SetScriptRunner([&ctx](const QString& script, const QString& arg) {
        return ctx.Scripts().RunText(script, {arg}, 30000);
    });
    for (const QString& source : args.Positional()) {
        const QString path = CallerPath(source);
        const bool typedUrl =
            !QFileInfo::exists(path) && source.indexOf(QStringLiteral("://"), 1) > 0;
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

    RunContext ctxRun(ctx, opt, base);
    ctxRun.Start(rows, args.Value(QStringLiteral("words"), cmn.search_string));
    return FinishCrawl(ctxRun.Run(), ctrl, args);
}

// Shows progress until the run ends, then prints (and saves) the run list.
int FinishCrawl(RunControl& run, CtrlFile& ctrl, const Args& args) {
    const bool tty = isatty(fileno(stderr)) != 0;
    QString last;
    while (!run.WaitEnd(tty ? 200 : 1000)) {
        const QString label = run.VwThrdMv();
        if (tty) {
            std::fprintf(stderr, "\r%s   ", qPrintable(label));
        } else if (label.section(u':', 0, 0) != last.section(u':', 0, 0)) {
            PrintError(label);
        }
        last = label;
    }
    if (tty) std::fprintf(stderr, "\r%s   \n", qPrintable(run.VwThrdMv()));
    PrintError(run.EndMessage());

    QString tsv;
    WriteRunList(run.List().Snapshot(), &tsv);
    std::fputs(tsv.toUtf8().constData(), stdout);
    std::fflush(stdout);
    if (args.Has(QStringLiteral("out"))) {
        const QString out = CallerPath(args.Value(QStringLiteral("out")));
        if (!ctrl.SaveData(out, tsv)) {
            PrintError(QStringLiteral("cannot write ") + out);
            return kFail;
        }
    }
    return kOk;
}

}  // namespace

}  // namespace korvi::cli
