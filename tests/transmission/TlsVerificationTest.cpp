// Both exchanges go over TLS only to a server whose certificate verifies,
// host name included: loopback servers of the openssl tool, with a
// self-signed certificate and with certificates of an authority made for
// the test, which the client is told to trust by its authority file.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>

#include "tests/transmission/TempFiles.h"
#include "tests/transmission/TlsTestServer.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/HttpFormClient.h"
#include "wizard/transmission/PriceRequestPost.h"
#include "wizard/transmission/UploadSession.h"

namespace orlavo::transmission {
namespace {

using test::ServerCertificate;
using test::TestAuthority;
using test::TlsTestServer;

const std::string kClosing = "-----------------------------7d22db37402707--\r\n";
const std::string kManifest = "<transfermanifest/>";

// A fresh self-signed certificate for 127.0.0.1.
ServerCertificate SelfSigned(const test::TempDir& folder) {
    std::string cert = (folder.path() / "self.pem").string();
    std::string key = (folder.path() / "self.key").string();
    if (!test::RunOpenssl("req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                          "-addext subjectAltName=IP:127.0.0.1 -keyout " +
                          test::Quoted(key) + " -out " + test::Quoted(cert))) {
        return {};
    }
    return {cert, key};
}

template <class Result>
struct Received {
    Result result;
    std::string server;  // all the server wrote: its own lines and the bytes it got
};

// Runs SEND on a thread while the server's output is collected up to the
// closing delimiter of a form (or until SEND ends without one). The server
// is stopped before SEND is waited for: a client waiting for an answer that
// never comes ends when the connection drops.
template <class Send>
auto Exchanged(TlsTestServer& server, Send send) -> Received<decltype(send())> {
    auto sending = std::async(std::launch::async, std::move(send));
    std::string got = server.ReadUntil(kClosing, [&] {
        return sending.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    server.Stop();
    return {sending.get(), std::move(got)};
}

// What the client sends for one photo, from the request line on.
std::string ExpectedUpload(int port, const std::string& path, const std::string& photo) {
    std::string body = FilePartHeader(path, "image/pjpeg") + photo + "\r\n" +
                       ValuePart(kManifestField, kManifest) + kClosing;
    return "POST /cgi/upload?x=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" +
           HeaderBlock() + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

Received<Exchange> UploadPhoto(TlsTestServer& server, const std::string& caFile,
                               const std::string& path, std::uint64_t size) {
    return Exchanged(server, [&server, caFile, path, size] {
        HttpFormClient client("orlavo", 60, caFile);
        Exchange ex;
        if (!client.Open(server.url("/cgi/upload?x=1"), ex.code)) {
            return ex;
        }
        auto pieces = OrderRequestPieces(path, "image/pjpeg", size, kManifest);
        return client.Post(pieces, BodyLength(pieces), nullptr);
    });
}

// A folder with an authority, a certificate of it for NAMES and a photo.
struct TrustedSetup {
    test::TempDir folder;
    TestAuthority authority{folder.path()};
    std::string photo = test::PatternBytes(300);
    std::string path = folder.write("p.jpg", photo);

    ServerCertificate Certify(const std::string& commonName, const std::string& altNames) {
        return authority.Certify("server", commonName, altNames);
    }
};

TEST(TlsVerification, UploadRefusesAnUnverifiedCertificate) {
    test::TempDir folder;
    ServerCertificate self = SelfSigned(folder);
    TlsTestServer server(self.cert, self.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    Received<Exchange> got = UploadPhoto(server, "", path, 10);
    EXPECT_FALSE(got.result.ok);
    EXPECT_EQ(got.result.code, static_cast<std::uint32_t>(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(got.result.bytesWritten, 0u);
    EXPECT_EQ(got.server.find("POST"), std::string::npos);
}

TEST(TlsVerification, PriceRequestRefusesAnUnverifiedCertificate) {
    test::TempDir folder;
    ServerCertificate self = SelfSigned(folder);
    TlsTestServer server(self.cert, self.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";
    auto got = Exchanged(server, [&server] {
        std::string answer;
        bool ok = PostPriceRequest(server.url("/price"), "<PriceRequest/>", answer);
        return std::make_pair(ok, answer);
    });
    EXPECT_FALSE(got.result.first);
    EXPECT_EQ(got.result.second, ErrorText(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(got.server.find("POST"), std::string::npos);
}

TEST(TlsVerification, UploadReachesAServerOfTheTrustedAuthorityByteForByte) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("127.0.0.1", "IP:127.0.0.1,DNS:localhost");
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    Received<Exchange> got =
        UploadPhoto(server, setup.authority.file(), setup.path, setup.photo.size());

    std::string expected = ExpectedUpload(server.port(), setup.path, setup.photo);
    std::size_t start = got.server.find("POST ");
    ASSERT_NE(start, std::string::npos) << got.server;
    EXPECT_EQ(got.server.substr(start, 30), "POST /cgi/upload?x=1 HTTP/1.1\r");
    EXPECT_NE(got.server.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(got.server.substr(start), expected);
    // Nothing came back but a dropped connection: the exchange fails, after
    // the whole body went out.
    EXPECT_FALSE(got.result.ok);
    EXPECT_NE(got.result.code, static_cast<std::uint32_t>(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(got.result.bytesWritten, expected.size() - expected.find("\r\n\r\n") - 4);
}

TEST(TlsVerification, UploadWithoutTheAuthorityFileRefusesTheSameServer) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("127.0.0.1", "IP:127.0.0.1,DNS:localhost");
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    Received<Exchange> got = UploadPhoto(server, "", setup.path, setup.photo.size());
    EXPECT_FALSE(got.result.ok);
    EXPECT_EQ(got.result.code, static_cast<std::uint32_t>(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(got.result.bytesWritten, 0u);
    EXPECT_EQ(got.server.find("POST"), std::string::npos);
}

TEST(TlsVerification, AMissingAuthorityFileRefusesRatherThanSkippingTheCheck) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("127.0.0.1", "IP:127.0.0.1");
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    std::string missing = (setup.folder.path() / "none.pem").string();
    Received<Exchange> got = UploadPhoto(server, missing, setup.path, setup.photo.size());
    EXPECT_FALSE(got.result.ok);
    EXPECT_EQ(got.result.code, static_cast<std::uint32_t>(CURLE_SSL_CACERT_BADFILE));
    EXPECT_EQ(got.result.bytesWritten, 0u);
    EXPECT_EQ(got.server.find("POST"), std::string::npos);
}

TEST(TlsVerification, UploadRefusesACertificateOfTheAuthorityForAnotherHost) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("otherhost", "DNS:otherhost");
    // The chain is sound; only the name differs from the address.
    ASSERT_TRUE(setup.authority.Signed(cert));
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    Received<Exchange> got =
        UploadPhoto(server, setup.authority.file(), setup.path, setup.photo.size());
    EXPECT_FALSE(got.result.ok);
    EXPECT_EQ(got.result.code, static_cast<std::uint32_t>(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(got.result.bytesWritten, 0u);
    EXPECT_EQ(got.server.find("POST"), std::string::npos);
}

TEST(TlsVerification, PriceRequestReachesAServerOfTheTrustedAuthority) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("127.0.0.1", "IP:127.0.0.1");
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    const std::string caFile = setup.authority.file();
    auto got = Exchanged(server, [&server, caFile] {
        std::string answer;
        bool ok =
            PostPriceRequest(server.url("/price"), "<PriceRequest/>", answer, "orlavo", caFile);
        return std::make_pair(ok, answer);
    });
    std::string body = ValuePart(kPriceRequestField, "<PriceRequest/>") + kClosing;
    std::string expected =
        "POST /price HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" +
        HeaderBlock() + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    std::size_t start = got.server.find("POST ");
    ASSERT_NE(start, std::string::npos) << got.server;
    EXPECT_EQ(got.server.substr(start), expected);
    EXPECT_FALSE(got.result.first);
    EXPECT_NE(got.result.second, ErrorText(CURLE_PEER_FAILED_VERIFICATION));
}

// Reports nothing but the end of the pass.
class EndReporter : public UploadReporter {
public:
    void OrderRange(int) override {}
    void OrderPosition(int) override {}
    void ImageRange(int) override {}
    void ImagePosition(int) override {}
    void Thumbnail(int) override {}
    void Estimate(const std::string&) override {}
    void Notice(const std::string&) override {}
    void Finished() override {}
};

TEST(TlsVerification, UploadSessionTrustsTheAuthorityItIsGiven) {
    TrustedSetup setup;
    ASSERT_TRUE(setup.authority.ok());
    ServerCertificate cert = setup.Certify("127.0.0.1", "IP:127.0.0.1");
    TlsTestServer server(cert.cert, cert.key);
    ASSERT_NE(server.port(), 0) << "openssl s_server did not start";

    UploadItem item;
    item.photoIndex = 0;
    item.path = setup.path;
    item.mediaType = "image/pjpeg";
    item.size = setup.photo.size();
    item.manifest = kManifest;
    UploadSettings settings;
    settings.uploadUrl = server.url("/cgi/upload?x=1");
    settings.caFile = setup.authority.file();
    EndReporter reporter;
    UploadSession session(settings, {item}, item.size, reporter);

    auto got = Exchanged(server, [&session] {
        session.Run();
        return session.ErrorMessage();
    });
    std::size_t start = got.server.find("POST ");
    ASSERT_NE(start, std::string::npos) << got.server;
    EXPECT_EQ(got.server.substr(start), ExpectedUpload(server.port(), setup.path, setup.photo));
    // The lab never answered, so the order did not go through.
    EXPECT_NE(got.result, "");
}

}  // namespace
}  // namespace orlavo::transmission
