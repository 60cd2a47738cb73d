#pragma once
// One request of a client connection as the HTTP library reads it and the
// answer as it writes it, with the lab's hand on the socket: it counts the
// bytes of the request, can cut the connection after a given number of them,
// and gives up on a request whose bytes come slower than the minimum rate
// (MinimumRate), so that a slow body frees its worker within seconds.
//
// Used by one connection thread only.

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "lab/MinimumRate.h"

namespace orlavo::lab {

class LabSocketStream : public httplib::Stream {
public:
    // DROPAFTER 0 never cuts the connection. READ holds bytes of the request
    // that were read from SOCK before.
    LabSocketStream(socket_t sock, time_t readTimeoutSec, time_t writeTimeoutSec,
                    std::size_t dropAfter, std::string read = {});

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return sock_; }

    // Starts counting the bytes of a new request and its time.
    void beginRequest();
    bool dropped() const { return dropped_; }
    // Bytes read from the socket that the library has not taken (the start of
    // a next request); the stream has none left afterwards.
    std::string takeUnread();

    // Asked by a handler: the connection that this thread serves is cut
    // instead of answered.
    static void DropThisConnection();

private:
    void drop();
    // How long a read may wait for more bytes of the request; 0 when the
    // request has fallen below the minimum rate.
    int readWaitMs() const;

    socket_t sock_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    std::size_t dropAfter_;
    std::size_t readThisRequest_ = 0;
    MinimumRate rate_;
    bool dropped_ = false;
    std::string buffer_;
    std::size_t bufferPos_ = 0;
};

}  // namespace orlavo::lab
