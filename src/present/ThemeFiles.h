#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

class CtrlFile;
class FolderService;

// The theme files of a home: the shipped ones in the folder "theme" and the
// active copy "Korvi.theme" beside them.
class ThemeFiles {
public:
    static inline const QString kFolder = QStringLiteral("theme");
    static inline const QString kExtension = QStringLiteral(".theme");
    static inline const QString kActive = QStringLiteral("Korvi.theme");
    static inline const QString kDefaultEntry = QStringLiteral("Korvi");

    // The names of the theme files without their extension: "Korvi" first,
    // the others in text order. Empty when the folder is missing or empty.
    static QStringList InitListData(const FolderService& fldr, const CtrlFile& ctrl);
    // Copies the chosen theme over the active copy. An empty name, a name that
    // leaves the theme folder or a failed copy (logged) changes nothing and
    // returns false.
    static bool SaveOpt(CtrlFile& ctrl, const QString& name);
    // "theme/<name>.theme".
    static QString PathOf(const QString& name) { return kFolder + u'/' + name + kExtension; }
};

}  // namespace korvi
