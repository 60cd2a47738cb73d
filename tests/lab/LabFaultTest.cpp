// Each fault switch of the lab, seen from a client.

#include "lab/SamplePhotoMaker.h"
#include "platform/XmlDocument.h"
#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

namespace fs = std::filesystem;

const std::string& Photo() {
    static const std::string photo = lab::SamplePhotoMaker::MakePhoto(0);
    return photo;
}

std::string Header(const std::string& answer, const std::string& name) {
    std::string head = answer.substr(0, answer.find("\r\n\r\n"));
    std::size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return "(none)";
    at += name.size() + 4;
    return head.substr(at, head.find("\r\n", at) - at);
}

std::string Body(const std::string& answer) {
    std::size_t at = answer.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : answer.substr(at + 4);
}

const char kGetCatalogue[] = "GET /catalogue.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

class LabFaults : public LabFixture {
protected:
    std::string upload(int number, int count) {
        ManifestFields m;
        m.photoNumber = number;
        m.photoCount = count;
        m.size = Photo().size();
        auto res = Upload(*client_, "p.jpg", Photo(), m.xml());
        return res ? Title(res->body) : "(no answer)";
    }
};

TEST_F(LabFaults, RefusePhotoRefusesOnlyTheNthPhotoReceived) {
    startLab({"--refuse-photo", "2"});
    EXPECT_EQ(upload(1, 3), "DONE");
    EXPECT_EQ(upload(2, 3), "UNABLE_SEND_ORDER");
    EXPECT_EQ(upload(3, 3), "DONE");
    EXPECT_FALSE(fs::exists(ordersDir() / ManifestFields{}.uniqueId / "photo-002.xml"));
    EXPECT_EQ(upload(2, 3), "DONE");  // sent again, it is the fourth photo received
}

TEST_F(LabFaults, DropUploadCutsOnlyTheNthPhotoReceivedWithoutKeepingIt) {
    startLab({"--drop-upload", "2"});
    EXPECT_EQ(upload(1, 3), "DONE");
    EXPECT_EQ(upload(2, 3), "(no answer)");
    EXPECT_FALSE(fs::exists(ordersDir() / ManifestFields{}.uniqueId / "photo-002.xml"));
    // The next one, on a new connection, and the dropped photo sent again are taken.
    EXPECT_EQ(upload(3, 3), "DONE");
    EXPECT_EQ(upload(2, 3), "DONE");
    EXPECT_TRUE(fs::exists(ordersDir() / ManifestFields{}.uniqueId / "photo-002.xml"));
}

TEST_F(LabFaults, DropAfterBytesCutsRequestsThatAreLonger) {
    startLab({"--drop-after-bytes", "4000"});
    // A short request gets through ...
    auto small = client_->Get("/catalogue.xml");
    ASSERT_TRUE(small);
    EXPECT_EQ(small->status, 200);
    // ... a photo does not: no answer at all, and nothing is kept.
    EXPECT_EQ(upload(1, 1), "(no answer)");
    bool sent = true;
    ManifestFields m;
    m.size = Photo().size();
    std::string body = MultipartBody({{"transfermanifest", m.xml()}}, "p.jpg", Photo());
    std::string answer = RawExchange(
        lab_->port(),
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=" +
            std::string(kBoundary) + "\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\n\r\n" + body,
        &sent);
    EXPECT_EQ(answer, "");
    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
    // The server lives on.
    EXPECT_TRUE(client_->Get("/catalogue.xml"));
}

TEST_F(LabFaults, DelayHoldsEveryAnswerBack) {
    startLab({"--delay-ms", "2500"});
    auto impatient = newClient();
    impatient->set_read_timeout(0, 200000);  // far less than the delay
    EXPECT_FALSE(impatient->Get("/catalogue.xml"));
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
}

TEST_F(LabFaults, StatusSwitchSetsTheStatusOfEveryAnswer) {
    startLab({"--status", "503"});
    auto cat = client_->Get("/catalogue.xml");
    ASSERT_TRUE(cat);
    EXPECT_EQ(cat->status, 503);
    EXPECT_NE(cat->body.find("affiliateinfo"), std::string::npos);
    EXPECT_EQ(client_->Get("/help")->status, 503);
    EXPECT_EQ(client_->Get("/nothing")->status, 503);
    auto price = PostPrice(*client_, PriceRequestFields{}.xml());
    ASSERT_TRUE(price);
    EXPECT_EQ(price->status, 503);
    ManifestFields m;
    m.size = Photo().size();
    auto up = Upload(*client_, "p.jpg", Photo(), m.xml());
    ASSERT_TRUE(up);
    EXPECT_EQ(up->status, 503);
}

TEST_F(LabFaults, NoContentLengthEndsTheAnswerByClosing) {
    startLab({"--no-content-length"});
    std::string answer = RawExchange(lab_->port(), kGetCatalogue);
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_EQ(Header(answer, "Content-Length"), "(none)");
    EXPECT_EQ(Header(answer, "Transfer-Encoding"), "(none)");
    EXPECT_EQ(Header(answer, "Connection"), "close");
    xml::Document doc;
    EXPECT_TRUE(doc.loadBytes(Body(answer)));
    // A client reads such an answer to its end.
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, Body(answer));
    EXPECT_EQ(upload(1, 1), "DONE");
}

TEST_F(LabFaults, TruncateBodyAnnouncesMoreThanItSends) {
    startLab({"--truncate-body"});
    std::string answer = RawExchange(lab_->port(), kGetCatalogue);
    std::string length = Header(answer, "Content-Length");
    ASSERT_NE(length, "(none)") << answer;
    EXPECT_GT(std::stoul(length), Body(answer).size());
    EXPECT_NE(Body(answer).find("affiliateinfo"), std::string::npos);
    EXPECT_FALSE(client_->Get("/catalogue.xml"));
}

TEST_F(LabFaults, HtmlCatalogueIsAPageThatIsNoXml) {
    startLab({"--html-catalogue"});
    auto res = client_->Get("/catalogue.xml");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type").rfind("text/html", 0), 0u);
    EXPECT_NE(res->body.find("<html>"), std::string::npos);
    xml::Document doc;
    EXPECT_FALSE(doc.loadBytes(res->body));
    // The rest of the lab works as before.
    EXPECT_EQ(upload(1, 1), "DONE");
}

TEST_F(LabFaults, WithoutSwitchesAnswersAreWholeAndKeptAlive) {
    startLab();
    std::string two = std::string(kGetCatalogue) +
                      "GET /catalogue.xml HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    std::string answer = RawExchange(lab_->port(), two);
    std::size_t first = answer.find("HTTP/1.1 200");
    std::size_t second = answer.find("HTTP/1.1 200", first + 1);
    EXPECT_NE(second, std::string::npos) << "two answers on one connection";
    EXPECT_EQ(Header(answer, "Content-Length"),
              std::to_string(client_->Get("/catalogue.xml")->body.size()));
}

}  // namespace
}  // namespace orlavo::labtest
