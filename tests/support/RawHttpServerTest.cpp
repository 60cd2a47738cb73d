#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/RawHttpServer.h"

using namespace orlavo::test;

namespace {

// A plain blocking client socket to the server.
class Client {
public:
    explicit Client(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }
    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    // Reads exactly N bytes unless the peer closes first.
    std::string read(std::size_t n) {
        std::string out;
        char buf[4096];
        while (out.size() < n) {
            const ssize_t got = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
            if (got <= 0) {
                break;
            }
            out.append(buf, static_cast<std::size_t>(got));
        }
        return out;
    }
    std::string readToEnd() { return read(std::size_t(1) << 30); }

private:
    int fd_ = -1;
    bool connected_ = false;
};

}  // namespace

TEST(RawHttpServer, RecordsRequestBytesExactlyAndReadsBodyByLength) {
    RawHttpServer server(
        [](const RawRequest& r) { return RawResponse::Http(200, "OK", "echo:" + r.body); });
    Client c(server.port());
    ASSERT_TRUE(c.connected());
    const std::string sent = "POST /up?x=1 HTTP/1.1\r\nHost: h\r\ncontent-length: 7\r\n\r\n" +
                             std::string("ab\r\n\0yz", 7);
    c.send(sent);
    const std::string answer = c.readToEnd();
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: close\r\n\r\necho:" +
                          std::string("ab\r\n\0yz", 7));
    ASSERT_TRUE(server.waitForRequests(1));
    const auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].bytes, sent);
    EXPECT_EQ(reqs[0].method, "POST");
    EXPECT_EQ(reqs[0].target, "/up?x=1");
    EXPECT_EQ(reqs[0].header("Content-Length"), "7");
    EXPECT_EQ(reqs[0].header("host"), "h");
    EXPECT_TRUE(reqs[0].complete);
}

TEST(RawHttpServer, KeepAliveServesSeveralRequestsOnOneConnection) {
    RawHttpServer server([](const RawRequest& r) {
        return RawResponse::Http(200, "OK", r.target, {}, true, /*keepAlive=*/true);
    });
    Client c(server.port());
    c.send("GET /a HTTP/1.1\r\nHost: h\r\n\r\n");
    const std::string first = c.read(64);
    EXPECT_NE(first.find("\r\n\r\n/a"), std::string::npos);
    c.send("GET /bb HTTP/1.1\r\nHost: h\r\n\r\n");
    const std::string second = c.read(65);
    EXPECT_NE(second.find("\r\n\r\n/bb"), std::string::npos);
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_EQ(server.connectionCount(), 1);
    const auto reqs = server.requests();
    EXPECT_EQ(reqs[0].connection, reqs[1].connection);
    EXPECT_EQ(reqs[1].indexOnConnection, 2);
}

TEST(RawHttpServer, CountsEachConnection) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(204, "No", ""); });
    for (int i = 0; i < 3; ++i) {
        Client c(server.port());
        c.send("GET / HTTP/1.1\r\n\r\n");
        c.readToEnd();
    }
    ASSERT_TRUE(server.waitForRequests(3));
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST(RawHttpServer, ReadsChunkedBodyAndRecordsFraming) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(200, "OK", ""); });
    Client c(server.port());
    const std::string sent =
        "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2;x=y\r\nde\r\n0\r\n\r\n";
    c.send(sent);
    c.readToEnd();
    ASSERT_TRUE(server.waitForRequests(1));
    const auto r = server.requests().at(0);
    EXPECT_EQ(r.bytes, sent);
    EXPECT_EQ(r.body, "abcde");
}

TEST(RawHttpServer, AnswersExpectContinueBeforeTheBody) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(200, "OK", "x"); });
    Client c(server.port());
    c.send("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n");
    EXPECT_EQ(c.read(25), "HTTP/1.1 100 Continue\r\n\r\n");
    c.send("xyz");
    EXPECT_NE(c.readToEnd().find("200 OK"), std::string::npos);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.requests().at(0).body, "xyz");
}

TEST(RawHttpServer, ExpectContinueCanGoUnanswered) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(200, "OK", "x"); });
    server.setAutoContinue(false);
    Client c(server.port());
    c.send("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\nxyz");
    const std::string answer = c.readToEnd();
    EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK", 0), 0u) << answer;
}

TEST(RawHttpServer, SendLimitClosesMidBody) {
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = RawResponse::Http(200, "OK", "0123456789");
        r.sendLimit = r.bytes.size() - 4;
        return r;
    });
    Client c(server.port());
    c.send("GET / HTTP/1.1\r\n\r\n");
    const std::string got = c.readToEnd();
    EXPECT_EQ(got.substr(got.size() - 6), "012345");
}

TEST(RawHttpServer, RecordsRequestCutShortByTheClient) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(200, "OK", ""); });
    {
        Client c(server.port());
        c.send("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
    }
    ASSERT_TRUE(server.waitForRequests(1));
    const auto r = server.requests().at(0);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.body, "abc");
}

TEST(RawHttpServer, StopEndsStallingAndDelayedConnections) {
    auto server = std::make_unique<RawHttpServer>([](const RawRequest& r) {
        RawResponse resp = RawResponse::Http(200, "OK", "body");
        if (r.target == "/stall") {
            resp.sendLimit = 10;
            resp.after = RawResponse::After::Stall;
        } else {
            resp.delay = std::chrono::hours(1);
        }
        return resp;
    });
    Client stalled(server->port());
    Client delayed(server->port());
    stalled.send("GET /stall HTTP/1.1\r\n\r\n");
    delayed.send("GET /delay HTTP/1.1\r\n\r\n");
    EXPECT_EQ(stalled.read(10), "HTTP/1.1 2");
    ASSERT_TRUE(server->waitForRequests(2));
    server.reset();  // must return, not wait for the hour
    EXPECT_EQ(stalled.readToEnd(), "");
    EXPECT_EQ(delayed.readToEnd(), "");
}
