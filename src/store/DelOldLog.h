#pragma once

#include <QString>
#include <QStringList>

#include "shell/CommonSettings.h"
#include "store/FolderService.h"

namespace korvi {

class CtrlFile;

struct DelOldLogResult {
    bool ok = false;        // false when the download root was missing or unusable
    QStringList deleted;    // entry names deleted, in the order they went
    QStringList end_texts;  // the closing progress text of every step that ran
    FldrCounts counts;      // what the deletions removed
};

// Deletes old run folders below the download root (CtrlFile::LogRoot) as the
// settings ask: by age in JST calendar days, then by total size, then by
// number; then removes empty folders below the current run folder and
// directly below the root. Progress texts go to progress as they happen.
DelOldLogResult DelOldLog(CtrlFile& ctrl, FolderService& fs, const LogDelSettings& settings,
                          const ProgressFn& progress = {});

// The moment before which an entry is old: day_no - 1 days back from now in
// JST at 00:00:00 (the milliseconds of now stay).
qint64 DelOldLogCutoffMs(qint64 nowMs, int dayNo);

}  // namespace korvi
