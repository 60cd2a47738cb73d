#include "wizard/transmission/HttpFormClient.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/Curl.h"

#include "tests/support/RawHttpServer.h"
#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/PriceRequestPost.h"

namespace orlavo::transmission {
namespace {

using test::RawHttpServer;
using test::RawRequest;
using test::RawResponse;

const std::string kDelimiter = "-----------------------------7d22db37402707\r\n";
const std::string kClosing = "-----------------------------7d22db37402707--\r\n";
const std::string kManifest =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><transfermanifest><file "
    "contenttype=\"image/pjpeg\" filename=\"p.jpg\" size=\"100\" currentnumphoto=\"1\"/><user/>"
    "<shipping/><payment/><extra uniqueid=\"ABCDEFGHIJKLMNO\" numphotos=\"1\"/></transfermanifest>";

RawResponse Done(bool keepAlive = true) {
    return RawResponse::Http(200, "OK", "<html><head><title>DONE</title></head></html>", {}, true,
                             keepAlive);
}

// Records what a request reports, and can stop it.
struct RecordingObserver : RequestObserver {
    std::atomic<bool> abort{false};
    int range = -1;
    std::vector<int> positions;
    int fileDone = 0;
    int abortAtPosition = -1;
    bool Aborted() const override { return abort.load(); }
    void FileRange(int max) override { range = max; }
    void FilePosition(int position) override {
        positions.push_back(position);
        if (abortAtPosition >= 0 && position >= abortAtPosition) {
            abort = true;
        }
    }
    void FileDone() override { ++fileDone; }
};

Exchange PostPhoto(HttpFormClient& client, const std::string& path, std::uint64_t size,
                   RequestObserver* observer = nullptr) {
    std::string header = FilePartHeader(path, "image/pjpeg");
    std::uint64_t announced =
        UploadBodyLength(header.size(), size, ValuePart("transfermanifest", kManifest).size());
    return client.Post(OrderRequestPieces(path, "image/pjpeg", size, kManifest), announced,
                       observer);
}

TEST(HttpFormClient, HundredBytePhotoGoesOutByteForByte) {
    test::TempDir folder;
    std::string photo = test::PatternBytes(100);
    std::string path = folder.write("p.jpg", photo);
    RawHttpServer server([](const RawRequest&) { return Done(); });

    HttpFormClient client("orlavo-order");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/cgi/upload?x=1"), code));
    Exchange ex = PostPhoto(client, path, photo.size());
    ASSERT_TRUE(ex.ok) << ErrorText(ex.code);

    std::string header = kDelimiter + "Content-Disposition: form-data; name=\"file\"; filename=\"" +
                         path + "\"\r\nContent-Type: image/pjpeg\r\n\r\n";
    std::string manifestPart = kDelimiter +
                               "Content-Disposition: form-data; name=\"transfermanifest\"\r\n\r\n" +
                               kManifest + "\r\n";
    std::string expected = header + photo + "\r\n" + manifestPart + kClosing;
    ASSERT_EQ(server.requestCount(), 1u);
    RawRequest req = server.requests().at(0);
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.target, "/cgi/upload?x=1");
    EXPECT_EQ(req.head, "POST /cgi/upload?x=1 HTTP/1.1\r\nHost: 127.0.0.1:" +
                            std::to_string(server.port()) + "\r\n" + HeaderBlock() +
                            "Content-Length: " + std::to_string(expected.size()) + "\r\n\r\n");
    EXPECT_EQ(req.body, expected);
    EXPECT_EQ(expected.size(), header.size() + 100 + 2 + manifestPart.size() + 47);
    EXPECT_EQ(req.header("Content-Length"), std::to_string(expected.size()));
    EXPECT_EQ(ex.bytesWritten, expected.size());
    EXPECT_EQ(ex.answer, "<html><head><title>DONE</title></head></html>");
}

TEST(HttpFormClient, SendsTheHeaderBlockInOrderAndNothingThatChangesTheRequest) {
    RawHttpServer server([](const RawRequest&) { return Done(); });
    std::string answer;
    ASSERT_TRUE(PostPriceRequest(server.url("/price"), "<PriceRequest/>", answer));
    RawRequest req = server.requests().at(0);
    std::size_t length = ValuePart("PriceRequest", "<PriceRequest/>").size() + 47;
    // The transport adds the request line, Host and Content-Length only:
    // no Expect, no chunked encoding, no headers of its own.
    EXPECT_EQ(req.head, "POST /price HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                            "\r\n" + HeaderBlock() + "Content-Length: " + std::to_string(length) +
                            "\r\n\r\n");
}

TEST(HttpFormClient, RequestTargetIsThePathAsConfigured) {
    RawHttpServer server([](const RawRequest&) { return Done(); });
    std::string answer;
    ASSERT_TRUE(PostPriceRequest(server.url("/cgi/./old/../price?x=1"), "<PriceRequest/>", answer))
        << answer;
    EXPECT_EQ(server.requests().at(0).target, "/cgi/./old/../price?x=1");
}

TEST(HttpFormClient, PriceRequestBodyIsOneValuePartAndTheClosingDelimiter) {
    const std::string doc =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><PriceRequest><extra "
        "affiliateid=\"7\"/></PriceRequest>";
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK", "<PriceQuote><totals/></PriceQuote>");
    });
    std::string answer;
    ASSERT_TRUE(PostPriceRequest(server.url("/price"), doc, answer)) << answer;
    RawRequest req = server.requests().at(0);
    std::string expected = kDelimiter +
                           "Content-Disposition: form-data; name=\"PriceRequest\"\r\n\r\n" + doc +
                           "\r\n" + kClosing;
    EXPECT_EQ(req.body, expected);
    EXPECT_EQ(req.header("Content-Length"),
              std::to_string(ValuePart("PriceRequest", doc).size() + 47));
    EXPECT_EQ(answer, "<PriceQuote><totals/></PriceQuote>");
}

