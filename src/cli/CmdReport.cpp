#include <QFile>

#include "cli/Cli.h"
#include "shell/Context.h"
#include "store/DocOpen.h"
#include "store/DocRunReport.h"
#include "store/TextCodec.h"
#include "tools/ToolConsole.h"

using namespace korvi;

namespace {

int RunReport(Context& ctx, const QStringList& raw);

KORVI_CLI_COMMAND(report, "report", "report --type NAME --title T [-q] RUNLIST.tsv", RunReport);

const cli::Command& Self() {
    for (const cli::Command& c : cli::Commands()) {
        if (QString::fromUtf8(c.name) == QStringLiteral("report")) return c;
    }
    return cli::Commands().front();
}

// One TSV cell back from its escaped form.
QString Unescape(const QString& cell) {
    QString out;
    out.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c != u'\\' || i + 1 >= cell.size()) {
            out += c;
            continue;
        }
        const QChar n = cell.at(++i);
        if (n == u't')
            out += u'\t';
        else if (n == u'n')
            out += u'\n';
        else if (n == u'r')
            out += u'\r';
        else
            out += n;
    }
    return out;
}

int RunReport(Context& ctx, const QStringList& raw) {
    const cli::Args args(raw, {"type", "title"}, {"quiet"}, {{u'q', "quiet"}});
    if (!args.Ok()) return cli::UsageError(Self(), args.Error());
    if (args.Positional().size() != 1) return cli::UsageError(Self(), "one RUNLIST.tsv is needed");
    if (!args.Has("type") || !args.Has("title")) {
        return cli::UsageError(Self(), "--type and --title are needed");
    }
    QFile file(cli::CallerPath(args.Positional().first()));
    if (!file.open(QIODevice::ReadOnly)) {
        cli::PrintError(QStringLiteral("korvi-run: cannot read ") + file.fileName());
        return cli::kFail;
    }
    RunReportInput input;
    input.title = args.Value("title");
    for (QString line : DecodeText(file.readAll()).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty()) continue;
        QStringList cells;
        for (const QString& c : line.split(u'\t')) cells.append(Unescape(c));
        if (cells.value(0) == QStringLiteral("No")) continue;  // the header row
        while (cells.size() < 12) cells.append(QString(""));
        input.rows.push_back(cells.mid(0, 12));
    }
    DocRunReport::SetStartPage(input);

    ToolConsole console(args.Flag("quiet"));
    bool failed = false;
    DocMessageFn show = console.Message();
    DocRunReport report(
        ctx.Ctrl(),
        [&](const QString& t, const QString& text) {
            failed = true;
            show(t, text);
        },
        console.Progress(),
        qEnvironmentVariableIsEmpty("KORVI_OPENER") ? DocOpenFn() : EnvDocOpener());
    const QString path = report.OutTmplt(args.Value("type"), input);
    console.Finish();
    if (path.isEmpty()) return cli::kFail;
    cli::PrintLine(path);
    return failed ? cli::kFail : cli::kOk;
}

}  // namespace
