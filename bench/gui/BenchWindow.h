#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

#include "ui/common/Dialogs.h"

namespace korvi::bench {

// Dialogs that show nothing (a modal end dialog would stop the loop).
class SilentDialogs : public Dialogs {
public:
    void Message(QWidget*, const QString&, const QString&) override {}
    Answer YesNo(QWidget*, const QString&, const QString&, bool) override { return Answer::kNo; }
    QString Input(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    int Choose(QWidget*, const QString&, const QString&, const QStringList&, int) override {
        return -1;
    }
    QString OpenFile(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return QString();
    }
    QString ChooseFolder(QWidget*, const QString&, const QString&) override { return QString(); }
};

// The GUI event loop's longest gap, seen by a 1 ms timer.
class LoopGapProbe {
public:
    LoopGapProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (ticks_++ > 0) max_gap_ = std::max(max_gap_, now - last_);
            last_ = now;
        });
    }
    void Start() {
        clock_.start();
        timer_.start();
    }
    qint64 MaxGapMs() const { return max_gap_; }
    long Ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 max_gap_ = 0;
    long ticks_ = 0;
};

}  // namespace korvi::bench
