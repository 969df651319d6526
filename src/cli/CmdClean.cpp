#include <QSize>

#include <unistd.h>
#include <cstdio>

#include "cli/Cli.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "store/DelOldLog.h"
#include "store/FldrLogCtrl.h"
#include "store/FolderService.h"

namespace korvi {

namespace {

int RunClean(Context& ctx, const QStringList& args);
const cli::Command kClean{"clean", "clean [-q]", RunClean};

// One updating line, drawn only on a terminal.
class ProgressLine {
public:
    explicit ProgressLine(bool quiet) : tty_(!quiet && isatty(fileno(stderr)) != 0) {}
    ~ProgressLine() {
        if (tty_ && shown_) std::fputc('\n', stderr);
    }
    void Show(const QString& text) {
        if (!tty_) return;
        const QByteArray b = ("\r" + text + "\x1b[K").toUtf8();
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
        std::fflush(stderr);
        shown_ = true;
    }

private:
    bool tty_;
    bool shown_ = false;
};

int RunClean(Context& ctx, const QStringList& args) {
    const cli::Args a(args, {}, {"quiet"}, {{u'q', "quiet"}});
    if (!a.Ok()) return cli::UsageError(kClean, a.Error());
    if (!a.Positional().isEmpty()) return cli::UsageError(kClean, QStringLiteral("no arguments"));

    CtrlFile& ctrl = ctx.Ctrl();
    CommonSettings settings(ctrl);
    settings.Read(QSize());
    const UserMessage check = settings.CheckLogFldr();
    if (!check.IsEmpty()) cli::PrintError(check.title + QStringLiteral(": ") + check.text);
    ctrl.SetLogRoot(settings.Opt().log_folder);

    FolderService fs(ctrl);
    DelOldLogResult result;
    {
        ProgressLine line(a.Flag("quiet"));
        result = DelOldLog(ctrl, fs, settings.Opt().log_del,
                           [&line](const QString& text) { line.Show(Assist::Trim(text)); });
    }
    if (!result.ok) {
        cli::PrintError(QStringLiteral("korvi-run: the download root ") + ctrl.LogRoot() +
                        QStringLiteral(" is missing or holds the home folder"));
        return cli::kFail;
    }
    for (const QString& text : result.end_texts) cli::PrintLine(Assist::Trim(text));
    const FldrCounts& c = result.counts;
    QString lines =
        FldrLogCtrl::CountLines(QStringLiteral("削除"), c.del_dirs, c.del_files, c.del_bytes);
    lines.chop(1);
    cli::PrintLine(lines);
    return cli::kOk;
}

}  // namespace

KORVI_CLI_COMMAND(clean, "clean", "clean [-q]", RunClean);

}  // namespace korvi
