#include "lab/LabHttpServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include "lab/LabSocketStream.h"

namespace orlavo::lab {

LabHttpServer::LabHttpServer(const FaultSwitches& faults) : faults_(faults) {}

bool LabHttpServer::process_and_close_socket(socket_t sock) {
    LabSocketStream stream(sock, read_timeout_sec_, write_timeout_sec_, faults_.dropAfterBytes);
    // Answers whose end is the end of the connection allow one request each.
    std::size_t left =
        (faults_.noContentLength || faults_.truncateBody) ? 1 : keep_alive_max_count_;
    auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
    // Answers are never compressed: clients compare the body with Content-Length.
    auto setup = [](httplib::Request& req) { req.headers.erase("Accept-Encoding"); };
    bool ok = false;
    while (left > 0 && !stopping() && stream.waitForRequest(keep_alive_timeout_sec_, stopping)) {
        stream.beginRequest();
        bool closed = false;
        ok = process_request(stream, left == 1, closed, setup);
        if (!ok || closed || stream.dropped())
            break;
        --left;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace orlavo::lab
