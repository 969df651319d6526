#include "engine/crawl/FetchPool.h"

#include "engine/crawl/HttpFetch.h"

namespace korvi {

FetchPool::FetchPool(size_t keep) : keep_(keep) {}

FetchPool::~FetchPool() = default;

std::unique_ptr<HttpFetch> FetchPool::Take() {
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<HttpFetch> fetch = std::move(idle_.back());
            idle_.pop_back();
            return fetch;
        }
    }
    return std::make_unique<HttpFetch>();
}

void FetchPool::Give(std::unique_ptr<HttpFetch> fetch) {
    if (!fetch) return;
    std::unique_lock lock(mutex_);
    if (idle_.size() >= keep_) {
        lock.unlock();
        fetch.reset();  // closes its connections outside the lock
        return;
    }
    idle_.push_back(std::move(fetch));
}

void FetchPool::Clear() {
    std::vector<std::unique_ptr<HttpFetch>> closing;
    {
        std::lock_guard lock(mutex_);
        closing.swap(idle_);
    }
}

size_t FetchPool::Idle() const {
    std::lock_guard lock(mutex_);
    return idle_.size();
}

}  // namespace korvi
