#include "lab/LabSocketStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orlavo::lab {

namespace {

constexpr std::size_t kBufferSize = 16 * 1024;

// A handler runs on the thread of the connection it answers.
thread_local bool tDropRequested = false;

bool Poll(socket_t sock, short events, int timeoutMs) {
    pollfd p{sock, events, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

void Address(const sockaddr_storage& addr, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto& a = reinterpret_cast<const sockaddr_in&>(addr);
        inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
        port = ntohs(a.sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto& a = reinterpret_cast<const sockaddr_in6&>(addr);
        inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
        port = ntohs(a.sin6_port);
    }
    ip = text;
}

}  // namespace

LabSocketStream::LabSocketStream(socket_t sock, time_t readTimeoutSec, time_t writeTimeoutSec,
                                 std::size_t dropAfter, std::string read)
    : sock_(sock),
      readTimeoutMs_(static_cast<int>(readTimeoutSec * 1000)),
      writeTimeoutMs_(static_cast<int>(writeTimeoutSec * 1000)),
      dropAfter_(dropAfter),
      buffer_(std::move(read)) {}

int LabSocketStream::readWaitMs() const {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(rate_.due() - steady_clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, readTimeoutMs_));
}

bool LabSocketStream::is_readable() const {
    if (bufferPos_ < buffer_.size())
        return true;
    const int wait = readWaitMs();
    return wait > 0 && Poll(sock_, POLLIN, wait);
}

bool LabSocketStream::is_writable() const {
    return !dropped_ && Poll(sock_, POLLOUT, writeTimeoutMs_);
}

void LabSocketStream::DropThisConnection() {
    tDropRequested = true;
}

void LabSocketStream::beginRequest() {
    readThisRequest_ = 0;
    rate_.start(std::chrono::steady_clock::now());
    tDropRequested = false;
}

std::string LabSocketStream::takeUnread() {
    std::string rest = buffer_.substr(bufferPos_);
    buffer_.clear();
    bufferPos_ = 0;
    return rest;
}

void LabSocketStream::drop() {
    // An abrupt end: the peer sees the connection reset, not a tidy close.
    linger l{1, 0};
    ::setsockopt(sock_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::shutdown(sock_, SHUT_RDWR);
    dropped_ = true;
}

ssize_t LabSocketStream::read(char* ptr, size_t size) {
    if (dropped_)
        return -1;
    if (dropAfter_ > 0) {
        if (readThisRequest_ >= dropAfter_) {
            drop();
            return -1;
        }
        size = std::min(size, dropAfter_ - readThisRequest_);
    }
    if (bufferPos_ == buffer_.size()) {
        // A client that sends slower than the minimum rate would hold this
        // thread for as long as it likes.
        const int wait = readWaitMs();
        if (wait <= 0 || !Poll(sock_, POLLIN, wait))
            return -1;
        buffer_.resize(kBufferSize);
        ssize_t n;
        do {
            n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
        } while (n < 0 && errno == EINTR);
        buffer_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        bufferPos_ = 0;
        if (n <= 0)
            return n;
    }
    std::size_t n = std::min(size, buffer_.size() - bufferPos_);
    std::memcpy(ptr, buffer_.data() + bufferPos_, n);
    bufferPos_ += n;
    readThisRequest_ += n;
    rate_.add(n, std::chrono::steady_clock::now());
    return static_cast<ssize_t>(n);
}

ssize_t LabSocketStream::write(const char* ptr, size_t size) {
    if (tDropRequested) {
        tDropRequested = false;
        drop();
        return -1;
    }
    if (!is_writable())
        return -1;
    ssize_t n;
    do {
        n = ::send(sock_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

void LabSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        Address(addr, ip, port);
}

void LabSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        Address(addr, ip, port);
}

}  // namespace orlavo::lab
