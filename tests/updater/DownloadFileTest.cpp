// DownloadFile against a real lab, and over TLS against servers of the
// openssl tool.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>

#include "platform/Sha256.h"
#include "tests/support/RawHttpServer.h"
#include "tests/transmission/TlsTestServer.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/DownloadFile.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::UpdaterLabTest;

std::string Bytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(i * 131 + 7);
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

class DownloadFileTest : public UpdaterLabTest {
protected:
    std::string local() const { return (tempRoot() / "download").string(); }
    // The text of a download of NAME; a failure must leave no local file.
    std::string fetch(const std::string& name, DownloadOptions options = {},
                      std::string to = {}) const {
        if (to.empty())
            to = local();
        std::error_code ec;
        fs::remove(to, ec);
        const std::string text = DownloadFile(filesUrl() + name, to, options);
        if (!text.empty()) {
            EXPECT_FALSE(fs::exists(to)) << name << ": " << text;
        }
        return text;
    }
};

TEST_F(DownloadFileTest, WritesTheBodyOrSaysWhatWentWrong) {
    const std::string body = Bytes(100000);
    serve("a.bin", body);
    serve("empty.bin", "");
    startLab();

    EXPECT_EQ(fetch("a.bin"), "");
    EXPECT_EQ(test::ReadFile(local()), body);
    updatertest::WriteBytes(local(), "an older download, longer than what comes now");
    EXPECT_EQ(DownloadFile(filesUrl() + "empty.bin", local()), "");
    EXPECT_TRUE(fs::exists(local()));
    EXPECT_EQ(fs::file_size(local()), 0u);

    EXPECT_EQ(fetch("missing.bin"), "Downloading error. HTTP status code: 404");
    EXPECT_EQ(fetch("a.bin", {}, (tempRoot() / "no" / "such" / "folder").string()),
              "Could not create a local file");

    DownloadOptions hashed;
    hashed.sha256 = Upper(Sha256Hex(body));  // hex of either case
    EXPECT_EQ(fetch("a.bin", hashed), "");
    hashed.sha256 = Sha256Hex(body + "x");
    EXPECT_EQ(fetch("a.bin", hashed), "Checksum mismatch for " + filesUrl() + "a.bin");
    hashed.sha256 = "not a digest";
    EXPECT_EQ(fetch("a.bin", hashed), "Checksum mismatch for " + filesUrl() + "a.bin");

    DownloadOptions small;
    small.maxBytes = 1000;
    EXPECT_EQ(fetch("a.bin", small),
              "Refused " + filesUrl() + "a.bin: it is longer than may be written");

    EXPECT_EQ(DownloadFile("ftp://127.0.0.1/a.bin", local()), "Unspecified error with remote file");
    EXPECT_EQ(DownloadFile("", local()), "Unspecified error with remote file");
}

TEST_F(DownloadFileTest, JudgesTheLengthOnlyWhenTheServerAnnouncesOne) {
    const std::string body = Bytes(70000);
    serve("a.bin", body);

    startLab({"--no-content-length"});
    EXPECT_EQ(fetch("a.bin"), "");
    EXPECT_EQ(test::ReadFile(local()), body);

    startLab({"--truncate-body"});
    EXPECT_EQ(fetch("a.bin"), "Error downloading file " + filesUrl() + "a.bin");

    const std::string address = filesUrl() + "a.bin";
    lab_->stop();
    EXPECT_EQ(DownloadFile(address, local()), "Unspecified error with remote file");
    EXPECT_FALSE(fs::exists(local()));
}

TEST_F(DownloadFileTest, ReportsProgressAndStopsWhenCancelled) {
    const std::string body = Bytes(8 << 20);
    serve("big.bin", body);
    startLab();

    std::atomic<bool> cancel{false};
    std::uint64_t announced = 0;
    std::uint64_t seen = 0;
    DownloadOptions options;
    options.cancel = &cancel;
    options.progress = [&](std::uint64_t received, std::uint64_t total) {
        announced = total;
        seen = received;
        if (received > 0)
            cancel = true;
    };
    EXPECT_EQ(fetch("big.bin", options), "Download cancelled");
    EXPECT_EQ(announced, body.size());
    EXPECT_GT(seen, 0u);
    EXPECT_LT(seen, body.size());
}

