#include "store/DocOpen.h"

#include <QProcess>
#include <QStringList>

namespace korvi {

QStringList SplitOpenerCommand(const QString& command) {
    return QProcess::splitCommand(command);
}

namespace {

bool Launch(const QStringList& command, const QString& target) {
    if (command.isEmpty() || target.isEmpty()) return false;
    QStringList args = command.mid(1);
    args.append(target);
    return QProcess::startDetached(command.first(), args);
}

}  // namespace

DocOpenFn DefaultDocOpener() {
    return [](const QString& target) {
        const QString env = qEnvironmentVariable("KORVI_OPENER");
        const QStringList command =
            env.isEmpty() ? QStringList{QStringLiteral("xdg-open")} : SplitOpenerCommand(env);
        return Launch(command, target);
    };
}

DocOpenFn EnvDocOpener() {
    return [](const QString& target) {
        const QString env = qEnvironmentVariable("KORVI_OPENER");
        if (env.isEmpty()) return false;
        return Launch(SplitOpenerCommand(env), target);
    };
}

}  // namespace korvi
