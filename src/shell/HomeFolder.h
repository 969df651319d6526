#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

// The program folder: where every setting and download lives.
class HomeFolder {
public:
    // --home DIR, else $KORVI_HOME, else the executable's folder when it is
    // writable and not an installed bin/ (one with ../share/korvi and no data/
    // beside it), else $XDG_DATA_HOME/korvi (~/.local/share/korvi, where ~ is
    // $HOME or, without it, the user's entry in the password database).
    static QString Resolve(const QString& explicitHome, const QString& exeDir);
    // The shipped data folder: exeDir/data, else exeDir/../share/korvi.
    static QString ShippedData(const QString& exeDir);
    // The folders every home has.
    static QStringList LayoutFolders();
    // Creates the home and its folders and copies in every shipped file that
    // is missing (never overwriting one); auto_login/ and its files are the
    // user's alone (0700, 0600). False, with a reason, on failure.
    static bool Prepare(const QString& home, const QString& shippedData, QString* error);
};

}  // namespace korvi
