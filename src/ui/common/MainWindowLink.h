#pragma once

#include <QMetaObject>
#include <QString>

#include <functional>

class QObject;
class QWidget;

namespace korvi {

class InitList;
struct DlSrchOpt;

// What a panel or tool window may ask of the main window. The main window
// implements it, so that nothing below it needs the window's own class.
class MainWindowLink {
public:
    // The work categories, in the order of the category tree.
    enum Work { kDsInit = 0, kDsAct = 1, kLogSrch = 2, kLogAnly = 3, kSchd = 4 };

    virtual ~MainWindowLink() = default;

    // The main window itself: the parent of dialogs, to show and raise.
    virtual QWidget* Window() = 0;
    // Shows the panel of a work category (SelWork).
    virtual void SelWork(int work) = 0;
    // Puts the named profile into force and shows it in the settings box.
    virtual void UseProfile(const QString& name) = 0;
    // Calls fn(running) whenever a run starts or ends, while receiver lives.
    virtual QMetaObject::Connection OnRunState(QObject* receiver,
                                               std::function<void(bool running)> fn) = 0;
    // Shows the pictures of the run in the file search panel.
    virtual void ShowPictures(const QString& filter, int minKb) = 0;

    // The init panel's profile for the next run, and putting profile values
    // into force as a profile would (the guide's presets).
    virtual DlSrchOpt NextOpt() const = 0;
    virtual void SetNextOpt(const DlSrchOpt& opt) = 0;
    // The init list of start URLs. ReadStartSource reads a list source into
    // it (append keeps the rows); StartListChanged shows it again after it
    // was changed directly.
    virtual InitList& StartList() = 0;
    virtual void ReadStartSource(const QString& source, bool append) = 0;
    virtual void StartListChanged() = 0;
    // The init panel's search text.
    virtual void SetSearchWord(const QString& word) = 0;
    // Whether the run list holds rows that "DL初期化" would drop, and
    // dropping them with a new run identifier.
    virtual bool RunListFilled() = 0;
    virtual void ResetRunList() = 0;
};

}  // namespace korvi
