#include <QFile>
#include <QFileInfo>
#include <QSize>

#include <unistd.h>
#include <cstdio>

#include "cli/Cli.h"
#include "engine/AutoLogin.h"
#include "engine/AvoidList.h"
#include "engine/CrawlServices.h"
#include "engine/LinkExtract.h"
#include "engine/ListFile.h"
#include "engine/Matcher.h"
#include "engine/Profile.h"
#include "engine/ProxySettings.h"
#include "engine/RunControl.h"
#include "engine/ScriptHook.h"
#include "engine/SessionCookies.h"
#include "shell/Assist.h"
#include "shell/Context.h"
#include "shell/RunId.h"

namespace korvi::cli {

namespace {

int RunCrawl(Context& ctx, const QStringList& raw);

constexpr const char* kUsageText =
    "crawl [--profile NAME] [--words W] [--set Section.key=value]... [--run-id ID] "
    "[--base URL] [--out FILE] SOURCE...";

// Start rows from one source: a URL, a list file, a shortcut, an HTML page
// or a text with one URL per line. *base gets the source's base URL, if any.
QList<StartRow> ReadSource(CtrlFile& ctrl, const QString& source, QString* base) {
    QList<StartRow> rows;
    auto add = [&](const QString& url, const QString& title) {
        const QString u = Assist::Trim(url);
        if (u.indexOf(QStringLiteral("://")) < 1) return;
        rows.append({u, title.isEmpty() ? QStringLiteral("?") : title, ctrl.GetUrlExtnsn(u)});
    };
    if (source.indexOf(QStringLiteral("://")) >= 1 && !QFileInfo::exists(CallerPath(source))) {
        add(source, QString());
        return rows;
    }
    const QString path = CallerPath(source);
    QString text = ctrl.LoadData(path);
    const QString lower = text.trimmed().toLower();
    if (lower.startsWith(QStringLiteral("<html")) && lower.endsWith(QStringLiteral("</html>")))
        text = GetUrlListFromHtml(ctrl, ctrl.LoadDataEnc(path), path);
    const Assist ini(text);
    if (IsListFile(ini)) {
        const ListFileData data = ReadListFile(ini);
        if (base && base->isEmpty()) *base = data.pUrl;
        for (qsizetype i = 0; i < data.links.size(); ++i)
            add(data.links.url[i], data.links.title.value(i));
        return rows;
    }
    const QString shortcut = ini.GetIni(QStringLiteral("InternetShortcut"), QStringLiteral("URL"));
    if (!shortcut.isEmpty()) {
        add(shortcut, QFileInfo(path).completeBaseName());
        return rows;
    }
    for (const QString& line : text.split(u'\n')) add(line, QString());
    return rows;
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
                     QStringLiteral("run-id"), QStringLiteral("base"), QStringLiteral("out")},
                    {});
    if (!args.Ok()) return UsageError(self, args.Error());
    if (args.Positional().isEmpty()) return UsageError(self, QStringLiteral("no SOURCE given"));
    CtrlFile& ctrl = ctx.Ctrl();

    ctx.Cmn().Read(QSize());
    const CmnOpt& cmn = ctx.Cmn().Opt();
    QString root = cmn.log_folder;
    if (root.endsWith(u'/') || root.endsWith(u'\\')) root.chop(1);
    if (!root.isEmpty()) ctrl.SetLogRoot(root);

    const QString runId = args.Value(QStringLiteral("run-id"), InitSrchStartID(ctx.GetClock()));
    if (runId.isEmpty() || runId == u"." || runId == u".." || runId.contains(u'/'))
        return UsageError(self, QStringLiteral("--run-id must name one folder"));
    ctrl.SetRunId(runId);

    DlSrchOpt opt;
    const QString profile = args.Value(QStringLiteral("profile"), cmn.option_type);
    if (QFileInfo(ctrl.Abs(OptPath(profile))).isFile()) {
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

    QString base = args.Value(QStringLiteral("base"));
    QList<StartRow> rows;
    for (const QString& source : args.Positional()) rows += ReadSource(ctrl, source, &base);
    if (rows.isEmpty()) {
        PrintError(QStringLiteral("no start URL in the sources"));
        return kFail;
    }
    if (base.isEmpty()) base = rows.first().url;

    Matcher matcher(&ctrl);
    matcher.SetSearchType(cmn.search_type);
    matcher.SetCaseInsensitiveSetting(cmn.case_insensitive);
    AvoidList avoid(ctrl);
    avoid.InitAvoidDl(opt.avoid_dl_file_list);
    avoid.InitOvwrtDl(opt.overwrite_dl_file_list);
    AutoLogin login;
    login.InitAutoLogin(ctrl);
    SessionCookies cookies;
    ScriptHook scripts(ctrl, ctx.Busy(), ctx.Scripts());
    ProxySettings proxy;

    CrawlParts parts;
    parts.ctrl = &ctrl;
    parts.clock = &ctx.GetClock();
    parts.proxy = &proxy;
    parts.cookies = login.Count() > 0 ? &cookies : nullptr;
    parts.avoid = &avoid;
    parts.login = &login;
    parts.matcher = &matcher;
    parts.scripts = &scripts;

    RunControl run(MakeCrawlServices(parts), RunSettings::FromOpt(opt, base));
    run.SetSearchWords(args.Value(QStringLiteral("words"), cmn.search_string));
    run.StartDlSearch(proxy, rows);

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
