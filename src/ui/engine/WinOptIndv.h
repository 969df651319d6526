#pragma once

#include <QWidget>

#include <memory>

#include "engine/profile/Profile.h"

class QGroupBox;

namespace Ui {
class WinOptIndvForm;
}

namespace korvi {

struct GuiContext;

// The profile editor: every key of one "DL＆検索 設定" profile in four tabs.
// Each key's control carries the key as its objectName inside the group box
// named after its section.
class WinOptIndv : public QWidget {
    Q_OBJECT
public:
    explicit WinOptIndv(GuiContext& gui, QWidget* parent = nullptr);
    ~WinOptIndv() override;

    // Fills the editor from the profile of that name (LoadOpt). An empty or
    // unreadable file shows the read error and leaves the default values.
    void LoadProfile(const QString& name);
    // The profile name the editor was opened with ("" when none).
    const QString& LoadedName() const { return loaded_; }

    // The values shown in the controls, and the other way round.
    DlSrchOpt Values() const;
    void SetValues(const DlSrchOpt& opt);

    // Presses "保存": writes the profile under the name field (SaveOpt) and
    // shows its dialogs. True when the file was written.
    bool Save();

Q_SIGNALS:
    // A profile file was written; name is the name it was saved under.
    void saved(const QString& name);

private:
    void BrowseFile(const QString& key, const QString& title);

    GuiContext& gui_;
    std::unique_ptr<Ui::WinOptIndvForm> ui_;
    QString loaded_;
};

}  // namespace korvi
