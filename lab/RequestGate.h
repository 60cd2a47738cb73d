#pragma once
// Holds client connections until the header block of their next request has
// arrived whole, and with it the body or its first bodyPrefix bytes, so that a
// worker thread is given only requests it can answer at once: connections that
// trickle their headers or their bodies, or never finish them, wait here on
// one thread and never take a worker.
//
// A connection whose header block is not whole within the header deadline, or
// whose body falls behind the minimum rate (MinimumRate) before its prefix is
// in, gets "408 Request Timeout"; one whose header block grows beyond the byte
// or line limit gets "431 Request Header Fields Too Large"; one admitted as
// busy (its address holds too many connections) gets "503 Service
// Unavailable" at once. All are then closed after what the client still sends
// has been read for a moment, so that it sees the answer rather than a reset.
// A connection kept open after an answer that sends nothing within the idle
// deadline is closed without a word. A request that expects "100 Continue"
// is told so here, and its worker does not tell it again.
//
// Threads: admit() and stop() may be called from any thread; the ready
// callback runs on the gate's own thread and must not block. The destructor
// stops the gate and closes every connection still waiting.

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orlavo::lab {

// A client connection between requests.
struct WaitingConnection {
    socket_t sock = INVALID_SOCKET;
    std::string bytes;             // read from the socket, not handled yet
    std::size_t requestsLeft = 1;  // how many more requests it may make
    bool servedBefore = false;     // kept open after an answer
    // The client address's share of connections, given back when the last
    // holder of the connection goes.
    std::shared_ptr<void> slot;
    bool busy = false;  // refused with 503 at once: its address holds too many
};

struct GateLimits {
    std::chrono::milliseconds headerDeadline{10000};
    std::chrono::milliseconds idleDeadline{5000};
    std::size_t maxHeaderBytes = 64 * 1024;
    std::size_t maxHeaderLines = 200;
    std::size_t maxWaiting = 1000;  // more: the longest-waiting connection goes
    // Of a longer body, only this much is waited for here; the worker reads
    // the rest under the same minimum rate.
    std::size_t bodyPrefix = 64 * 1024;
};

class RequestGate {
public:
    using Ready = std::function<void(WaitingConnection)>;

    RequestGate(GateLimits limits, Ready ready);
    ~RequestGate();
    RequestGate(const RequestGate&) = delete;
    RequestGate& operator=(const RequestGate&) = delete;

    // Takes the connection over; it is closed when the gate has stopped.
    void admit(WaitingConnection connection);
    void stop();

private:
    struct Entry;
    void run();
    void wake();

    GateLimits limits_;
    Ready ready_;
    std::mutex mutex_;
    std::vector<WaitingConnection> incoming_;  // guarded by mutex_
    bool stopping_ = false;                    // guarded by mutex_
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

}  // namespace orlavo::lab
