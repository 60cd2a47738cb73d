#pragma once
// Faults the lab injects on request, so that tests can watch clients cope.

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace orlavo::lab {

struct FaultSwitches {
    int refusePhoto = 0;             // answer UNABLE_SEND_ORDER to the N-th photo received
    int dropUpload = 0;              // cut the connection instead of answering the N-th photo
    std::size_t dropAfterBytes = 0;  // close the connection after N bytes of a request
    int delayMs = 0;                 // wait before every answer
    int status = 0;                  // every answer with this HTTP status
    bool noContentLength = false;    // answers without Content-Length, ended by closing
    bool truncateBody = false;       // announce more than is sent, then close
    bool htmlCatalogue = false;      // an HTML page where the catalogue should be
};

// Counts the photos that reach the upload handler, across all connections.
class PhotoCounter {
public:
    // Counts one photo; its number since the start, from 1.
    int count() { return received_.fetch_add(1) + 1; }
    int received() const { return received_.load(); }

private:
    std::atomic<int> received_{0};
};

}  // namespace orlavo::lab
