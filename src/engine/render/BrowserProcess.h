#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>
#include <memory>

namespace korvi {

// A headless chromium in its own process group with its own temporary
// profile folder, talking the DevTools protocol on descriptors 3 (its input)
// and 4 (its output).
class BrowserProcess {
public:
    BrowserProcess() = default;
    ~BrowserProcess();
    BrowserProcess(const BrowserProcess&) = delete;
    BrowserProcess& operator=(const BrowserProcess&) = delete;

    // The chromium executable on PATH ("" when none is installed).
    static QString FindChromium();
    // The switches a run's browser starts with.
    static QStringList Arguments(const QString& profileDir, const QString& userAgent);

    // Starts the browser; on success *toBrowser and *fromBrowser are our ends
    // of the protocol pipe (owned by the caller). False with *error set.
    bool Start(const QString& program, const QString& userAgent, int* toBrowser, int* fromBrowser,
               QString* error);
    // Ends the whole process group: a polite signal, then a hard one.
    void Stop();
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Resident memory of every process of the browser's group, in KiB. The
    // plain sum counts shared pages once per process; the proportional one
    // (Pss) splits them among the processes sharing them.
    static qint64 GroupRssKb(pid_t group, bool proportional = false);

private:
    pid_t pid_ = -1;
    std::unique_ptr<QTemporaryDir> profile_;
};

}  // namespace korvi
