#pragma once

#include <QString>

namespace korvi {

// Memory figures of this process in units of 1000 bytes: used is the
// resident size, total the mapped (virtual) size.
struct MemoryUse {
    qint64 used = 0;
    qint64 total = 0;
};

MemoryUse ReadMemoryUse();
// "used  total total" as the memory log lines write it.
QString MemoryUseText(const MemoryUse& m);

}  // namespace korvi
