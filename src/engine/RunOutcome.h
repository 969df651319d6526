#pragma once

#include <QString>

namespace korvi {

class RunListSnapshot;

// How the rows of a finished run ended, by kind of failure.
struct RunOutcome {
    int network = 0;  // no answer: connect, resolve, time-out, cut transfer
    int server = 0;   // the server answered 4xx or 5xx
    int other = 0;    // any other failed row (link list, local file)

    int Failed() const { return network + server + other; }
};

RunOutcome CountOutcome(const RunListSnapshot& snapshot);

// The exit status of a command-line run, as wget's: 0 when no row failed,
// 4 for a network failure on some row, else 8 for a server error, else 1.
int RunExitStatus(const RunOutcome& outcome);

}  // namespace korvi
