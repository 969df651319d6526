#pragma once

#include "ui/present/Dialogs.h"

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

}  // namespace korvi::bench