// A server that paces its bytes as it likes: the transfer ends at a deadline
// that grows with its size, or when it falls below the minimum rate.
TEST(DownloadFileLimits, TransfersTooSlowForTheirSizeEnd) {
    using namespace std::chrono_literals;
    const std::string body(1000, 'b');
    const struct {
        const char* what;
        std::chrono::milliseconds drip;  // between two bytes of the answer
        DownloadLimits limits;
        bool done;
    } cases[] = {
        // 2 bytes a second: the header block alone outlasts the deadline.
        {"dripped", 500ms, {1000ms, 50000, 1, 0}, false},
        // About 3 s for 1000 bytes: within 1 s + 1000 / 100 s, not 1 s + 1000 / 100000 s.
        {"slow but in time for its size", 3ms, {1000ms, 100, 1, 0}, true},
        {"too slow for its size", 3ms, {1000ms, 100000, 1, 0}, false},
        // 50 bytes a second, deadline far off, but below 500 bytes a second.
        {"below the minimum rate", 20ms, {60000ms, 50000, 500, 1}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RawHttpServer server([&](const test::RawRequest&) {
            test::RawResponse r = test::RawResponse::Http(200, "OK", body);
            r.drip = c.drip;
            return r;
        });
        test::TempDir folder;
        const std::string local = (folder.path() / "manifest").string();
        DownloadOptions options;
        options.limits = c.limits;
        const std::string text = DownloadFile(server.url("/a.xml"), local, options);
        if (c.done) {
            EXPECT_EQ(text, "");
            EXPECT_EQ(test::ReadFile(local), body);
        } else {
            EXPECT_EQ(text, "Can't download: " + server.url("/a.xml") + " came too slowly");
            EXPECT_TRUE(IsTooSlow(text));
            EXPECT_FALSE(fs::exists(local));
        }
    }
}

// A length that cannot be right is refused as soon as it is announced: the
// server below would otherwise hold the transfer open until its deadline.
TEST(DownloadFileLimits, LengthsThatCannotBeRightAreRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        std::string head;  // the answer's head; the server then falls silent
        std::optional<std::uint64_t> expected;
        const char* refusal;
    } cases[] = {
        {"10 GB announced",
         "Content-Length: 10000000000\r\n",
         {},
         "it is longer than may be written"},
        {"another length than the manifest's", "Content-Length: 4521\r\n", 4520,
         "its length is not the manifest's size"},
        {"more than the manifest's without a length", "", 4,
         "its length is not the manifest's size"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RawHttpServer server([&](const test::RawRequest&) {
            test::RawResponse r;
            r.bytes = "HTTP/1.1 200 OK\r\n" + c.head + "\r\n" + std::string(4096, 'x');
            r.after = test::RawResponse::After::Stall;
            return r;
        });
        test::TempDir folder;
        const std::string local = (folder.path() / "big.jpg").string();
        DownloadOptions options;
        options.expectedBytes = c.expected;
        options.limits.base = std::chrono::seconds(30);
        EXPECT_EQ(DownloadFile(server.url("/big.jpg"), local, options),
                  "Refused " + server.url("/big.jpg") + ": " + c.refusal);
        EXPECT_FALSE(fs::exists(local));
    }
    // The length the manifest gives, announced or not, is taken.
    for (const bool announced : {true, false}) {
        test::RawHttpServer server([&](const test::RawRequest&) {
            return test::RawResponse::Http(200, "OK", std::string(4520, 'p'), {}, announced);
        });
        test::TempDir folder;
        DownloadOptions options;
        options.expectedBytes = 4520;
        EXPECT_EQ(DownloadFile(server.url("/1.jpg"), (folder.path() / "1.jpg").string(), options),
                  "");
        options.expectedBytes = 4521;
        EXPECT_EQ(DownloadFile(server.url("/1.jpg"), (folder.path() / "1.jpg").string(), options),
                  "Refused " + server.url("/1.jpg") + ": its length is not the manifest's size");
    }
}

// Over TLS the certificate is checked with the host name: a certificate of a
// trusted authority for another name is refused before anything is asked.
TEST(DownloadFileTls, RefusesACertificateForAnotherHost) {
    test::TempDir folder;
    test::TestAuthority authority(folder.path());
    ASSERT_TRUE(authority.ok());
    struct Case {
        const char* commonName;
        const char* altNames;
        bool reaches;
    } cases[] = {
        {"otherhost", "DNS:otherhost", false},
        {"127.0.0.1", "IP:127.0.0.1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commonName);
        test::ServerCertificate cert = authority.Certify(c.commonName, c.commonName, c.altNames);
        test::TlsTestServer server(cert.cert, cert.key);
        ASSERT_NE(server.port(), 0) << "openssl s_server did not start";
        DownloadOptions options;
        options.transfer.caFile = authority.file();
        options.transfer.stallSeconds = 20;
        const std::string local = (folder.path() / "manifest").string();
        auto fetching = std::async(std::launch::async, [&] {
            return DownloadFile(server.url("/update/auto_update.xml"), local, options);
        });
        const std::string seen = server.ReadUntil("\r\n\r\n", [&] {
            return fetching.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        server.Stop();
        const std::string text = fetching.get();
        EXPECT_NE(text, "");  // the server never answers
        EXPECT_FALSE(std::filesystem::exists(local));
        EXPECT_EQ(seen.find("GET /update/auto_update.xml HTTP/1.1\r\n") != std::string::npos,
                  c.reaches)
            << seen;
        if (!c.reaches) {
            EXPECT_EQ(text, "Unspecified error with remote file");
        }
    }
}

}  // namespace
}  // namespace orlavo::updater
