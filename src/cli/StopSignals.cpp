#include "cli/StopSignals.h"

#include <signal.h>
#include <unistd.h>

namespace korvi::cli {

namespace {

volatile sig_atomic_t g_received = 0;
struct sigaction g_old_int = {};
struct sigaction g_old_term = {};

void OnStop(int sig) {
    if (g_received != 0) _exit(128 + sig);
    g_received = sig;
}

}  // namespace

StopSignals::StopSignals() {
    g_received = 0;
    struct sigaction sa = {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, &g_old_int);
    ::sigaction(SIGTERM, &sa, &g_old_term);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGINT, &g_old_int, nullptr);
    ::sigaction(SIGTERM, &g_old_term, nullptr);
}

int StopSignals::Received() const {
    return g_received;
}

}  // namespace korvi::cli
