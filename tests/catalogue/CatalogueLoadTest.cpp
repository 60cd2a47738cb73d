// Load and DownloadText against a real HTTP server on 127.0.0.1.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "tests/catalogue/CatalogueSample.h"
#include "tests/support/RawHttpServer.h"
#include "wizard/catalogue/CXmlDocuments.h"

using namespace orlavo::wizard;
using orlavo::test::RawHttpServer;
using orlavo::test::RawRequest;
using orlavo::test::RawResponse;

namespace {

// A proxy configured in the environment must not stand between the tests and
// their server on 127.0.0.1.
const bool kDirectToLoopback = [] {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    return true;
}();

RawResponse Serve(std::string body) {
    return RawResponse::Http(200, "OK", body);
}

// Loads with a short stall limit so that a hung server fails the test fast.
std::string LoadFrom(CXmlDocuments& docs, const std::string& address, ShopList& shops,
                     long stallSeconds = 2) {
    DownloadSettings settings;
    settings.transfer.stallSeconds = stallSeconds;
    docs.setDownloadSettings(settings);
    docs.setProgramVersion("2.0.44.3");
    return docs.Load(address, shops);
}

}  // namespace

TEST(CatalogueLoad, LoadsCatalogueAndSeedsTheManifestTemplate) {
    RawHttpServer server([](const RawRequest&) { return Serve(samples::SampleCatalogue()); });
    CXmlDocuments docs;
    ShopList shops;
    const std::string address = server.url("/affiliate/cat.xml?x=1");
    ASSERT_EQ(LoadFrom(docs, address, shops), "");
    EXPECT_EQ(docs.GetProductCount(), 3);
    EXPECT_EQ(shops.size(), 3u);
    EXPECT_EQ(docs.manifestTemplate().xml(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><transfermanifest><file/><user/>"
              "<shipping/><payment/><extra affiliateid=\"AFF7\" qrtversion=\"2.0.44.3\"/>"
              "</transfermanifest>");

    ASSERT_EQ(server.requestCount(), 1u);
    const RawRequest req = server.requests()[0];
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.target, "/affiliate/cat.xml?x=1");
    EXPECT_EQ(req.header("Cache-Control"), "no-cache");
    EXPECT_EQ(req.header("Pragma"), "no-cache");
    EXPECT_NE(req.head.find("\r\nUser-Agent:  \r\n"), std::string::npos) << req.head;
    EXPECT_EQ(req.body, "");
}

TEST(CatalogueLoad, UserAgentIsTheApplicationName) {
    RawHttpServer server([](const RawRequest&) { return Serve(samples::SampleCatalogue()); });
    std::string body;
    DownloadSettings settings;
    settings.transfer.userAgent = "OrlavoW";
    ASSERT_EQ(DownloadText(server.url("/c"), body, settings), "");
    EXPECT_EQ(server.requests().at(0).header("User-Agent"), "OrlavoW");
    EXPECT_EQ(body, samples::SampleCatalogue());
}

TEST(CatalogueLoad, BodyBytesArriveUnchangedAndAreAppended) {
    const std::string bytes("a\r\nb\0c\xFF\n", 8);
    RawHttpServer server([&](const RawRequest&) {
        return RawResponse::Http(200, "OK", bytes, "Content-Type: application/octet-stream\r\n");
    });
    std::string body = "kept:";
    ASSERT_EQ(DownloadText(server.url("/b"), body), "");
    EXPECT_EQ(body, "kept:" + bytes);
}

TEST(CatalogueLoad, Status404NamesTheAddressTwice) {
    RawHttpServer server(
        [](const RawRequest&) { return RawResponse::Http(404, "Not Found", "<html>no</html>"); });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/missing.xml");
    EXPECT_EQ(LoadFrom(docs, a, shops),
              a + ": Error downloading file " + a + ". HTTP status code: 404");
}

TEST(CatalogueLoad, ServerErrorWithoutBodyGivesItsStatus) {
    RawHttpServer server([](const RawRequest&) { return RawResponse::Http(503, "Busy", ""); });
    std::string body;
    const std::string a = server.url("/c");
    EXPECT_EQ(DownloadText(a, body), "Error downloading file " + a + ". HTTP status code: 503");
}

