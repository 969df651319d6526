#include "engine/RunOutcome.h"

#include "engine/RunList.h"
#include "engine/crawl/SrchThrd.h"

namespace korvi {

RunOutcome CountOutcome(const RunListSnapshot& snapshot) {
    RunOutcome o;
    for (int i = 0; i < snapshot.Count(); ++i) {
        const RunRow& r = snapshot.Row(i);
        switch (r.state) {
            case SrchThrd::kFetchFailed:
                // A body cut after a good head counts as the network's fault.
                if (r.httpCode >= 400)
                    ++o.server;
                else
                    ++o.network;
                break;
            case SrchThrd::kConnectTimeOut:
            case SrchThrd::kStopped:
                ++o.network;
                break;
            case SrchThrd::kBaseUrlFailed:
                ++o.other;
                break;
            default:
                break;  // fetched, kept, skipped, filtered or never reached
        }
    }
    return o;
}

int RunExitStatus(const RunOutcome& outcome) {
    if (outcome.network > 0) return 4;
    if (outcome.server > 0) return 8;
    if (outcome.other > 0) return 1;
    return 0;
}

}  // namespace korvi
