// DownloadFile against a real lab, and over TLS against servers of the
// openssl tool.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "platform/Sha256.h"
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
    EXPECT_EQ(fetch("a.bin", small), "Can't download");

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
