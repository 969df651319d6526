#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace korvi {

// The worker threads of one run, one per slot, each living as long as the
// run: a slot's thread takes the slot's jobs one after another instead of
// a thread being started per URL. A thread busy with a job the run gave up
// on (a time-out, a skip) is set aside as lost: it ends on its own once that
// job returns, and the slot gets a fresh thread for its next job.
class SlotThreads {
public:
    using Starter = std::function<std::thread(std::function<void()> body)>;

    // starter makes a thread (empty: std::thread); it may throw.
    explicit SlotThreads(Starter starter = {});
    ~SlotThreads();
    SlotThreads(const SlotThreads&) = delete;
    SlotThreads& operator=(const SlotThreads&) = delete;

    // Runs job on the slot's thread, after the job it is finishing, if any;
    // makes the thread first when the slot has none. False, with the reason
    // in *error, when no thread could be made (the job is not run).
    bool Run(size_t slot, std::function<void()> job, QString* error);
    // Sets the slot's thread aside; it ends after its current job.
    void Lose(size_t slot);
    // Joins the lost threads that have ended; all of them when wait.
    void Reap(bool wait);
    // Ends every thread once its jobs are done, and waits for it.
    void Stop();
    // Threads of the slots, not counting lost ones.
    size_t Threads() const;
    // Threads that have been made since construction.
    size_t Made() const;

private:
    struct Worker;
    static void Loop(const std::shared_ptr<Worker>& w);

    Starter starter_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Worker>> slots_;
    std::vector<std::shared_ptr<Worker>> lost_;
    size_t made_ = 0;
};

}  // namespace korvi
