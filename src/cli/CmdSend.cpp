#include "cli/Cli.h"
#include "platform/IpcEndpoint.h"
#include "shell/Context.h"

namespace korvi::cli {

namespace {

int RunSend(Context& ctx, const QStringList& raw) {
    static const Command self{"send", "send TEXT", nullptr};
    const Args args(raw, {}, {});
    if (!args.Ok()) return UsageError(self, args.Error());
    if (args.Positional().size() != 1) return UsageError(self, QStringLiteral("one TEXT expected"));
    if (!SendToInstance(IpcName(ctx.Home()), args.Positional().first())) {
        PrintError(QStringLiteral("korvi-run: no resident Korvi for this home"));
        return kFail;
    }
    return kOk;
}

}  // namespace

// Handing text over never seeds the home: the resident program does that.
KORVI_CLI_COMMAND_NO_HOME(send, "send", "send TEXT", RunSend);

}  // namespace korvi::cli
