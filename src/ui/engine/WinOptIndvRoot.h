#pragma once

#include <QList>
#include <QWidget>

#include "engine/profile/Profile.h"

class QListWidget;

namespace korvi {

struct GuiContext;
class WinOptIndv;

// Options panel "DL＆検索 設定": the profile list with new, copy, rename and
// delete beside the editor of the selected profile.
class WinOptIndvRoot : public QWidget {
    Q_OBJECT
public:
    explicit WinOptIndvRoot(GuiContext& gui, QWidget* parent = nullptr);

    // Selects the profile of that name and loads it into the editor; false
    // when the list has no such profile.
    bool SelectProfile(const QString& name);
    // The selected profile's name, "" when none.
    QString Selected() const;
    WinOptIndv* Editor() const { return editor_; }

    void NewOpt();
    void CopyOpt();
    void RenameOpt();
    void DeleteOpt();

Q_SIGNALS:
    // A profile file appeared, vanished or changed its name.
    void profilesChanged();

private:
    // Reads the list again and selects select (or "デフォルト" when gone).
    void Refresh(const QString& select);
    // The names the list shows.
    QStringList Shown() const;
    void ShowMessages(const QList<OptMessage>& messages);

    GuiContext& gui_;
    QListWidget* list_;
    WinOptIndv* editor_;
};

}  // namespace korvi
