#pragma once

#include <QString>

namespace korvi {

// The first free numbered variant of a file name: "dir/dat.ini" gives
// "dir/dat_0001.ini", then "dir/dat_0002.ini", ... (absolute or relative to
// the given base folder). Empty when no number up to 9999 is free.
QString GetSerialNoFName(const QString& baseFolder, const QString& path);

}  // namespace korvi