TEST(HttpFormClient, PriceRequestFailureGivesTheTransportsMessage) {
    std::string url;
    {
        RawHttpServer gone([](const RawRequest&) { return Done(); });
        url = gone.url("/price");
    }
    std::string answer = "stale";
    EXPECT_FALSE(PostPriceRequest(url, "<PriceRequest/>", answer));
    EXPECT_EQ(answer, curl_easy_strerror(CURLE_COULDNT_CONNECT));

    EXPECT_FALSE(PostPriceRequest("gopher://127.0.0.1/price", "<PriceRequest/>", answer));
    EXPECT_EQ(answer, curl_easy_strerror(CURLE_URL_MALFORMAT));
}

TEST(HttpFormClient, KeepsOneConnectionForAllPhotos) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(3000));
    RawHttpServer server([](const RawRequest&) { return Done(true); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PostPhoto(client, path, 3000).ok);
    }
    std::vector<RawRequest> reqs = server.requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(reqs[2].indexOnConnection, 3);
}

TEST(HttpFormClient, MovesTheCurrentImageBarIn8KiBSteps) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(20000));
    RawHttpServer server([](const RawRequest&) { return Done(); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    RecordingObserver observer;
    ASSERT_TRUE(PostPhoto(client, path, 20000, &observer).ok);
    EXPECT_EQ(observer.range, 2);
    ASSERT_GE(observer.positions.size(), 3u);
    EXPECT_EQ(observer.positions.front(), 0);
    EXPECT_EQ(observer.positions[1], 1);  // after the first 8192 bytes
    EXPECT_EQ(observer.positions[2], 2);  // after the second
    EXPECT_EQ(observer.positions.back(), 2);
    EXPECT_EQ(observer.fileDone, 1);
    EXPECT_EQ(server.requests().at(0).body.find(test::PatternBytes(20000)) != std::string::npos,
              true);
}

TEST(HttpFormClient, FileShorterThanItsRecordedSizeFailsInsteadOfHanging) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(500));
    RawHttpServer server([](const RawRequest&) { return Done(); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange ex = PostPhoto(client, path, 1000);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, static_cast<std::uint32_t>(CURLE_READ_ERROR));
    for (const RawRequest& r : server.requests()) {
        EXPECT_FALSE(r.complete);
    }
}

