#include "ui/server/GuiHost.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "server/LinkListSave.h"
#include "shell/Context.h"
#include "ui/server/WinSrvr.h"

namespace korvi {

namespace {

// Completion of one queued call, shared by the caller and the GUI thread.
struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
};

}  // namespace

GuiHost::GuiHost(Context& ctx, WinSrvr& server) : ctx_(ctx), server_(server) {}

void GuiHost::OnGui(std::function<void()> fn, bool wait, int timeoutMs) {
    if (closing_.load()) return;
    const bool onGui = QThread::currentThread() == server_.thread();
    if (onGui) {
        fn();
        return;
    }
    auto done = std::make_shared<Done>();
    QMetaObject::invokeMethod(
        &server_,
        [this, fn = std::move(fn), done] {
            if (!closing_.load()) {
                try {
                    fn();
                } catch (const std::exception& e) {
                    ctx_.Ctrl().SaveErrLog(QStringLiteral("W_Srvr Host Call Err : ") +
                                           QString::fromLocal8Bit(e.what()));
                }
            }
            std::lock_guard lock(done->mutex);
            done->done = true;
            done->cv.notify_all();
        },
        Qt::QueuedConnection);
    if (!wait) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(done->mutex);
    while (!done->done && !closing_.load() && std::chrono::steady_clock::now() < until) {
        done->cv.wait_for(lock, std::chrono::milliseconds(50));
    }
}

void GuiHost::BuildMainWindow(const QString& source) {
    OnGui([this, source] { server_.BuildKorvi(source, true); }, true);
}

void GuiHost::AppendToInitList(const QString& source) {
    OnGui([this, source] { server_.AppendToKorvi(source); }, true);
}

void GuiHost::SetSearchWord(const QString& word) {
    OnGui([this, word] { server_.SetKorviWord(word); }, true);
}

void GuiHost::StartDlSearch() {
    OnGui([this] { server_.StartKorviRun(); }, true);
}

bool GuiHost::SaveLinkList(const QString& listFile, const QString& target) {
    // A temporary list stands in for the temporary main window; no widget.
    return korvi::SaveLinkList(ctx_.Ctrl(), listFile, target);
}

void GuiHost::Exit() {
    OnGui([this] { server_.Close(); }, false);
}

void GuiHost::FocusUrlField() {
    OnGui([this] { server_.FocusKorviUrl(); }, false);
}

void GuiHost::SetServerVisible(bool visible) {
    OnGui([this, visible] { server_.SetShown(visible); }, false);
}

void GuiHost::SetTitleProgress(const QString& progress) {
    OnGui([this, progress] { server_.SetTitleProgress(progress); }, false);
}

void GuiHost::StartSchedule(const DueSchd& entry, const QString& saveName) {
    OnGui([this, entry, saveName] { server_.StartSchedule(entry, saveName); }, true);
}

}  // namespace korvi
