#include "store/DocOpen.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <memory>

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

QStringList OpenerCommand() {
    const QString env = qEnvironmentVariable("KORVI_OPENER");
    return env.isEmpty() ? QStringList{QStringLiteral("xdg-open")} : SplitOpenerCommand(env);
}

// done always runs from the event loop, never inside the caller or a
// signal of the process.
void Later(const DocOpenDoneFn& done, bool ok, const QString& why) {
    if (!done) return;
    QObject* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app, [done, ok, why] { done(ok, why); }, Qt::QueuedConnection);
}

void Watch(const QStringList& command, const QString& target, const DocOpenDoneFn& done) {
    if (command.isEmpty() || target.isEmpty()) {
        Later(done, false, QStringLiteral("no opener"));
        return;
    }
    // No parent: the opener (and a browser it waits for) outlives any window.
    auto* proc = new QProcess();
    proc->setProgram(command.first());
    QStringList args = command.mid(1);
    args.append(target);
    proc->setArguments(args);
    proc->setProcessChannelMode(QProcess::ForwardedChannels);
    proc->setStandardInputFile(QProcess::nullDevice());
    auto ended = std::make_shared<bool>(false);
    auto end = [proc, ended, done](bool ok, const QString& why) {
        if (*ended) return;
        *ended = true;
        proc->deleteLater();
        Later(done, ok, why);
    };
    QObject::connect(
        proc, &QProcess::errorOccurred, proc, [proc, end](QProcess::ProcessError error) {
            // Other errors are followed by finished().
            if (error == QProcess::FailedToStart)
                end(false, proc->program() + QStringLiteral(" : ") + proc->errorString());
        });
    QObject::connect(
        proc, &QProcess::finished, proc, [proc, end](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit)
                end(false, proc->program() + QStringLiteral(" : crashed"));
            else if (code != 0)
                end(false,
                    proc->program() + QStringLiteral(" : exit code ") + QString::number(code));
            else
                end(true, QString());
        });
    proc->start();
}

}  // namespace

DocOpenLaterFn DefaultDocOpenerLater() {
    return [](const QString& target, DocOpenDoneFn done) { Watch(OpenerCommand(), target, done); };
}

DocOpenFn DefaultDocOpener() {
    return [](const QString& target) { return Launch(OpenerCommand(), target); };
}

DocOpenFn EnvDocOpener() {
    return [](const QString& target) {
        const QString env = qEnvironmentVariable("KORVI_OPENER");
        if (env.isEmpty()) return false;
        return Launch(SplitOpenerCommand(env), target);
    };
}

}  // namespace korvi
