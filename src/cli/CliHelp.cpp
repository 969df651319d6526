#include <QHash>

#include "cli/Cli.h"

namespace korvi::cli {

namespace {

// What each command does and its options, below its usage line.
const QHash<QString, QString>& Details() {
    static const QHash<QString, QString> details{
        {QStringLiteral("map"),
         QStringLiteral("Prints the local path of each URL in the store, one per line.\n"
                        "  --run-id ID         the run folder to map into\n")},
        {QStringLiteral("tag"),
         QStringLiteral("Prints the trailer tag of a stored FILE; exit 1 when it has none.\n")},
        {QStringLiteral("list"),
         QStringLiteral("Prints the start rows read from a list file, shortcut, HTML page or\n"
                        "text, or from standard input when SOURCE is \"-\".\n")},
        {QStringLiteral("match"),
         QStringLiteral("Prints the context text of the first match in FILE; exit 1 on no match.\n"
                        "  --words W           the search words\n"
                        "  --type 0..3         the search type\n"
                        "  --case-sensitive    upper and lower case differ\n")},
        {QStringLiteral("crawl"),
         QStringLiteral(
             "Runs a whole download-and-search run from the start URLs and list files\n"
             "given (\"-\" reads a list from standard input) and prints the run list as TSV.\n"
             "  --profile NAME      the profile in option/ (default: the common one)\n"
             "  --words W           the search words\n"
             "  --set S.key=value   overrides one profile key for this run\n"
             "  --run-id ID         the run folder (default: the start time)\n"
             "  --base URL          the base URL of the run\n"
             "  --out FILE          also writes the run list to FILE\n"
             "  --warc FILE         also writes a web archive (WARC) of the run to FILE\n"
             "                      (ExtraOption.warc=1: beside the run folder)\n"
             "  --resume ID         goes on with the interrupted run in folder ID (no SOURCE)\n"
             "  -q, --quiet         no progress and no summary on standard error\n"
             "  -v, --verbose       one line per row on standard error as it ends\n"
             "  --no-index          leaves the run's pages out of the store index\n"
             "SIGINT or SIGTERM ends the running rows and prints the run list; a second\n"
             "signal ends at once.\n")},
        {QStringLiteral("warc"),
         QStringLiteral(
             "Writes a web archive (gzip WARC) of a stored run to standard output: one\n"
             "resource record per file with a trailer tag (its URL and time, the stored\n"
             "bytes without the tag). RUN-FOLDER is a folder or a run identifier.\n"
             "  --out FILE          writes to FILE instead\n"
             "  --cdx FILE          prints a CDXJ index of the WARC file FILE instead\n")},
        {QStringLiteral("search"),
         QStringLiteral("Searches the downloaded files under FOLDER; exit 1 when nothing matched.\n"
                        "  --words W           the search words (none: list the files)\n"
                        "  --case-sensitive    upper and lower case differ\n"
                        "  --filter all|in|out use, take or leave the extensions of --ext\n"
                        "  --ext LIST          comma-separated extensions\n"
                        "  --size all|up|down  all files, or at least or at most --kb\n"
                        "  --kb N              the size bound in KB (default 30)\n"
                        "  -q, --quiet         no progress on standard error\n"
                        "  --no-index          read every file instead of asking the index\n")},
        {QStringLiteral("index"),
         QStringLiteral("Brings the store's full-text index up to date for FOLDER (default: the\n"
                        "download folder) and prints what it did.\n"
                        "  --rebuild           reads every file again\n")},
        {QStringLiteral("rank"),
         QStringLiteral("Ranks the links found in the pages under FOLDER.\n"
                        "  --kind in|out|all   links inside, outside or both\n"
                        "  --title most|longest|list   the title to show\n"
                        "  --sep TEXT          separator of the listed titles\n"
                        "  --filter all|in|out, --ext LIST   the extension filter\n"
                        "  -q, --quiet         no progress on standard error\n")},
        {QStringLiteral("report"),
         QStringLiteral("Writes a run list (TSV) through an output template; prints the page.\n"
                        "  --type NAME         the template in out_templet/\n"
                        "  --title T           the report title\n"
                        "  -q, --quiet         no progress on standard error\n")},
        {QStringLiteral("fldr-list"),
         QStringLiteral("Writes out_fldr_list.html listing FOLDER; prints its path.\n")},
        {QStringLiteral("clean"),
         QStringLiteral("Deletes old run folders as the common settings say.\n"
                        "  -q, --quiet         no progress on standard error\n")},
        {QStringLiteral("serve"),
         QStringLiteral("Runs resident without windows: the HTTP server, schedules and the\n"
                        "message channel. ARG is handed on as a start request.\n")},
        {QStringLiteral("send"),
         QStringLiteral("Hands TEXT to the resident process of this home.\n")},
    };
    return details;
}

}  // namespace

QString ProgramHelp() {
    QString text = QStringLiteral(
        "usage: korvi-run [--home DIR] COMMAND [ARGS...]\n"
        "       korvi-run help [COMMAND]\n"
        "       korvi-run --version\n"
        "\n"
        "Collects web pages from start URLs, searches them for words and works on\n"
        "what it stored, without windows.\n"
        "\n"
        "Commands:\n");
    for (const Command& c : Commands())
        text += QStringLiteral("  korvi-run ") + QString::fromUtf8(c.usage) + u'\n';
    text += QStringLiteral(
        "\n"
        "Options of every command:\n"
        "  --home DIR          the home folder (default: $KORVI_HOME, then the\n"
        "                      program's folder, then $XDG_DATA_HOME/korvi)\n"
        "  -h, --help          this help, or the command's\n"
        "  --                  ends the options\n"
        "\n"
        "Exit status:\n"
        "  0    success; every row of a crawl was fetched\n"
        "  1    generic failure; no match (match, search, tag)\n"
        "  2    usage error\n"
        "  4    network failure (connect, resolve, time-out) on some row\n"
        "  8    the server answered an error (4xx, 5xx) on some row\n"
        "  130  crawl stopped by SIGINT (143: SIGTERM)\n"
        "A network failure (4) outranks a server error (8).\n");
    return text;
}

QString CommandHelp(const Command& command) {
    const QString name = QString::fromUtf8(command.name);
    return QStringLiteral("usage: korvi-run ") + QString::fromUtf8(command.usage) +
           QStringLiteral("\n\n") + Details().value(name) +
           QStringLiteral(
               "  --home DIR          the home folder\n"
               "  -h, --help          this help\n");
}

}  // namespace korvi::cli
