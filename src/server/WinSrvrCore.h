#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvi {

class CtrlFile;
class ResidentHost;

// The resident server's behaviour without its window: the message field
// with its two-poll rule, command handling, the access log and the 200 ms
// loop that polls messages, schedules and the URL mount in turn.
class WinSrvrCore {
public:
    static inline const QString kPrefix = QStringLiteral("SndMes:");

    WinSrvrCore(CtrlFile& ctrl, ResidentHost& host);
    ~WinSrvrCore();
    WinSrvrCore(const WinSrvrCore&) = delete;
    WinSrvrCore& operator=(const WinSrvrCore&) = delete;

    // The message field; any thread may write it.
    void SetMessage(const QString& text);
    QString Message() const;

    // One poll of the message field.
    void GetMes();
    // Hex-decodes a text that begins with "%"; a null string (and an error
    // log line) when it cannot be decoded.
    QString EncMes(const QString& text);
    // Clears the field.
    void InitGetMes();

    // Work done after each message poll on the loop's thread.
    void SetScheduleCheck(std::function<void()> check) { schedule_check_ = std::move(check); }
    void SetUrlMountCheck(std::function<void()> check) { url_mount_check_ = std::move(check); }

    void Start(int intervalMs = 200);
    void Stop();
    bool Running() const { return running_.load(); }

    bool ShowFlag() const { return show_flag_.load(); }
    int MissCount() const { return miss_count_; }
    QStringList AccessLog() const;

private:
    void RunLines(QStringList lines);
    bool RunCommand(const QString& command);
    void LogAccess(const QString& command);
    // Ends the loop's wait early.
    void Wake();
    void Loop(int intervalMs);

    CtrlFile& ctrl_;
    ResidentHost& host_;
    mutable QMutex field_mutex_;
    QString field_;
    QString last_text_;
    int miss_count_ = 0;
    std::atomic<bool> show_flag_{true};
    mutable QMutex log_mutex_;
    QStringList access_log_;
    std::function<void()> schedule_check_;
    std::function<void()> url_mount_check_;
    std::atomic<bool> running_{false};
    std::mutex wake_mutex_;
    std::condition_variable wake_cv_;
    bool wake_ = false;
    std::thread thread_;
};

}  // namespace korvi
