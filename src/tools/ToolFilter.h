#pragma once

#include <QString>

namespace korvi {

// The extension-filter modes of the tool windows: all files, only the listed
// extensions, all but the listed ones.
enum class FltMode { All, In, Out };
// The size modes of the file search: all sizes, at least, at most.
enum class SizeMode { All, Up, Down };

FltMode FltModeFromText(const QString& text);    // "in", "out", else All
SizeMode SizeModeFromText(const QString& text);  // "up", "down"/"dwn", else All

// List lookup with size conditions: true when "," + extension + "," occurs in
// the list and the ">N"/"<N" entry after it (KB) holds for the size; a
// negative size passes any condition. An empty list or extension gives false.
bool ExtListLookup(const QString& list, const QString& extension, qint64 sizeKb);

// The link-analysis filter on a link's extension: the lower-cased list
// contains "," + extension + ","; In keeps those, Out keeps the others.
bool LinkExtPasses(FltMode mode, const QString& list, const QString& extension);

}  // namespace korvi
