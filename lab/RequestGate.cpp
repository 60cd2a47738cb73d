#include "lab/RequestGate.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "lab/HtmlPages.h"

namespace orlavo::lab {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// After a refusal, what the client still sends is read for this long (and up
// to this much) before the connection is closed.
constexpr milliseconds kLinger{2000};
constexpr std::size_t kMaxDrained = 64 * 1024 * 1024;
constexpr std::size_t kReadSize = 16 * 1024;

void Refuse(socket_t sock, int status, const char* reason) {
    const std::string body = HtmlPages::ErrorPage(status, reason);
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                               "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    // The answer is far smaller than a socket's buffer; a client that does
    // not read it loses nothing it could use.
    (void)::send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(sock, SHUT_WR);
}

}  // namespace

struct RequestGate::Entry {
    WaitingConnection c;
    Clock::time_point since;
    std::size_t scanned = 0;  // bytes searched for the end of the header block
    std::size_t lines = 0;    // line ends found so far
    bool whole = false;
    bool closing = false;  // refused; reading what is left before closing
    bool closeNow = false;
    std::size_t drained = 0;

    // Looks at the bytes that came since the last call.
    void examine() {
        const std::string& b = c.bytes;
        for (; scanned < b.size() && !whole; ++scanned) {
            if (b[scanned] != '\n' || scanned == 0 || b[scanned - 1] != '\r')
                continue;
            ++lines;
            whole = scanned >= 3 && b[scanned - 2] == '\n' && b[scanned - 3] == '\r';
        }
    }
    bool tooLarge(const GateLimits& limits) const {
        // The request line and the empty line that ends the block are not
        // header fields.
        return scanned > limits.maxHeaderBytes || lines > limits.maxHeaderLines + 2;
    }
};

RequestGate::RequestGate(GateLimits limits, Ready ready)
    : limits_(limits), ready_(std::move(ready)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
    thread_ = std::thread([this] { run(); });
}

RequestGate::~RequestGate() {
    stop();
    if (thread_.joinable())
        thread_.join();
    for (const WaitingConnection& c : incoming_)
        ::close(c.sock);
    if (wakeRead_ >= 0)
        ::close(wakeRead_);
    if (wakeWrite_ >= 0)
        ::close(wakeWrite_);
}

void RequestGate::admit(WaitingConnection connection) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            incoming_.push_back(std::move(connection));
            connection.sock = INVALID_SOCKET;
        }
    }
    if (connection.sock != INVALID_SOCKET)
        ::close(connection.sock);
    wake();
}

void RequestGate::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
}

void RequestGate::wake() {
    if (wakeWrite_ >= 0) {
        char c = 0;
        (void)::write(wakeWrite_, &c, 1);
    }
}

void RequestGate::run() {
    std::vector<Entry> waiting;
    std::vector<pollfd> fds;
    std::vector<char> buffer(kReadSize);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
            for (WaitingConnection& c : incoming_) {
                Entry e;
                e.c = std::move(c);
                e.since = Clock::now();
                waiting.push_back(std::move(e));
            }
            incoming_.clear();
        }
        // Too many waiting: those that have waited longest go first, being
        // nearest their deadline anyway.
        for (std::size_t i = 0; waiting.size() - i > limits_.maxWaiting; ++i)
            waiting[i].closeNow = true;

        const Clock::time_point now = Clock::now();
        Clock::time_point next = now + milliseconds(1000);
        for (Entry& e : waiting) {
            if (e.closeNow)
                continue;
            if (e.closing) {
                if (now >= e.since + kLinger || e.drained > kMaxDrained)
                    e.closeNow = true;
                else
                    next = std::min(next, e.since + kLinger);
                continue;
            }
            e.examine();
            if (e.tooLarge(limits_)) {
                Refuse(e.c.sock, 431, "Request Header Fields Too Large");
                e.closing = true;
                e.since = now;
                next = std::min(next, e.since + kLinger);
            } else if (e.whole) {
                ready_(std::move(e.c));
                e.c.sock = INVALID_SOCKET;
            } else if (e.c.bytes.empty() && e.c.servedBefore &&
                       now >= e.since + limits_.idleDeadline) {
                e.closeNow = true;
            } else if (now >= e.since + limits_.headerDeadline) {
                if (e.c.bytes.empty()) {
                    e.closeNow = true;
                } else {
                    Refuse(e.c.sock, 408, "Request Timeout");
                    e.closing = true;
                    e.since = now;
                    next = std::min(next, e.since + kLinger);
                }
            } else {
                next = std::min(next, e.since + (e.c.bytes.empty() && e.c.servedBefore
                                                     ? limits_.idleDeadline
                                                     : limits_.headerDeadline));
            }
        }
        std::erase_if(waiting, [](const Entry& e) {
            if (e.c.sock != INVALID_SOCKET && !e.closeNow)
                return false;
            if (e.c.sock != INVALID_SOCKET)
                ::close(e.c.sock);
            return true;
        });

        fds.clear();
        fds.push_back({wakeRead_, POLLIN, 0});
        for (const Entry& e : waiting)
            fds.push_back({e.c.sock, POLLIN, 0});
        const auto waitMs = std::chrono::duration_cast<milliseconds>(next - Clock::now()).count();
        int rc =
            ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(waitMs, 0) + 1));
        if (rc < 0 && errno != EINTR)
            break;
        if (rc <= 0)
            continue;
        if (fds[0].revents != 0) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            Entry& e = waiting[i - 1];
            ssize_t n = ::recv(e.c.sock, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) {
                if (e.closing)
                    e.drained += static_cast<std::size_t>(n);
                else
                    e.c.bytes.append(buffer.data(), static_cast<std::size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                e.closeNow = true;
            }
        }
    }
    for (Entry& e : waiting)
        ::close(e.c.sock);
}

}  // namespace orlavo::lab
