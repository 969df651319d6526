#pragma once

namespace korvi::cli {

// SIGINT and SIGTERM as a request to stop, for as long as it lives: the
// first one is recorded for the caller to poll; a second one ends the
// process at once with 128 + its number.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal received, or 0.
    int Received() const;
};

}  // namespace korvi::cli
