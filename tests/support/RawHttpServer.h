#pragma once
// A loopback HTTP server for tests, scripted at the byte level.
//
// It listens on 127.0.0.1 at a free port chosen by the system, accepts
// connections on its own thread and serves each connection on a thread of its
// own. Every request is recorded exactly as it arrived (request line, headers
// and body bytes); the body is read by its Content-Length, or chunk by chunk
// for "Transfer-Encoding: chunked" (then the chunk framing is recorded too).
// An "Expect: 100-continue" request gets "HTTP/1.1 100 Continue\r\n\r\n"
// before its body is read (unless setAutoContinue(false)); those interim
// bytes are not part of any response the handler scripts.
//
// The answer is whatever bytes the handler returns, plus what the tests want
// to go wrong: a delay before answering, dripping the bytes one at a time,
// sending only the first N bytes, then
// closing, stalling (holding the connection open and silent) or keeping the
// connection for the next request. The server never adds a header of its own.
//
// Threads: the handler is called on the connection's thread, so with several
// connections at once it runs concurrently and must be thread-safe; it must
// not throw. The
// accessors may be called from any thread. The destructor (or stop()) wakes
// every thread, closes every socket and joins the threads; a stalling or
// delaying connection ends at once.
//
// A client that honours proxy variables (libcurl does) should be run with
// no_proxy=127.0.0.1 so that a configured proxy does not intercept it.
//
// Example:
//   RawHttpServer server([](const RawRequest&) {
//       return RawResponse::Http(404, "Not Found", "<html>gone</html>");
//   });
//   Fetch(server.url("/cat.xml"));
//   EXPECT_EQ(server.requests().at(0).method, "GET");

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace orlavo::test {

// One request as it arrived on the wire.
struct RawRequest {
    std::string bytes;          // everything received for this request, exactly
    std::string head;           // request line and headers, up to and including the blank line
    std::string body;           // body bytes (chunk framing removed for a chunked body)
    std::string method;         // "GET", "POST", ...
    std::string target;         // "/path?query" as sent
    int connection = 0;         // 1-based number of the connection that carried it
    int indexOnConnection = 0;  // 1 for the first request on its connection
    bool complete = false;      // false when the client closed before the end of the body

    // Value of the first header NAME (case-insensitive), or empty.
    std::string header(std::string_view name) const;
};

// What to send back, and how.
struct RawResponse {
    enum class After {
        Close,      // close the connection once the bytes are sent
        KeepAlive,  // wait for the next request on the same connection
        Stall,      // send nothing more and keep the connection open until the client leaves
    };

    std::string bytes;                   // the raw answer: status line, headers, body
    std::chrono::milliseconds delay{0};  // wait before sending anything
    // Send only this many bytes of BYTES (e.g. to close mid-body).
    std::size_t sendLimit = std::numeric_limits<std::size_t>::max();
    // When not 0, the bytes go out one at a time with this pause between them.
    std::chrono::milliseconds drip{0};
    After after = After::Close;

    // "HTTP/1.1 <status> <reason>", "Content-Length" (unless withLength is
    // false), "Connection: close" or "keep-alive", EXTRA header lines (each
    // ending with "\r\n"), the blank line and BODY.
    static RawResponse Http(int status, std::string_view reason, std::string_view body,
                            std::string_view extraHeaders = {}, bool withLength = true,
                            bool keepAlive = false);
};

using RawHandler = std::function<RawResponse(const RawRequest&)>;

class RawHttpServer {
public:
    explicit RawHttpServer(RawHandler handler);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + PATH.
    std::string url(std::string_view path = "/") const;

    std::vector<RawRequest> requests() const;
    std::size_t requestCount() const;
    int connectionCount() const;

    // Blocks until at least N requests have been recorded or TIMEOUT passed;
    // true when they have. Meant as a guard against hanging, not as a timing check.
    bool waitForRequests(std::size_t n,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

    // Whether "Expect: 100-continue" is answered before the body is read;
    // without it the client waits for its own time-out and then sends anyway.
    void setAutoContinue(bool on) { autoContinue_ = on; }

    // Whether the handler answers as soon as the header block is in, before
    // the body (which is then recorded as whatever came with the head).
    void setAnswerAfterHead(bool on) { answerAfterHead_ = on; }

    // Stops accepting, ends every connection and joins all threads. Idempotent.
    void stop();

private:
    void acceptLoop();
    void serve(int fd, int connection);
    // Waits until FD is readable (or the server stops); false on stop.
    bool waitReadable(int fd) const;
    // Sleeps for D unless the server stops first; false on stop.
    bool sleepFor(std::chrono::milliseconds d) const;
    bool sendAll(int fd, std::string_view bytes) const;
    void record(RawRequest request);

    RawHandler handler_;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> autoContinue_{true};
    std::atomic<bool> answerAfterHead_{false};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<RawRequest> requests_;
    int connections_ = 0;

    std::vector<std::thread> workers_;  // guarded by mutex_
    std::thread acceptor_;
};

}  // namespace orlavo::test
