// Both exchanges refuse a server whose certificate cannot be verified: a
// self-signed certificate on a loopback TLS server (the openssl tool).

#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/HttpFormClient.h"
#include "wizard/transmission/PriceRequestPost.h"

namespace orlavo::transmission {
namespace {

// "openssl s_server" on 127.0.0.1 with a fresh self-signed certificate.
class SelfSignedServer {
public:
    explicit SelfSignedServer(const test::TempFolder& folder) {
        std::string cert = (folder.path() / "cert.pem").string();
        std::string key = (folder.path() / "key.pem").string();
        std::string make =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
            "-keyout '" +
            key + "' -out '" + cert + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            return;
        }
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 2);
            close(out[0]);
            close(out[1]);
            execlp("openssl", "openssl", "s_server", "-accept", "127.0.0.1:0", "-cert",
                   cert.c_str(), "-key", key.c_str(), "-www", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // A line names the address: "ACCEPT 127.0.0.1:PORT". The pipe stays
        // open so that the server's later output does not kill it.
        output_ = out[0];
        std::string line;
        char c;
        pollfd wait{output_, POLLIN, 0};
        while (port_ == 0 && poll(&wait, 1, 20000) == 1 && read(output_, &c, 1) == 1) {
            if (c != '\n') {
                line += c;
                continue;
            }
            std::size_t colon = line.rfind(':');
            if (line.rfind("ACCEPT", 0) == 0 && colon != std::string::npos) {
                port_ = std::stoi(line.substr(colon + 1));
            }
            line.clear();
        }
    }
    ~SelfSignedServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            close(output_);
        }
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int port_ = 0;
};

TEST(TlsVerification, UploadRefusesAnUnverifiedCertificate) {
    test::TempFolder folder;
    SelfSignedServer server(folder);
    if (server.port() == 0) {
        GTEST_SKIP() << "the openssl tool is not available";
    }
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(
        client.Open("https://127.0.0.1:" + std::to_string(server.port()) + "/upload", code));
    Exchange ex =
        client.Post(OrderRequestPieces(path, "image/pjpeg", 10, "<m/>"),
                    BodyLength(OrderRequestPieces(path, "image/pjpeg", 10, "<m/>")), nullptr);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, static_cast<std::uint32_t>(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(ex.bytesWritten, 0u);
}

TEST(TlsVerification, PriceRequestRefusesAnUnverifiedCertificate) {
    test::TempFolder folder;
    SelfSignedServer server(folder);
    if (server.port() == 0) {
        GTEST_SKIP() << "the openssl tool is not available";
    }
    std::string answer;
    EXPECT_FALSE(PostPriceRequest("https://127.0.0.1:" + std::to_string(server.port()) + "/price",
                                  "<PriceRequest/>", answer));
    EXPECT_EQ(answer, ErrorText(CURLE_PEER_FAILED_VERIFICATION));
}

}  // namespace
}  // namespace orlavo::transmission
