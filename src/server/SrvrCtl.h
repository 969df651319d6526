#pragma once

#include <QString>

namespace korvi {

// What the server settings window may do with the resident server: start
// and stop the HTTP server and send the URL mount request at once.
class SrvrCtl {
public:
    virtual ~SrvrCtl() = default;

    // HttpSrvr::State.
    virtual int SrvrState() const = 0;
    // Reads the server and mount settings again and starts serving when they
    // say so; returns the new state. When the listener could not be opened,
    // *error says why.
    virtual int StartSrvr(QString* error) = 0;
    virtual void StopSrvr() = 0;
    // Sends the mount request now (blocks for it; any thread) and gives the
    // mount URL it used. False when the mount is off.
    virtual bool MountNow(QString* url) = 0;
};

}  // namespace korvi
