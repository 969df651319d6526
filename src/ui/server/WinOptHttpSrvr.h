#pragma once

#include <QWidget>

#include <memory>
#include <thread>

class QTimer;

namespace Ui {
class WinOptHttpSrvrBody;
}

namespace korvi {

struct GuiContext;

// Options panel "HTTPサーバー": the settings of "server/opt.ini" (server and
// URL mount), the start/stop button with the server's state, the access
// lists and "mount now".
class WinOptHttpSrvr : public QWidget {
    Q_OBJECT
public:
    explicit WinOptHttpSrvr(GuiContext& gui, QWidget* parent = nullptr);
    ~WinOptHttpSrvr() override;

    // Presses "保存": checks the numbers, then writes both sections. False
    // when a number is refused or the file could not be written.
    bool SaveOpt();
    // Presses the start/stop button.
    void StartStop();
    // Presses "今すぐマウント": the request goes out on a worker thread.
    void MountNow();
    bool MountRunning() const { return mount_thread_.joinable(); }

private:
    void LoadOpt();
    void ShowState();
    void OpenList(const QString& file);
    void MountDone(bool sent, const QString& url);

    GuiContext& gui_;
    std::unique_ptr<Ui::WinOptHttpSrvrBody> ui_;
    QTimer* poll_;
    std::thread mount_thread_;
};

}  // namespace korvi