TEST(CatalogueLoad, ErrorStatusWinsOverABodyThatStallsOrBreaksOff) {
    for (const auto after : {RawResponse::After::Stall, RawResponse::After::Close}) {
        RawHttpServer server([after](const RawRequest&) {
            RawResponse r = RawResponse::Http(404, "Not Found", std::string(2000, 'x'));
            r.sendLimit = r.bytes.find("\r\n\r\n") + 4;  // the head, none of the body
            r.after = after;
            return r;
        });
        std::string body;
        DownloadSettings settings;
        settings.transfer.stallSeconds = 1;
        const std::string a = server.url("/gone.xml");
        EXPECT_EQ(DownloadText(a, body, settings),
                  "Error downloading file " + a + ". HTTP status code: 404");
    }
}

TEST(CatalogueLoad, ContentLengthOfZeroIsNoLengthCheck) {
    RawHttpServer server([](const RawRequest&) {
        RawResponse r;
        r.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n<a/>";
        return r;
    });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    // Nothing is read, so the empty text is what fails: as XML, not as a length.
    EXPECT_EQ(LoadFrom(docs, a, shops), a + ": Param.xmp has errors!\r\n");
}

TEST(CatalogueLoad, HtmlPageGivesParamErrorsAndTheWholePage) {
    const std::string page =
        "<!DOCTYPE html>\r\n<html><head><title>Maintenance</title></head>\n<body><p>Back "
        "soon<br></body></html>\n";
    RawHttpServer server([&](const RawRequest&) { return Serve(page); });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    EXPECT_EQ(LoadFrom(docs, a, shops), a + ": Param.xmp has errors!\r\n" + page);
}

TEST(CatalogueLoad, BodyShorterThanContentLengthFailsEvenWhenItIsXml) {
    const std::string xml = samples::SampleCatalogue();
    RawHttpServer server([&](const RawRequest&) {
        RawResponse r;
        r.bytes = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(xml.size() + 40) +
                  "\r\nConnection: close\r\n\r\n" + xml;
        return r;  // the connection closes after the XML, 40 bytes early
    });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    EXPECT_EQ(LoadFrom(docs, a, shops), a + ": Error downloading file " + a);
}

TEST(CatalogueLoad, ConnectionCutMidBodyFails) {
    RawHttpServer server([&](const RawRequest&) {
        RawResponse r = Serve(samples::SampleCatalogue());
        r.sendLimit = r.bytes.size() / 2;
        return r;
    });
    std::string body;
    const std::string a = server.url("/c");
    EXPECT_EQ(DownloadText(a, body), "Error downloading file " + a);
    EXPECT_FALSE(body.empty());  // what arrived stays in the buffer
}

TEST(CatalogueLoad, BodyLongerThanContentLengthFails) {
    RawHttpServer server([](const RawRequest&) {
        RawResponse r;
        r.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n<a/>\nEXTRA";
        return r;
    });
    std::string body;
    const std::string a = server.url("/c");
    EXPECT_EQ(DownloadText(a, body), "Error downloading file " + a);
}

TEST(CatalogueLoad, AnswerWithoutContentLengthIsAccepted) {
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK", samples::SampleCatalogue(), {}, /*withLength=*/false);
    });
    CXmlDocuments docs;
    ShopList shops;
    EXPECT_EQ(LoadFrom(docs, server.url("/c"), shops), "");
    EXPECT_EQ(docs.GetProductCount(), 3);
}

TEST(CatalogueLoad, ChunkedAnswerIsAccepted) {
    RawHttpServer server([](const RawRequest&) {
        const std::string xml = samples::SampleCatalogue();
        std::string chunked;
        for (std::size_t i = 0; i < xml.size(); i += 100) {
            const std::string piece = xml.substr(i, 100);
            char size[16];
            std::snprintf(size, sizeof size, "%zx", piece.size());
            chunked += std::string(size) + "\r\n" + piece + "\r\n";
        }
        chunked += "0\r\n\r\n";
        return RawResponse::Http(200, "OK", chunked, "Transfer-Encoding: chunked\r\n", false);
    });
    std::string body;
    ASSERT_EQ(DownloadText(server.url("/c"), body), "");
    EXPECT_EQ(body, samples::SampleCatalogue());
}

