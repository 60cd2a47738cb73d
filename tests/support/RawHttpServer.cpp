#include "tests/support/RawHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace orlavo::test {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Value of header NAME in a request or response head, or empty.
std::string HeaderOf(std::string_view head, std::string_view name) {
    std::size_t pos = head.find("\r\n");
    while (pos != std::string_view::npos) {
        const std::size_t start = pos + 2;
        const std::size_t end = head.find("\r\n", start);
        if (end == std::string_view::npos || end == start) {
            break;
        }
        const std::string_view line = head.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsNoCase(Trim(line.substr(0, colon)), name)) {
            return std::string(Trim(line.substr(colon + 1)));
        }
        pos = end;
    }
    return {};
}

}  // namespace

std::string RawRequest::header(std::string_view name) const {
    return HeaderOf(head, name);
}

RawResponse RawResponse::Http(int status, std::string_view reason, std::string_view body,
                              std::string_view extraHeaders, bool withLength, bool keepAlive) {
    RawResponse r;
    r.bytes = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    if (withLength) {
        r.bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    r.bytes += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    r.bytes += extraHeaders;
    r.bytes += "\r\n";
    r.bytes += body;
    r.after = keepAlive ? After::KeepAlive : After::Close;
    return r;
}

RawHttpServer::RawHttpServer(RawHandler handler) : handler_(std::move(handler)) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("RawHttpServer: pipe failed");
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];

    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) {
        throw std::runtime_error("RawHttpServer: socket failed");
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("RawHttpServer: bind/listen failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    stop();
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string RawHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RawRequest> RawHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t RawHttpServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

int RawHttpServer::connectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool RawHttpServer::waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

void RawHttpServer::stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    // The pipe stays readable from now on, which wakes every poll.
    const char byte = 1;
    [[maybe_unused]] auto ignored = ::write(wakeWrite_, &byte, 1);
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& t : workers) {
        t.join();
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

void RawHttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0 || stopping_) {
            return;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(mutex_);
        const int number = ++connections_;
        workers_.emplace_back([this, fd, number] { serve(fd, number); });
        changed_.notify_all();
    }
}

bool RawHttpServer::waitReadable(int fd) const {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 || fds[1].revents != 0) {
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
    }
}

bool RawHttpServer::sleepFor(std::chrono::milliseconds d) const {
    const auto until = std::chrono::steady_clock::now() + d;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return !stopping_;
        }
        pollfd fds[1] = {{wakeRead_, POLLIN, 0}};
        const int r = ::poll(fds, 1, static_cast<int>(left.count()));
        if (r > 0) {
            return false;
        }
    }
}

bool RawHttpServer::sendAll(int fd, std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) {
            return false;
        }
    }
    return true;
}

void RawHttpServer::record(RawRequest request) {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
    changed_.notify_all();
}

void RawHttpServer::serve(int fd, int connection) {
    std::string buffer;  // received, not yet consumed
    bool peerOpen = true;

    // Reads more bytes into BUFFER; false when the peer closed or the server stops.
    auto readMore = [&]() -> bool {
        char chunk[65536];
        while (peerOpen) {
            if (!waitReadable(fd)) {
                return false;
            }
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffer.append(chunk, static_cast<std::size_t>(n));
                return true;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
                continue;
            }
            peerOpen = false;
        }
        return false;
    };
    auto need = [&](std::size_t total) {
        while (buffer.size() < total) {
            if (!readMore()) {
                return false;
            }
        }
        return true;
    };
    auto findFrom = [&](std::string_view what, std::size_t from) -> std::size_t {
        for (;;) {
            const std::size_t at = buffer.find(what, from);
            if (at != std::string::npos) {
                return at;
            }
            if (!readMore()) {
                return std::string::npos;
            }
        }
    };

    int index = 0;
    for (;;) {
        RawRequest req;
        req.connection = connection;
        req.indexOnConnection = ++index;

        const std::size_t headEnd = findFrom("\r\n\r\n", 0);
        if (headEnd == std::string::npos) {
            if (!buffer.empty()) {
                req.bytes = req.head = buffer;
                record(std::move(req));
            }
            break;
        }
        req.head = buffer.substr(0, headEnd + 4);
        {
            const std::size_t sp1 = req.head.find(' ');
            const std::size_t sp2 = req.head.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
            if (sp1 != std::string::npos && sp2 != std::string::npos) {
                req.method = req.head.substr(0, sp1);
                req.target = req.head.substr(sp1 + 1, sp2 - sp1 - 1);
            }
        }
        if (autoContinue_ && EqualsNoCase(req.header("Expect"), "100-continue")) {
            sendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
        }

        std::size_t consumed = req.head.size();
        bool complete = true;
        if (answerAfterHead_) {
            req.body = buffer.substr(consumed);
            consumed = buffer.size();
        } else if (EqualsNoCase(req.header("Transfer-Encoding"), "chunked")) {
            for (;;) {
                const std::size_t eol = findFrom("\r\n", consumed);
                if (eol == std::string::npos) {
                    complete = false;
                    break;
                }
                const std::string sizeLine = buffer.substr(consumed, eol - consumed);
                const std::size_t size = std::strtoul(sizeLine.c_str(), nullptr, 16);
                consumed = eol + 2;
                if (size == 0) {
                    // Trailer lines up to an empty one.
                    for (;;) {
                        const std::size_t end = findFrom("\r\n", consumed);
                        if (end == std::string::npos) {
                            complete = false;
                            break;
                        }
                        const bool last = end == consumed;
                        consumed = end + 2;
                        if (last) {
                            break;
                        }
                    }
                    break;
                }
                if (!need(consumed + size + 2)) {
                    complete = false;
                    break;
                }
                req.body.append(buffer, consumed, size);
                consumed += size + 2;
            }
        } else {
            const std::string lengthText = req.header("Content-Length");
            const std::size_t length =
                lengthText.empty() ? 0 : std::strtoull(lengthText.c_str(), nullptr, 10);
            if (!need(consumed + length)) {
                complete = false;
            }
            const std::size_t available = std::min(length, buffer.size() - consumed);
            req.body = buffer.substr(consumed, available);
            consumed += available;
        }
        consumed = std::min(consumed, buffer.size());
        req.bytes = buffer.substr(0, consumed);
        buffer.erase(0, consumed);
        req.complete = complete;

        const RawRequest copy = req;
        record(std::move(req));
        if (!complete) {
            break;
        }

        RawResponse resp = handler_ ? handler_(copy) : RawResponse::Http(500, "No Handler", "");
        if (resp.delay.count() > 0 && !sleepFor(resp.delay)) {
            break;
        }
        const std::string_view out =
            std::string_view(resp.bytes).substr(0, std::min(resp.sendLimit, resp.bytes.size()));
        bool sent = true;
        if (resp.drip.count() > 0) {
            for (std::size_t i = 0; sent && i < out.size(); ++i) {
                sent = sendAll(fd, out.substr(i, 1)) && sleepFor(resp.drip);
            }
        } else {
            sent = sendAll(fd, out);
        }
        if (!sent) {
            break;
        }
        if (resp.after == RawResponse::After::Stall) {
            // Silent until the client leaves or the server stops; anything sent is drained.
            while (readMore()) {
                buffer.clear();
            }
            break;
        }
        if (resp.after == RawResponse::After::Close) {
            break;
        }
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

}  // namespace orlavo::test
