#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvi {

// Runs the searches browsers ask for beside the channels, so that a search
// never holds a channel: at most kRunning at once, kWaiting more in line.
class HttpSrvrSrchPool {
public:
    static constexpr int kRunning = 2;
    static constexpr int kWaiting = 16;

    HttpSrvrSrchPool() = default;
    ~HttpSrvrSrchPool();
    HttpSrvrSrchPool(const HttpSrvrSrchPool&) = delete;
    HttpSrvrSrchPool& operator=(const HttpSrvrSrchPool&) = delete;

    // False when the line is full; the job is then not run.
    bool Submit(std::function<void()> job);
    // Runs what is in line (the caller has asked the searches to stop) and
    // ends the threads; Submit works again afterwards.
    void Drain();

    int Running() const;
    int Waiting() const;

private:
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    int running_ = 0;
    int idle_ = 0;
    bool quit_ = false;
};

}  // namespace korvi
