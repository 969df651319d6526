#include "engine/crawl/SlotThreads.h"

#include <deque>
#include <exception>

namespace korvi {

struct SlotThreads::Worker {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::function<void()>> jobs;
    bool quit = false;   // end once the queued jobs are done
    bool ended = false;  // the loop has returned
    std::thread thread;
};

SlotThreads::SlotThreads(Starter starter) : starter_(std::move(starter)) {}

SlotThreads::~SlotThreads() {
    Stop();
}

void SlotThreads::Loop(const std::shared_ptr<Worker>& w) {
    std::unique_lock lock(w->mutex);
    for (;;) {
        w->cv.wait(lock, [&] { return w->quit || !w->jobs.empty(); });
        if (w->jobs.empty()) break;
        std::function<void()> job = std::move(w->jobs.front());
        w->jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // what the job holds goes before the next one starts
        lock.lock();
    }
    w->ended = true;
}

bool SlotThreads::Run(size_t slot, std::function<void()> job, QString* error) {
    std::lock_guard lock(mutex_);
    if (slots_.size() <= slot) slots_.resize(slot + 1);
    std::shared_ptr<Worker>& w = slots_[slot];
    if (!w) {
        auto fresh = std::make_shared<Worker>();
        std::function<void()> body = [fresh] { Loop(fresh); };
        try {
            fresh->thread = starter_ ? starter_(std::move(body)) : std::thread(std::move(body));
        } catch (const std::exception& e) {
            if (error) *error = QString::fromLocal8Bit(e.what());
            return false;
        }
        if (!fresh->thread.joinable()) {
            if (error) *error = QStringLiteral("no thread");
            return false;
        }
        ++made_;
        w = std::move(fresh);
    }
    {
        std::lock_guard wl(w->mutex);
        w->jobs.push_back(std::move(job));
    }
    w->cv.notify_one();
    return true;
}

void SlotThreads::Lose(size_t slot) {
    std::lock_guard lock(mutex_);
    if (slot >= slots_.size() || !slots_[slot]) return;
    std::shared_ptr<Worker> w = std::move(slots_[slot]);
    {
        std::lock_guard wl(w->mutex);
        w->quit = true;
    }
    w->cv.notify_one();
    lost_.push_back(std::move(w));
}

void SlotThreads::Reap(bool wait) {
    std::vector<std::shared_ptr<Worker>> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = lost_.begin(); it != lost_.end();) {
            bool ended = wait;
            if (!ended) {
                std::lock_guard wl((*it)->mutex);
                ended = (*it)->ended;
            }
            if (ended) {
                done.push_back(std::move(*it));
                it = lost_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& w : done) {
        if (w->thread.get_id() == std::this_thread::get_id())
            w->thread.detach();
        else
            w->thread.join();
    }
}

void SlotThreads::Stop() {
    {
        std::lock_guard lock(mutex_);
        for (std::shared_ptr<Worker>& w : slots_) {
            if (!w) continue;
            {
                std::lock_guard wl(w->mutex);
                w->quit = true;
            }
            w->cv.notify_one();
            lost_.push_back(std::move(w));
        }
        slots_.clear();
    }
    Reap(true);
}

size_t SlotThreads::Threads() const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& w : slots_) n += w ? 1 : 0;
    return n;
}

size_t SlotThreads::Made() const {
    std::lock_guard lock(mutex_);
    return made_;
}

}  // namespace korvi
