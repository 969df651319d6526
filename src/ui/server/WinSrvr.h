#pragma once

// ui/server: the resident window, its GUI host and the server settings
// panel. Includes core headers, ui/common and ui/server only; WinSrvr, which
// builds the main window, may also include ui/shell.

#include <QPointer>
#include <QString>
#include <QWidget>
#include "ui/shell/Korvi.h"

#include <functional>
#include <memory>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace korvi {

struct DueSchd;
struct GuiContext;
class GuiHost;
class Resident;

// The resident server window "KorviServer": the message field through which
// commands arrive, the access log and "Korvi開始". It owns the resident core
// (loop, HTTP server, schedules, URL mount) and the one main window.
class WinSrvr : public QWidget {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("KorviServer");

    explicit WinSrvr(GuiContext& gui, QWidget* parent = nullptr);
    ~WinSrvr() override;

    // Takes the home's local socket, starts the server and the loop and puts
    // message into the field. False when another instance holds the socket.
    bool Start(const QString& message, QString* error = nullptr);

    Korvi* MainWindow() const { return korvi_; }
    Resident* Core() const { return resident_.get(); }
    GuiHost& Host() { return *host_; }

    // What the resident loop asks for, on the GUI thread.
    void BuildKorvi(const QString& source, bool shown, bool forSchedule = false);
    void AppendToKorvi(const QString& source);
    void SetKorviWord(const QString& word);
    void StartKorviRun();
    void FocusKorviUrl();
    void SetShown(bool shown);
    void SetTitleProgress(const QString& progress);
    void StartSchedule(const DueSchd& entry, const QString& saveName);
    // Forgets the main window once it closed (DelKorvi).
    void DelKorvi();
    // Hides the window and keeps it hidden after resets.
    void SetUnVisible();
    // Ends the loop and the program.
    void Close();
    // How Close ends the program (QCoreApplication::exit by default).
    void SetQuit(std::function<void(int)> quit) { quit_ = std::move(quit); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void InitMes();
    void SyncField();
    void OnUserEdit();

    GuiContext& gui_;
    std::unique_ptr<GuiHost> host_;
    std::unique_ptr<Resident> resident_;
    std::function<void(int)> quit_;
    QPointer<Korvi> korvi_;
    QPlainTextEdit* mes_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QPushButton* start_btn_ = nullptr;
    QTimer* sync_ = nullptr;
    QString shown_field_;  // the core field's text last put into the widget
    QStringList log_shown_;
    bool syncing_ = false;
    bool closing_ = false;
};

}  // namespace korvi
