#pragma once

#include <QString>
#include <QStringList>

#include "shell/UserMessage.h"

namespace korvi {

class CtrlFile;

// Outcome of a file operation of the auto-login list: whether it did its
// work, the file name it left selected and the dialog to show when not.
struct AutoLoginResult {
    bool ok = false;
    QString name;
    UserMessage message;
};

// The ".ini" files of the folder "auto_login" as the settings window edits
// them. The shipped sample is never changed, renamed or deleted.
class AutoLoginFiles {
public:
    static inline const QString kSample = QStringLiteral("サンプル.ini");
    static inline const QString kNewText =
        QStringLiteral("[URL]\nurl=http://\navoid=false\n\n[QUERY]\n");

    explicit AutoLoginFiles(CtrlFile& ctrl) : ctrl_(ctrl) {}

    static bool IsProtected(const QString& name) { return name == kSample; }
    // The file name an input gives: forbidden characters stripped, ".ini"
    // added when missing; "" when nothing is left.
    static QString FileName(const QString& input);

    // File names in name order.
    QStringList Names() const;
    QString Load(const QString& name) const;

    // An empty input is a cancel (not ok, no message).
    AutoLoginResult New(const QString& input);
    AutoLoginResult Copy(const QString& selected, const QString& input);
    AutoLoginResult Rename(const QString& selected, const QString& input);
    // The caller asks DeleteQuestion first.
    AutoLoginResult Delete(const QString& selected);
    AutoLoginResult Save(const QString& name, const QString& text);

    static UserMessage DeleteQuestion(const QString& name);

private:
    QString Path(const QString& name) const;
    // The checked file name of an input, or "" with the message set.
    QString NewName(const QString& input, AutoLoginResult& result) const;

    CtrlFile& ctrl_;
};

}  // namespace korvi
