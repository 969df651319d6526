#include "platform/ScriptRunner.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

namespace korvi {

namespace {

QString ExecutableDir() {
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString target = self.canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

}  // namespace

ScriptRunner::ScriptRunner(const QString& workDir, const QString& hostPath)
    : host_(hostPath.isEmpty() ? LocateHost() : hostPath),
      work_dir_(workDir),
      env_(QProcessEnvironment::systemEnvironment()) {}

QString ScriptRunner::LocateHost() {
    const QString fromEnv = qEnvironmentVariable("KORVI_CSCRIPT");
    if (!fromEnv.isEmpty()) return fromEnv;
    const QString dir = ExecutableDir();
    if (!dir.isEmpty()) {
        const QString beside = dir + QStringLiteral("/korvi-cscript");
        if (QFileInfo(beside).isExecutable()) return beside;
    }
    return QStringLiteral("korvi-cscript");
}

ScriptOutcome ScriptRunner::Run(const QString& script, const QStringList& args,
                                int timeoutMs) const {
    ScriptOutcome out;
    QStringList argv{script};
    argv += args;
    QByteArray input;
    if (!args.isEmpty()) {
        const QString& last = args.last();
        if (last.size() > kMaxArgChars || last.contains(QChar(u'\0'))) {
            input = last.toUtf8();
            argv.last() = QStringLiteral("--args-stdin");
        }
    }

    QProcess proc;
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.setProcessEnvironment(env_);
    if (!work_dir_.isEmpty()) proc.setWorkingDirectory(work_dir_);
    proc.start(host_, argv);
    // A negative time-out waits for ever.
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(qint64(timeoutMs));
    // Starting either works at once or fails at once; only the script's own run is timed.
    if (!proc.waitForStarted(30000)) {
        out.error =
            QStringLiteral("cannot start ") + host_ + QStringLiteral(": ") + proc.errorString();
        proc.kill();
        proc.waitForFinished(1000);
        return out;
    }
    out.started = true;
    if (!input.isEmpty()) proc.write(input);
    proc.closeWriteChannel();

    // waitForFinished keeps draining both pipes, so large outputs cannot stall.
    bool finished = false;
    while (!finished) {
        const qint64 left = deadline.remainingTime();
        if (left == 0) break;
        finished = proc.waitForFinished(int(qMin<qint64>(left, 1000)));
        if (!finished && proc.state() == QProcess::NotRunning) finished = true;
    }
    if (!finished) {
        out.timed_out = true;
        out.error = QStringLiteral("time-out after ") + QString::number(timeoutMs) +
                    QStringLiteral(" ms: ") + script;
        proc.kill();
        proc.waitForFinished(5000);
    }
    out.std_out = proc.readAllStandardOutput();
    out.std_err = proc.readAllStandardError();
    if (out.timed_out) return out;
    if (proc.exitStatus() == QProcess::CrashExit) {
        out.crashed = true;
        out.error = QStringLiteral("script host ended abnormally: ") + script;
        return out;
    }
    out.exit_code = proc.exitCode();
    if (out.exit_code != 0) {
        QString detail = QString::fromUtf8(out.std_err).trimmed();
        const qsizetype nl = detail.indexOf(u'\n');
        if (nl >= 0) detail.truncate(nl);
        out.error = QStringLiteral("exit ") + QString::number(out.exit_code) +
                    QStringLiteral(": ") + (detail.isEmpty() ? script : detail);
    }
    return out;
}

QString ScriptRunner::RunText(const QString& script, const QStringList& args, int timeoutMs) const {
    const ScriptOutcome r = Run(script, args, timeoutMs);
    return r.Ok() ? QString::fromUtf8(r.std_out) : QString("");
}

}  // namespace korvi
