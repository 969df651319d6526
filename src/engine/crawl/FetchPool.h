#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace korvi {

class HttpFetch;

// The idle HTTP clients of one run. A worker takes one for its URL and the
// run gives it back once the worker's thread has ended, so the next URL of
// the slot goes over the connections the client keeps open.
class FetchPool {
public:
    explicit FetchPool(size_t keep);
    ~FetchPool();
    FetchPool(const FetchPool&) = delete;
    FetchPool& operator=(const FetchPool&) = delete;

    // The client given back last, or a new one.
    std::unique_ptr<HttpFetch> Take();
    // Kept while fewer than `keep` clients are idle; closed otherwise.
    void Give(std::unique_ptr<HttpFetch> fetch);
    // Closes every idle client and its connections.
    void Clear();
    size_t Idle() const;

private:
    const size_t keep_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<HttpFetch>> idle_;
};

}  // namespace korvi
