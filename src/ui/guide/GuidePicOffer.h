#pragma once

#include <QObject>
#include <QString>

namespace korvi {

struct GuiContext;
struct GuidePlan;
class MainWindowLink;

// After the next run of the main window ends, offers to show the pictures
// it collected in the file search panel. One per main window.
class GuidePicOffer : public QObject {
    Q_OBJECT
public:
    // Replaces any pending offer of the window; arms a new one when the plan
    // collects pictures.
    static void Arm(GuiContext& gui, MainWindowLink& main, const GuidePlan& plan);
    // The pending offer of the window, or null.
    static GuidePicOffer* Pending(MainWindowLink& main);

    const QString& Filter() const { return filter_; }
    int MinKb() const { return min_kb_; }

private:
    GuidePicOffer(GuiContext& gui, MainWindowLink& main, const QString& filter, int minKb);
    void RunState(bool running);

    GuiContext& gui_;
    MainWindowLink& main_;
    QMetaObject::Connection watch_;
    QString filter_;
    int min_kb_ = 0;
    bool started_ = false;
};

}  // namespace korvi
