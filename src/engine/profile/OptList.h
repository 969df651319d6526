#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "engine/profile/Profile.h"

namespace korvi {

class CtrlFile;

// The profile list's operations on the files of the folder "option": new,
// copy, rename and delete. "デフォルト" always exists and is never renamed or
// deleted. Each operation returns the dialogs its window should show.
class OptList {
public:
    // Asked before a deletion; true for yes.
    using Confirm = std::function<bool(const OptMessage&)>;

    explicit OptList(CtrlFile& ctrl) : ctrl_(ctrl) {}

    // Profile names, "デフォルト" first, then the others in name order.
    QStringList Names();
    bool Exists(const QString& name) const;
    // Writes "デフォルト.ini" from the default values when it is missing.
    bool EnsureDefault();

    OptResult NewOpt(const QString& name);
    OptResult CopyOpt(const QString& selected);
    OptResult RenameOpt(const QString& selected, const QString& newName);
    OptResult DeleteOpt(const QString& selected, const Confirm& confirm);

    // The question asked before deleting that profile.
    static OptMessage DeleteQuestion(const QString& name);

private:
    // True when a new file may take that name; otherwise adds the dialog that says why.
    bool CheckNewName(const QString& name, OptResult& result) const;

    CtrlFile& ctrl_;
};

}  // namespace korvi
