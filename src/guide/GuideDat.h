#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace korvi {

class CtrlFile;

inline const QString kGuideDatPath = QStringLiteral("tool/guide/guide.dat");

// The groups of profile names of a guide.dat text: one name a line,
// carriage returns removed, empty lines ignored, "--" between groups.
// Empty groups are dropped.
QList<QStringList> ParseGuideDat(const QString& text);

// The user presets of the home: the groups of guide.dat, keeping only the
// names that are profiles (a readable "option/<name>.ini").
QList<QStringList> LoadGuideDat(CtrlFile& ctrl);

}  // namespace korvi