TEST(CatalogueLoad, RefusedConnectionGivesTheTransportMessage) {
    std::string a;
    {
        RawHttpServer server([](const RawRequest&) { return Serve(""); });
        a = server.url("/c");
    }  // nobody listens on that port any more
    CXmlDocuments docs;
    ShopList shops;
    const std::string result = LoadFrom(docs, a, shops);
    ASSERT_EQ(result.rfind(a + ": ", 0), 0u) << result;
    EXPECT_NE(result.find("onnect"), std::string::npos) << result;
    EXPECT_EQ(result.find("Error downloading file"), std::string::npos);
}

TEST(CatalogueLoad, StallingServerFailsWithTheTransportMessage) {
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Serve(samples::SampleCatalogue());
        r.sendLimit = r.bytes.find("\r\n\r\n") + 4 + 10;  // headers and a little body
        r.after = RawResponse::After::Stall;
        return r;
    });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    const std::string result = LoadFrom(docs, a, shops, /*stallSeconds=*/1);
    ASSERT_EQ(result.rfind(a + ": ", 0), 0u) << result;
    EXPECT_NE(result.find("too slow"), std::string::npos) << result;
}

TEST(CatalogueLoad, ServerThatNeverAnswersFails) {
    RawHttpServer server([](const RawRequest&) {
        RawResponse r;
        r.after = RawResponse::After::Stall;  // not even a status line
        return r;
    });
    std::string body;
    DownloadSettings settings;
    settings.transfer.stallSeconds = 1;
    const std::string result = DownloadText(server.url("/c"), body, settings);
    EXPECT_NE(result.find("too slow"), std::string::npos) << result;
}

TEST(CatalogueLoad, AnswerOverTheLimitIsRefused) {
    const std::size_t big = (std::size_t(32) << 20) + 1;
    for (const bool withLength : {true, false}) {
        RawHttpServer server([&](const RawRequest&) {
            return RawResponse::Http(200, "OK", std::string(big, 'x'), {}, withLength);
        });
        std::string body;
        const std::string a = server.url("/huge");
        EXPECT_EQ(DownloadText(a, body), "Error downloading file " + a +
                                             ": the answer is larger than 32 MiB and was refused")
            << withLength;
        EXPECT_LE(body.size(), std::size_t(32) << 20);
    }
}

TEST(CatalogueLoad, AnswerAtTheLimitIsAccepted) {
    RawHttpServer server([](const RawRequest&) { return Serve(std::string(4096, 'y')); });
    std::string body;
    DownloadSettings settings;
    settings.maxBodyBytes = 4096;
    EXPECT_EQ(DownloadText(server.url("/c"), body, settings), "");
    EXPECT_EQ(body.size(), 4096u);
}

TEST(CatalogueLoad, RedirectsAreFollowedUpToALimit) {
    RawHttpServer server([](const RawRequest& r) {
        if (r.target == "/old") {
            return RawResponse::Http(302, "Found", "", "Location: /new\r\n");
        }
        if (r.target == "/loop") {
            return RawResponse::Http(302, "Found", "", "Location: /loop\r\n");
        }
        return Serve(samples::SampleCatalogue());
    });
    CXmlDocuments docs;
    ShopList shops;
    EXPECT_EQ(LoadFrom(docs, server.url("/old"), shops), "");
    EXPECT_EQ(server.requests().at(1).target, "/new");

    std::string body;
    const std::string result = DownloadText(server.url("/loop"), body);
    EXPECT_NE(result.find("edirect"), std::string::npos) << result;
    EXPECT_LE(server.requestCount(), 2u + 1u + 5u);
}

TEST(CatalogueLoad, RedirectToAnotherSchemeIsNotFollowed) {
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(302, "Found", "", "Location: file:///etc/passwd\r\n");
    });
    std::string body;
    const std::string result = DownloadText(server.url("/c"), body);
    EXPECT_NE(result, "");
    EXPECT_EQ(body.find("root:"), std::string::npos);
}

TEST(CatalogueLoad, AddressOfAnotherSchemeIsRefused) {
    CXmlDocuments docs;
    ShopList shops;
    const std::string result = docs.Load("file:///etc/hostname", shops);
    ASSERT_EQ(result.rfind("file:///etc/hostname: ", 0), 0u);
    EXPECT_GT(result.size(), std::string("file:///etc/hostname: ").size());
    EXPECT_EQ(docs.GetProductCount(), 0);
}

