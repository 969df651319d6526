#pragma once

#include <QString>

#include "engine/lists/UrlList.h"

namespace korvi {

class CtrlFile;

// The exclusion list (URLs never fetched nor listed) and the forced-overwrite
// list (URLs fetched again although a local copy exists) of the current
// profile. Loaded when a profile is applied; read by every worker of a run.
class AvoidList {
public:
    explicit AvoidList(CtrlFile& ctrl) : ctrl_(ctrl) {}

    // Profile keys avoid_dl_file_list / overwrite_dl_file_list.
    void InitAvoidDl(const QString& setting) { avoid_.Load(ctrl_, setting); }
    void InitOvwrtDl(const QString& setting) { overwrite_.Load(ctrl_, setting); }

    // True when the URL is on the exclusion list.
    bool ChkAvoidDl(const QString& url) const { return avoid_.Matches(url); }
    // True when the URL must be fetched: no local file at the path (relative
    // to the home folder), or the URL is on the forced-overwrite list.
    bool ChkOvwrtDl(const QString& localPath, const QString& url) const;

    const UrlList& Avoid() const { return avoid_; }
    const UrlList& Overwrite() const { return overwrite_; }

private:
    CtrlFile& ctrl_;
    UrlList avoid_;
    UrlList overwrite_;
};

}  // namespace korvi
