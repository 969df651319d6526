#pragma once

#include <QMutex>
#include <QString>

namespace korvi {

class CtrlFile;

// The server's day log "log/<day>.log" (OutLog): each message is a time
// line followed by a memory line.
class HttpSrvrLog {
public:
    explicit HttpSrvrLog(CtrlFile& ctrl) : ctrl_(ctrl) {}
    void OutLog(const QString& message);
    // The day file the next line goes to, relative to the home folder.
    QString DayFile() const;

private:
    CtrlFile& ctrl_;
    QMutex mutex_;
};

}  // namespace korvi
