#pragma once

#include <QFile>
#include <QMutex>
#include <QString>

namespace korvi {

class CtrlFile;

// The server's day log "log/<day>.log" (OutLog): each message is a time
// line followed by a memory line. The day file stays open between lines.
class HttpSrvrLog {
public:
    explicit HttpSrvrLog(CtrlFile& ctrl) : ctrl_(ctrl) {}
    ~HttpSrvrLog();
    HttpSrvrLog(const HttpSrvrLog&) = delete;
    HttpSrvrLog& operator=(const HttpSrvrLog&) = delete;

    void OutLog(const QString& message);
    // The day file the next line goes to, relative to the home folder.
    QString DayFile() const;

private:
    void ProcessMemory(qint64* total, qint64* used);

    CtrlFile& ctrl_;
    QMutex mutex_;
    QFile file_;
    int statm_ = -1;
    bool failed_once_ = false;
};

}  // namespace korvi
