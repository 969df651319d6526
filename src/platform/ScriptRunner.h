#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace korvi {

// What one run of the script host gave.
struct ScriptOutcome {
    bool started = false;
    bool timed_out = false;  // killed after the time-out
    bool crashed = false;    // ended by a signal
    int exit_code = -1;
    QByteArray std_out;
    QByteArray std_err;
    QString error;  // why the run failed, "" when it did not

    // Started, ended by itself in time and with exit status 0.
    bool Ok() const { return started && !timed_out && !crashed && exit_code == 0; }
};

// Runs scripts through the script host korvi-cscript as a separate process:
// korvi-cscript SCRIPT ARG... in the given working folder. A last argument too
// long for a command line (or holding a NUL) travels on standard input with
// "--args-stdin" in its place; the script sees the same argument.
class ScriptRunner {
public:
    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr qsizetype kMaxArgChars = 32 * 1024;

    // hostPath "" means LocateHost().
    explicit ScriptRunner(const QString& workDir, const QString& hostPath = QString());

    // $KORVI_CSCRIPT when set, else korvi-cscript beside the running executable,
    // else "korvi-cscript" (looked up on PATH).
    static QString LocateHost();

    const QString& HostPath() const { return host_; }
    const QString& WorkDir() const { return work_dir_; }
    // Environment of the script process; the caller's by default.
    void SetEnvironment(const QProcessEnvironment& env) { env_ = env; }

    // A negative time-out means no limit.
    ScriptOutcome Run(const QString& script, const QStringList& args,
                      int timeoutMs = kDefaultTimeoutMs) const;
    // Standard output of a successful run as UTF-8 text; "" otherwise.
    QString RunText(const QString& script, const QStringList& args,
                    int timeoutMs = kDefaultTimeoutMs) const;

private:
    QString host_;
    QString work_dir_;
    QProcessEnvironment env_;
};

}  // namespace korvi