TEST(HttpFormClient, MissingFileFailsBeforeAnythingIsSent) {
    test::TempDir folder;
    RawHttpServer server([](const RawRequest&) { return Done(); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange ex = PostPhoto(client, (folder.path() / "gone.jpg").string(), 100);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, static_cast<std::uint32_t>(CURLE_READ_ERROR));
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(HttpFormClient, AbortInTheMiddleOfAFileEndsWithMinusOne) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(200000));
    RawHttpServer server([](const RawRequest&) { return Done(); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    RecordingObserver observer;
    observer.abortAtPosition = 3;
    Exchange ex = PostPhoto(client, path, 200000, &observer);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, kCodeMessageSet);
    EXPECT_LT(ex.bytesWritten, 200000u);
    EXPECT_EQ(observer.fileDone, 0);
}

TEST(HttpFormClient, AbortBeforeTheRequestSendsNothing) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    RawHttpServer server([](const RawRequest&) { return Done(); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    RecordingObserver observer;
    observer.abort = true;
    Exchange ex = PostPhoto(client, path, 10, &observer);
    EXPECT_EQ(ex.code, kCodeMessageSet);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(HttpFormClient, KeepsTheFirst8191BytesOfALongAnswerAndTheConnection) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    std::string longPage(20000, 'x');
    RawHttpServer server(
        [&](const RawRequest&) { return RawResponse::Http(200, "OK", longPage, {}, true, true); });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange first = PostPhoto(client, path, 10);
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.answer.size(), 8191u);
    ASSERT_TRUE(PostPhoto(client, path, 10).ok);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(HttpFormClient, DroppedConnectionGivesTheTransportsCode) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Done(false);
        r.sendLimit = 0;
        return r;
    });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange ex = PostPhoto(client, path, 10);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, static_cast<std::uint32_t>(CURLE_GOT_NOTHING));
    EXPECT_FALSE(ErrorText(ex.code).empty());
}

TEST(HttpFormClient, StatusCodeComesBackWithTheAnswerUnjudged) {
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(10));
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(500, "Internal Server Error", "<title>DONE</title>");
    });
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange ex = PostPhoto(client, path, 10);
    ASSERT_TRUE(ex.ok);
    EXPECT_EQ(ex.status, 500);
    EXPECT_EQ(ex.answer, "<title>DONE</title>");
}

TEST(HttpFormClient, RefusesAddressesThatAreNotHttp) {
    HttpFormClient client("orlavo");
    std::uint32_t code = 0;
    EXPECT_FALSE(client.Open("ftp://127.0.0.1/upload", code));
    EXPECT_EQ(code, static_cast<std::uint32_t>(CURLE_URL_MALFORMAT));
}

// An answer that trickles in at a few bytes a second, long enough that
// only a deadline or a speed limit ends the wait before it is complete.
RawResponse Dripping(std::string_view body, std::chrono::milliseconds gap) {
    RawResponse r = RawResponse::Http(200, "OK", body);
    r.drip = gap;
    return r;
}

TEST(HttpFormClient, DrippingServerCannotHoldAnExchangeOpen) {
    const std::string page =
        "<html><head><title>DONE</title></head></html>" + std::string(300, ' ');
    RawHttpServer server(
        [&](const RawRequest&) { return Dripping(page, std::chrono::milliseconds(25)); });

    // The price exchange ends at its deadline with the transport's time-out.
    EXPECT_GE(kPriceDeadlineSeconds, 60);
    EXPECT_LE(kPriceDeadlineSeconds, 120);
    std::string answer;
    EXPECT_FALSE(
        PostPriceRequest(server.url("/price"), "<PriceRequest/>", answer, "orlavo", {}, 2));
    EXPECT_EQ(answer, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));

    // An upload whose speed stays below 1 KiB/s for the stall time fails,
    // though bytes keep coming.
    test::TempDir folder;
    std::string path = folder.write("p.jpg", test::PatternBytes(100));
    HttpFormClient client("orlavo", 2);
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    Exchange ex = PostPhoto(client, path, 100);
    EXPECT_FALSE(ex.ok);
    EXPECT_EQ(ex.code, static_cast<std::uint32_t>(CURLE_OPERATION_TIMEDOUT));
}

