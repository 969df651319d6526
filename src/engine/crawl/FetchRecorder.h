#pragma once

#include <QByteArray>

#include <cstddef>

namespace korvi {

// Sees a fetch as it goes over the wire (an archive of the run). HttpFetch
// calls the first four during Perform; the worker settles the fetch once it
// knows what became of it.
class FetchRecorder {
public:
    enum class Outcome { kStored, kKept, kDropped };

    virtual ~FetchRecorder() = default;
    virtual void Begin() = 0;
    // Request headers exactly as sent to url (each hop of a redirect).
    virtual void RequestSent(const QByteArray& url, const char* data, size_t size) = 0;
    // One header line of an answer as received, the status line included.
    virtual void HeaderReceived(const char* data, size_t size) = 0;
    virtual void BodyReceived(const char* data, size_t size) = 0;
    virtual void Settle(Outcome outcome) = 0;
    // The page as a browser rendered it, for a page that was rendered.
    virtual void RenderedDom(const QByteArray& dom) = 0;
};

}  // namespace korvi
