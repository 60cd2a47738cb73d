#include "lab/LabHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lab/LabSocketStream.h"

namespace orlavo::lab {

namespace {

// Runs each task on the accepting thread: the task only hands the new
// connection to the gate, which never blocks.
class HandOver : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

void Close(socket_t sock) {
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

std::string PeerAddress(socket_t sock) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(addr).sin_addr, text, sizeof text);
    else if (addr.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(addr).sin6_addr, text,
                  sizeof text);
    return text;
}

}  // namespace

LabHttpServer::LabHttpServer(const FaultSwitches& faults, std::size_t workers,
                             std::size_t perAddress)
    : faults_(faults), workerCount_(workers), slots_(ClientSlots::Make(perAddress)) {
    // The library takes ownership of what this returns.
    new_task_queue = [] { return new HandOver; };
}

LabHttpServer::~LabHttpServer() {
    endThreads();
}

bool LabHttpServer::serve() {
    {
        std::lock_guard lock(mutex_);
        ending_ = false;
    }
    GateLimits limits;
    limits.idleDeadline = std::chrono::seconds(keep_alive_timeout_sec_);
    gate_ = std::make_unique<RequestGate>(limits, [this](WaitingConnection c) {
        {
            std::lock_guard lock(mutex_);
            if (!ending_) {
                queue_.push_back(std::move(c));
                c.sock = INVALID_SOCKET;
            }
        }
        if (c.sock != INVALID_SOCKET)
            Close(c.sock);
        ready_.notify_one();
    });
    for (std::size_t i = 0; i < workerCount_; ++i)
        workers_.emplace_back([this] { work(); });
    // The library listens with a backlog of 5: a burst of connections beyond
    // it, while its accepting thread waits for a processor, would be made to
    // try again a second later. Listening again only widens the queue.
    if (svr_sock_ != INVALID_SOCKET)
        ::listen(svr_sock_, SOMAXCONN);
    const bool ok = listen_after_bind();
    endThreads();
    return ok;
}

void LabHttpServer::endThreads() {
    if (gate_)
        gate_->stop();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : workers_)
        t.join();
    workers_.clear();
    gate_.reset();
    for (const WaitingConnection& c : queue_)
        Close(c.sock);
    queue_.clear();
}

bool LabHttpServer::process_and_close_socket(socket_t sock) {
    // Answers whose end is the end of the connection allow one request each.
    const std::size_t requests =
        (faults_.noContentLength || faults_.truncateBody) ? 1 : keep_alive_max_count_;
    if (!gate_) {
        Close(sock);
        return true;
    }
    WaitingConnection c{sock, {}, requests, false, slots_->take(PeerAddress(sock)), false};
    c.busy = !c.slot;
    gate_->admit(std::move(c));
    return true;
}

void LabHttpServer::work() {
    for (;;) {
        WaitingConnection c;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return ending_ || !queue_.empty(); });
            if (ending_)
                return;
            c = std::move(queue_.front());
            queue_.pop_front();
        }
        answer(std::move(c));
    }
}

void LabHttpServer::answer(WaitingConnection c) {
    LabSocketStream stream(c.sock, read_timeout_sec_, write_timeout_sec_, faults_.dropAfterBytes,
                           std::move(c.bytes));
    // Answers are never compressed: clients compare the body with Content-Length.
    // Ranges are left to the lab's own rule (ChooseRange): the library would
    // answer every range asked for, overlapping or not.
    auto setup = [](httplib::Request& req) {
        req.headers.erase("Accept-Encoding");
        req.ranges.clear();
    };
    stream.beginRequest();
    bool closed = false;
    const bool ok = process_request(stream, c.requestsLeft <= 1, closed, setup);
    const bool stopping = svr_sock_ == INVALID_SOCKET;
    if (ok && !closed && !stream.dropped() && c.requestsLeft > 1 && !stopping) {
        gate_->admit(
            {c.sock, stream.takeUnread(), c.requestsLeft - 1, true, std::move(c.slot), false});
        return;
    }
    Close(c.sock);
}

}  // namespace orlavo::lab