TEST(HttpFormClient, BodyShorterThanAnnouncedIsNoSuccess) {
    // A server that answers as soon as it has the header block, so the
    // transfer itself ends without error however much of the body went.
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Done(false);
        r.after = RawResponse::After::Stall;
        return r;
    });
    server.setAnswerAfterHead(true);
    HttpFormClient client("orlavo", 5);
    std::uint32_t code = 0;
    ASSERT_TRUE(client.Open(server.url("/upload"), code));
    const std::vector<BodyPiece> pieces = ValueFormPieces("transfermanifest", "<m/>");
    const std::uint64_t length = BodyLength(pieces);
    Exchange ex = client.Post(pieces, length + 100, nullptr);
    EXPECT_FALSE(ex.ok);
    // How much went before the answer came depends on timing; never more than there was.
    EXPECT_LE(ex.bytesWritten, length);
    EXPECT_NE(ex.code, 0u);
}

// Sets proxy variables for one test and puts the old values back.
class ProxyEnvironment {
public:
    ProxyEnvironment() {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(
                name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    ~ProxyEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name, value->c_str(), 1);
            } else {
                ::unsetenv(name);
            }
        }
    }
    void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

private:
    static constexpr const char* kNames[] = {"http_proxy", "https_proxy", "HTTPS_PROXY",
                                             "all_proxy",  "ALL_PROXY",   "no_proxy",
                                             "NO_PROXY",   "HTTP_PROXY"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(HttpFormClient, AsksAProxyNotToCacheAndOnlyAProxy) {
    ProxyEnvironment env;
    RawHttpServer proxy([](const RawRequest&) { return Done(false); });
    env.set("http_proxy", proxy.url());
    std::string answer;
    ASSERT_TRUE(PostPriceRequest("http://lab.invalid/price", "<PriceRequest/>", answer));
    ASSERT_EQ(proxy.requestCount(), 1u);
    RawRequest req = proxy.requests().at(0);
    EXPECT_EQ(req.target, "http://lab.invalid/price");
    EXPECT_EQ(req.header("Pragma"), "no-cache");
    EXPECT_EQ(req.header("Cache-Control"), "no-cache");

    // Exempt from the proxy: straight to the server, no cache lines.
    RawHttpServer direct([](const RawRequest&) { return Done(false); });
    env.set("no_proxy", "localhost, 127.0.0.1");
    ASSERT_TRUE(PostPriceRequest(direct.url("/price"), "<PriceRequest/>", answer));
    ASSERT_EQ(direct.requestCount(), 1u);
    EXPECT_EQ(direct.requests().at(0).header("Pragma"), "");
    EXPECT_EQ(direct.requests().at(0).header("Cache-Control"), "");
    EXPECT_EQ(proxy.requestCount(), 1u);
}

TEST(HttpFormClient, ProxyIsTheOneTheEnvironmentNames) {
    ProxyEnvironment env;
    EXPECT_EQ(net::EnvironmentProxy("http", "lab.example"), "");
    env.set("HTTP_PROXY", "http://cgi:1");  // never taken for http
    EXPECT_EQ(net::EnvironmentProxy("http", "lab.example"), "");
    env.set("HTTPS_PROXY", "http://s:1");
    EXPECT_EQ(net::EnvironmentProxy("https", "lab.example"), "http://s:1");
    env.set("all_proxy", "http://a:1");
    EXPECT_EQ(net::EnvironmentProxy("http", "lab.example"), "http://a:1");
    env.set("http_proxy", "http://h:1");
    EXPECT_EQ(net::EnvironmentProxy("http", "Lab.Example"), "http://h:1");
    env.set("no_proxy", ".example,other");
    EXPECT_EQ(net::EnvironmentProxy("http", "shop.lab.example"), "");
    EXPECT_EQ(net::EnvironmentProxy("http", "notexample"), "http://h:1");
    EXPECT_EQ(net::EnvironmentProxy("http", "other"), "");
    env.set("no_proxy", "*");
    EXPECT_EQ(net::EnvironmentProxy("https", "anything"), "");
}

}  // namespace
}  // namespace orlavo::transmission
