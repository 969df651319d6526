#pragma once

#include <QString>

#include "shell/UserMessage.h"

namespace korvi {

class CtrlFile;

// What the server settings window edits in "server/opt.ini": the
// [HttpServer] keys and the [UrlMount] keys.
struct HttpSrvrOptEdit {
    bool use = false;
    int port = 80;
    int reload_sec = 5;
    int access = 0;
    bool um_use = false;
    QString um_url;
    QString um_password;

    // The values the file holds now (defaults for a missing file).
    static HttpSrvrOptEdit Load(CtrlFile& ctrl);
};

// Sets section/key to value in a settings text and keeps every other line
// (notes, unknown keys, blank lines) as it was. A missing key is added at
// the end of its section, a missing section at the end of the text.
QString SetIniKeepLines(const QString& text, const QString& section, const QString& key,
                        const QString& value);

// Writes both sections into "server/opt.ini"; false (logged) when the file
// could not be written.
bool SaveHttpSrvrOpt(CtrlFile& ctrl, const HttpSrvrOptEdit& edit);

// Outcome of saving the settings window: whether the file was written and the
// message to show (a warning, an error or the confirmation).
struct HttpSrvrOptSaved {
    bool ok = false;
    UserMessage message;
};

// Saves edit with the port and reload seconds as the window's texts hold
// them: whole decimal numbers, port 0-65535 and reload 1-86400. A refused
// number writes nothing.
HttpSrvrOptSaved SaveHttpSrvrOpt(CtrlFile& ctrl, HttpSrvrOptEdit edit, const QString& port,
                                 const QString& reloadSec);

}  // namespace korvi
