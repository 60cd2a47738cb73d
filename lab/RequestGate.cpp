#include "lab/RequestGate.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <string_view>

#include "lab/HtmlPages.h"
#include "lab/MinimumRate.h"

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

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    return v;
}

// How a request's body is framed, as far as the gate needs to know it. A
// framing it cannot make sense of is left to the HTTP library, which refuses
// it at once.
struct Framing {
    enum class Kind { None, Length, Chunked } kind = Kind::None;
    std::uint64_t length = 0;
    // Where the "Expect: 100-continue" line stands in the header block.
    std::size_t expectAt = std::string::npos;
    std::size_t expectSize = 0;
};

Framing ReadFraming(std::string_view block) {
    Framing f;
    bool lengthSeen = false;
    bool unclear = false;
    std::size_t at = block.find("\r\n");
    while (at != std::string_view::npos && at + 2 < block.size()) {
        const std::size_t start = at + 2;
        const std::size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos || end == start)
            break;
        const std::string_view line = block.substr(start, end - start);
        at = end;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (SameWord(name, "content-length")) {
            std::uint64_t n = 0;
            bool digits = !value.empty() && value.size() <= 18;
            for (char c : value) {
                digits = digits && c >= '0' && c <= '9';
                n = n * 10 + static_cast<std::uint64_t>(c - '0');
            }
            unclear |= !digits || (lengthSeen && n != f.length);
            lengthSeen = true;
            f.length = n;
        } else if (SameWord(name, "transfer-encoding")) {
            const std::string_view last = Trimmed(value.substr(value.rfind(',') + 1));
            if (SameWord(last, "chunked"))
                f.kind = Framing::Kind::Chunked;
            else
                unclear = true;
        } else if (SameWord(name, "expect") && SameWord(value, "100-continue")) {
            f.expectAt = start;
            f.expectSize = end + 2 - start;
        }
    }
    if (unclear || (f.kind == Framing::Kind::Chunked && lengthSeen))
        return {};
    if (f.kind == Framing::Kind::None && lengthSeen && f.length > 0)
        f.kind = Framing::Kind::Length;
    return f;
}

// Follows the chunks of a chunked body until its last chunk.
struct ChunkScan {
    enum class Step { Size, Data, DataEnd, Done, Bad } step = Step::Size;
    std::size_t pos = 0;  // in the body
    std::uint64_t left = 0;

    void scan(std::string_view body) {
        for (;;) {
            if (step == Step::Size) {
                const std::size_t end = body.find("\r\n", pos);
                if (end == std::string_view::npos) {
                    if (body.size() - pos > 1024)
                        step = Step::Bad;
                    return;
                }
                std::uint64_t size = 0;
                std::size_t i = pos;
                for (;
                     i < end && i - pos < 16 && std::isxdigit(static_cast<unsigned char>(body[i]));
                     ++i) {
                    const char c = Lower(body[i]);
                    size =
                        size * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
                }
                if (i == pos) {
                    step = Step::Bad;
                    return;
                }
                pos = end + 2;
                left = size;
                step = size == 0 ? Step::Done : Step::Data;
            } else if (step == Step::Data) {
                const std::size_t take =
                    static_cast<std::size_t>(std::min<std::uint64_t>(left, body.size() - pos));
                pos += take;
                left -= take;
                if (left > 0)
                    return;
                step = Step::DataEnd;
            } else if (step == Step::DataEnd) {
                if (body.size() - pos < 2)
                    return;
                step = body.compare(pos, 2, "\r\n") == 0 ? Step::Size : Step::Bad;
                pos += 2;
            } else {
                return;
            }
        }
    }
};

}  // namespace

struct RequestGate::Entry {
    WaitingConnection c;
    Clock::time_point since;
    std::size_t scanned = 0;    // bytes searched for the end of the header block
    std::size_t lines = 0;      // line ends found so far
    std::size_t headerEnd = 0;  // where the body begins, once the header block is whole
    Framing framing;
    ChunkScan chunks;
    MinimumRate rate;
    std::size_t counted = 0;  // body bytes counted towards the rate
    bool ready = false;       // a worker may take it
    bool closing = false;     // refused; reading what is left before closing
    bool closeNow = false;
    std::size_t drained = 0;

    // Looks at the bytes that came since the last call.
    void examine(const GateLimits& limits, Clock::time_point now) {
        if (headerEnd == 0) {
            const std::string& b = c.bytes;
            for (; scanned < b.size() && headerEnd == 0; ++scanned) {
                if (b[scanned] != '\n' || scanned == 0 || b[scanned - 1] != '\r')
                    continue;
                ++lines;
                if (scanned >= 3 && b[scanned - 2] == '\n' && b[scanned - 3] == '\r')
                    headerEnd = scanned + 1;
            }
            if (headerEnd == 0)
                return;
            framing = ReadFraming(std::string_view(c.bytes).substr(0, headerEnd));
            rate.start(now);
            if (framing.kind != Framing::Kind::None && !bodyArrived(limits) &&
                framing.expectAt != std::string::npos) {
                // The client waits for leave to send its body: given here, and
                // taken out of the request so that the worker does not give it again.
                c.bytes.erase(framing.expectAt, framing.expectSize);
                headerEnd -= framing.expectSize;
                static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
                (void)::send(c.sock, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            }
        }
        const std::size_t body = c.bytes.size() - headerEnd;
        rate.add(body - counted, now);
        counted = body;
        ready = bodyArrived(limits);
    }
    // The body is here, or as much of it as the gate waits for.
    bool bodyArrived(const GateLimits& limits) {
        const std::string_view body = std::string_view(c.bytes).substr(headerEnd);
        switch (framing.kind) {
            case Framing::Kind::None:
                return true;
            case Framing::Kind::Length:
                return body.size() >= std::min<std::uint64_t>(framing.length, limits.bodyPrefix);
            case Framing::Kind::Chunked:
                chunks.scan(body);
                return chunks.step == ChunkScan::Step::Done ||
                       chunks.step == ChunkScan::Step::Bad || body.size() >= limits.bodyPrefix;
        }
        return true;
    }
    bool tooLarge(const GateLimits& limits) const {
        // The request line and the empty line that ends the block are not
        // header fields.
        return scanned > limits.maxHeaderBytes || lines > limits.maxHeaderLines + 2;
    }
    // When it must be ready by.
    Clock::time_point deadline(const GateLimits& limits) const {
        if (headerEnd > 0)
            return rate.due();
        return since +
               (c.bytes.empty() && c.servedBefore ? limits.idleDeadline : limits.headerDeadline);
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
                if (e.c.busy) {
                    Refuse(e.c.sock, 503, "Service Unavailable");
                    e.closing = true;
                }
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
            e.examine(limits_, now);
            if (e.tooLarge(limits_)) {
                Refuse(e.c.sock, 431, "Request Header Fields Too Large");
                e.closing = true;
                e.since = now;
                next = std::min(next, e.since + kLinger);
            } else if (e.ready) {
                ready_(std::move(e.c));
                e.c.sock = INVALID_SOCKET;
            } else if (now >= e.deadline(limits_)) {
                if (e.c.bytes.empty()) {
                    e.closeNow = true;
                } else {
                    Refuse(e.c.sock, 408, "Request Timeout");
                    e.closing = true;
                    e.since = now;
                    next = std::min(next, e.since + kLinger);
                }
            } else {
                next = std::min(next, e.deadline(limits_));
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
