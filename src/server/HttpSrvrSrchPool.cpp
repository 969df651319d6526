#include "server/HttpSrvrSrchPool.h"

#include <system_error>

namespace korvi {

HttpSrvrSrchPool::~HttpSrvrSrchPool() {
    Drain();
}

bool HttpSrvrSrchPool::Submit(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (quit_ || static_cast<int>(jobs_.size()) >= kWaiting) return false;
    jobs_.push_back(std::move(job));
    if (idle_ == 0 && static_cast<int>(threads_.size()) < kRunning) {
        try {
            threads_.emplace_back([this] { Loop(); });
        } catch (const std::system_error&) {
            if (threads_.empty()) {
                jobs_.pop_back();
                return false;
            }
        }
    }
    lock.unlock();
    ready_.notify_one();
    return true;
}

void HttpSrvrSrchPool::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        ready_.wait(lock, [this] { return !jobs_.empty() || quit_; });
        --idle_;
        if (jobs_.empty()) return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        --running_;
    }
}

void HttpSrvrSrchPool::Drain() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        threads.swap(threads_);
    }
    ready_.notify_all();
    for (std::thread& t : threads) t.join();
    std::lock_guard lock(mutex_);
    // Jobs left over had no thread; run none of them, but let their owners
    // know through their destructors.
    jobs_.clear();
    quit_ = false;
}

int HttpSrvrSrchPool::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

int HttpSrvrSrchPool::Waiting() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(jobs_.size());
}

}  // namespace korvi
