#pragma once
// One client connection as the HTTP library reads and writes it, with the
// lab's hand on the socket: it counts the bytes of each request and can cut
// the connection after a given number of them.
//
// Used by one connection thread only.

#include <httplib.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace orlavo::lab {

class LabSocketStream : public httplib::Stream {
public:
    // DROPAFTER 0 never cuts the connection.
    LabSocketStream(socket_t sock, time_t readTimeoutSec, time_t writeTimeoutSec,
                    std::size_t dropAfter);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return sock_; }

    // Waits up to TIMEOUTSEC for the first byte of the next request, asking
    // STOPPING now and then; false when none comes or the server stops.
    bool waitForRequest(time_t timeoutSec, const std::function<bool()>& stopping);
    // Starts counting the bytes of a new request.
    void beginRequest();
    bool dropped() const { return dropped_; }

    // Asked by a handler: the connection that this thread serves is cut
    // instead of answered.
    static void DropThisConnection();

private:
    void drop();

    socket_t sock_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    std::size_t dropAfter_;
    std::size_t readThisRequest_ = 0;
    bool dropped_ = false;
    std::vector<char> buffer_;
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
};

}  // namespace orlavo::lab
