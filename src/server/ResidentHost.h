#pragma once

#include <QString>

namespace korvi {

// What the resident loop drives: the desktop program's main window, or a
// headless stand-in in `korvi-run serve`. A null source means "none given".
class ResidentHost {
public:
    virtual ~ResidentHost() = default;
    virtual bool HasMainWindow() const = 0;
    // Builds the main window, its init list read from source (null: "data.ini").
    virtual void BuildMainWindow(const QString& source) = 0;
    // Appends source to the open init list (null: the held list source again).
    virtual void AppendToInitList(const QString& source) = 0;
    virtual void SetSearchWord(const QString& word) = 0;
    virtual void StartDlSearch() = 0;
    // Reads listFile into a temporary init list and saves it as target.
    virtual bool SaveLinkList(const QString& listFile, const QString& target) = 0;
    virtual void Exit() = 0;
    // Window cosmetics; nothing to do without windows.
    virtual void FocusUrlField() {}
    virtual void SetServerVisible(bool /*visible*/) {}
    virtual void SetTitleProgress(const QString& /*progress*/) {}
};

}  // namespace korvi
