#pragma once

#include <QByteArray>

#include <vector>

namespace korvi {

// Asks the kernel to start reading the files into the page cache, several
// at a time, so that files read one after the other later come from memory
// even when the disk is cold. Returns once every file has been asked for.
void ReadAhead(const std::vector<QByteArray>& paths);

}  // namespace korvi