TEST(CatalogueLoad, TryAgainDownloadsAndParsesAfresh) {
    std::atomic<int> calls{0};
    RawHttpServer server([&](const RawRequest&) {
        const int n = ++calls;
        if (n == 1) {
            return RawResponse::Http(500, "Broken", "");
        }
        if (n == 2) {
            return Serve(samples::SampleCatalogue());
        }
        return Serve(
            "<affiliateinfo><affiliate id=\"B\"/><products><p/></products>"
            "<shops><s city=\"Leeds\"/></shops></affiliateinfo>");
    });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    EXPECT_NE(LoadFrom(docs, a, shops), "");
    EXPECT_EQ(LoadFrom(docs, a, shops), "");
    EXPECT_EQ(docs.GetProductCount(), 3);
    EXPECT_EQ(LoadFrom(docs, a, shops), "");
    EXPECT_EQ(docs.GetProductCount(), 1);
    EXPECT_EQ(docs.GetCurrency(), "");
    ASSERT_EQ(shops.size(), 1u);
    EXPECT_EQ(shops[0].city, "Leeds");
    EXPECT_EQ(
        docs.manifestTemplate().selectSingle("transfermanifest/extra").attribute("affiliateid"),
        "B");
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST(CatalogueLoad, CatalogueWithoutProductsFailsWithException) {
    RawHttpServer server([](const RawRequest&) {
        return Serve("<affiliateinfo><affiliate id=\"1\"/></affiliateinfo>");
    });
    CXmlDocuments docs;
    ShopList shops;
    const std::string a = server.url("/c");
    EXPECT_EQ(LoadFrom(docs, a, shops), a + ": Exception!");
}

TEST(CatalogueLoad, DrippingServerEndsAtTheDeadline) {
    EXPECT_LE(DownloadSettings{}.transfer.totalSeconds, 120);
    EXPECT_GT(DownloadSettings{}.transfer.totalSeconds, 0);
    // A few bytes a second: never slow enough for the stall limit.
    RawHttpServer server([](const RawRequest&) {
        RawResponse r = Serve(samples::SampleCatalogue());
        r.drip = std::chrono::milliseconds(20);
        return r;
    });
    std::string body;
    DownloadSettings settings;
    settings.transfer.stallSeconds = 2;
    settings.transfer.totalSeconds = 2;
    const std::string result = DownloadText(server.url("/c"), body, settings);
    EXPECT_NE(result.find("timed out"), std::string::npos) << result;
}

TEST(CatalogueLoad, PagesThatAreNotOneWellFormedDocumentHaveErrors) {
    const std::string catalogue = samples::SampleCatalogue();
    const std::string declaration = catalogue.substr(0, catalogue.find("?>") + 2);
    const std::string root = catalogue.substr(declaration.size());
    const std::string kPages[] = {
        "<br />\n<b>Fatal error</b>:  Uncaught Exception in /srv/cat.php:12\n",
        "<br />\n<b>Warning</b>:  session_start() in /srv/cat.php on line 3<br />\n" + catalogue,
        catalogue + "<!-- generated -->\n<affiliateinfo/>",
        declaration + root.substr(0, root.find("</affiliateinfo>")) + "&nbsp;</affiliateinfo>",
    };
    for (const std::string& page : kPages) {
        RawHttpServer server([&](const RawRequest&) { return Serve(page); });
        CXmlDocuments docs;
        ShopList shops;
        const std::string a = server.url("/c");
        EXPECT_EQ(LoadFrom(docs, a, shops), a + ": Param.xmp has errors!\r\n" + page);
        EXPECT_EQ(docs.GetProductCount(), 0);
    }
}

TEST(CatalogueLoad, CatalogueInAWindowsCodePageReadsAsItsCharacters) {
    std::string catalogue = samples::SampleCatalogue();
    catalogue.replace(catalogue.find("UTF-8"), 5, "windows-1252");
    catalogue.replace(catalogue.find("6 x 4 inch gloss"), 16, "Caf\xE9 \x80");
    RawHttpServer server([&](const RawRequest&) { return Serve("\n" + catalogue); });
    CXmlDocuments docs;
    ShopList shops;
    ASSERT_EQ(LoadFrom(docs, server.url("/c"), shops), "");
    EXPECT_EQ(docs.GetProductName(0), "Caf\xC3\xA9 \xE2\x82\xAC");
}
