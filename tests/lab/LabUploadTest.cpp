// Photos uploaded to the running lab: what it answers and what it keeps.

#include <turbojpeg.h>

#include <fstream>
#include <thread>

#include "lab/SamplePhotoMaker.h"
#include "tests/lab/LabFixture.h"

namespace orlavo::labtest {
namespace {

namespace fs = std::filesystem;

const std::string& Photo() {
    static const std::string photo = lab::SamplePhotoMaker::MakePhoto(0);
    return photo;
}

class LabUpload : public LabFixture {
protected:
    void SetUp() override { startLab(); }

    // Sends CONTENT with a manifest made from FIELDS (its size set to match
    // unless it is set already) and gives the answer page's title.
    std::string send(ManifestFields fields, const std::string& content = Photo(),
                     const std::string& partName = "C:\\Pictures\\img_01.jpg") {
        if (fields.size == 0)
            fields.size = content.size();
        auto res = Upload(*client_, partName, content, fields.xml());
        if (!res)
            return "(no answer)";
        return Title(res->body);
    }

    std::string everythingStored() const {
        std::string all;
        for (const std::string& f : FilesBelow(dir()))
            all += ReadFile(dir() / f);
        return all;
    }
};

TEST_F(LabUpload, KeepsAnAcceptedPhotoAndItsManifestWithoutTheCardDetails) {
    ManifestFields m;
    EXPECT_EQ(send(m), "DONE");
    auto files = FilesBelow(ordersDir() / m.uniqueId);
    ASSERT_EQ(files, (std::vector<std::string>{"photo-001-img_01.jpg", "photo-001.xml"}));
    EXPECT_EQ(ReadFile(ordersDir() / m.uniqueId / files[0]), Photo());

    std::string manifest = ReadFile(ordersDir() / m.uniqueId / files[1]);
    EXPECT_NE(manifest.find("ccnumber=\"xxxxxxxxxxxx1111\""), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("securitycode"), std::string::npos);
    EXPECT_NE(manifest.find("uniqueid=\"" + m.uniqueId + "\""), std::string::npos);
    std::string all = everythingStored();
    EXPECT_EQ(all.find("4111111111111111"), std::string::npos);
    EXPECT_EQ(all.find("737"), std::string::npos);
}

TEST_F(LabUpload, OrderIsCompleteWhenAllItsPhotosHaveArrived) {
    ManifestFields m;
    m.photoCount = 2;
    m.uniqueId = "ORDERTWOPHOTOS1";
    ASSERT_EQ(send(m), "DONE");
    std::string album = client_->Get("/album")->body;
    EXPECT_EQ(album.find(m.uniqueId), std::string::npos) << "one photo of two is no order yet";

    m.photoNumber = 2;
    m.fileName = "img_02.jpg";
    m.products = {{"101", 1}, {"106", 2, 1}};
    ASSERT_EQ(send(m), "DONE");
    album = client_->Get("/album")->body;
    EXPECT_NE(album.find(m.uniqueId), std::string::npos);
    EXPECT_NE(album.find("img_02.jpg"), std::string::npos);
    EXPECT_NE(album.find("A4 enlargement"), std::string::npos);
    EXPECT_EQ(album.find("4111111111111111"), std::string::npos);

    // The album's thumbnails are small JPEGs the lab makes itself.
    for (int n : {1, 2}) {
        std::string path = "/album/" + m.uniqueId + "/" + std::to_string(n) + "/thumb";
        EXPECT_NE(album.find(path), std::string::npos);
        auto thumb = client_->Get(path);
        ASSERT_TRUE(thumb);
        ASSERT_EQ(thumb->status, 200);
        EXPECT_EQ(thumb->get_header_value("Content-Type"), "image/jpeg");
        tjhandle h = tjInitDecompress();
        int w = 0, hgt = 0, sub = 0, cs = 0;
        ASSERT_EQ(tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(thumb->body.data()),
                                      thumb->body.size(), &w, &hgt, &sub, &cs),
                  0);
        tjDestroy(h);
        EXPECT_LE(std::max(w, hgt), 200);
        EXPECT_GT(std::min(w, hgt), 0);
    }
    EXPECT_EQ(client_->Get("/album/" + m.uniqueId + "/1/photo")->body, Photo());
}

TEST_F(LabUpload, PhotoSentAgainReplacesItsEarlierCopy) {
    ManifestFields m;
    m.photoCount = 3;
    m.fileName = "first.jpg";
    ASSERT_EQ(send(m, "AAAA"), "DONE");
    m.fileName = "second.jpg";
    ASSERT_EQ(send(m, "BBBBBB"), "DONE");
    auto files = FilesBelow(ordersDir() / m.uniqueId);
    ASSERT_EQ(files, (std::vector<std::string>{"photo-001-second.jpg", "photo-001.xml"}));
    EXPECT_EQ(ReadFile(ordersDir() / m.uniqueId / files[0]), "BBBBBB");
}

TEST_F(LabUpload, CardFailingTheCheckIsRefusedAndNothingKept) {
    ManifestFields m;
    m.cardNumber = "4111111111111112";
    EXPECT_EQ(send(m), "INVALID_CREDIT_CARD");
    m.cardNumber = "";
    EXPECT_EQ(send(m), "INVALID_CREDIT_CARD");
    m.cardNumber = "4111 1111 1111 111x";
    EXPECT_EQ(send(m), "INVALID_CREDIT_CARD");
    m.cardNumber = "4111111111111111";
    m.expireYear = "2001";
    EXPECT_EQ(send(m), "INVALID_CREDIT_CARD");
    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
}

TEST_F(LabUpload, AManifestThatWouldNotReadBackIsRefusedNotAnsweredDone) {
    // Taken by the reader, but once its card number is masked it is written in
    // its declared ISO-8859-1 with a name that encoding cannot hold.
    ManifestFields m;
    m.size = Photo().size();
    std::string xml = m.xml();
    xml.replace(xml.find("<?xml"), 5, "<?xMl");
    xml.insert(xml.find("<user ") + 6, "n\xC4\x80=\"1\" ");
    auto res = Upload(*client_, "a.jpg", Photo(), xml);
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");
    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
}

TEST_F(LabUpload, MethodsWithoutCardNeedNoCardNumber) {
    for (const char* method : {"6", "9"}) {
        ManifestFields m;
        m.uniqueId = std::string("NOCARD") + method;
        m.payType = method;
        m.cardNumber = "";
        m.storeId = "11";
        EXPECT_EQ(send(m), "DONE") << method;
    }
    EXPECT_NE(client_->Get("/album")->body.find("Orlavo Photo York Minster"), std::string::npos);
}

TEST_F(LabUpload, RefusesPhotosThatDoNotMatchTheirManifestOrTheCatalogue) {
    ManifestFields unknownProduct;
    unknownProduct.products = {{"101", 1}, {"999", 1}};
    EXPECT_EQ(send(unknownProduct), "UNABLE_SEND_ORDER");

    ManifestFields wrongSize;
    wrongSize.size = Photo().size() + 1;
    EXPECT_EQ(send(wrongSize), "UNABLE_SEND_ORDER");

    ManifestFields noProduct;
    noProduct.products = {};
    EXPECT_EQ(send(noProduct), "UNABLE_SEND_ORDER");

    ManifestFields zeroQty;
    zeroQty.products = {{"101", 0}};
    EXPECT_EQ(send(zeroQty), "UNABLE_SEND_ORDER");

    ManifestFields numberTooHigh;
    numberTooHigh.photoNumber = 3;
    numberTooHigh.photoCount = 2;
    EXPECT_EQ(send(numberTooHigh), "UNABLE_SEND_ORDER");

    ManifestFields unknownPayment;
    unknownPayment.payType = "4";
    EXPECT_EQ(send(unknownPayment), "UNABLE_SEND_ORDER");

    auto res = Upload(*client_, "a.jpg", Photo(), "this is not XML");
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");

    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
}

TEST_F(LabUpload, RefusesMalformedForms) {
    // Fields missing.
    httplib::MultipartFormDataItems onlyFile = {{"file", Photo(), "a.jpg", "image/pjpeg"}};
    auto res = client_->Post("/upload", onlyFile);
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");
    ManifestFields m;
    m.size = Photo().size();
    httplib::MultipartFormDataItems noFile = {{"transfermanifest", m.xml(), "", ""}};
    res = client_->Post("/upload", noFile);
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");

    // A body that is no multipart form at all, and one cut short.
    res = client_->Post("/upload", "garbage without boundaries",
                        "multipart/form-data; boundary=" + std::string(kBoundary));
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");
    std::string cut = MultipartBody({{"transfermanifest", m.xml()}}, "a.jpg", Photo());
    cut.resize(cut.size() / 2);
    res = client_->Post("/upload", cut, "multipart/form-data; boundary=" + std::string(kBoundary));
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");
    res = client_->Post("/upload", "x=1", "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(Title(res->body), "UNABLE_SEND_ORDER");

    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
    // Still serving.
    EXPECT_EQ(send(ManifestFields{}), "DONE");
}

TEST_F(LabUpload, OrderIdsThatCouldNameOtherFoldersAreRefused) {
    for (const char* id : {"../../escape", "a/b", "..", "", "a\\b", "with space"}) {
        ManifestFields m;
        m.uniqueId = id;
        EXPECT_EQ(send(m), "UNABLE_SEND_ORDER") << id;
    }
    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
    EXPECT_FALSE(fs::exists(dir().parent_path() / "escape"));
}

TEST_F(LabUpload, FileNamesFromTheRequestStayInsideTheOrderFolder) {
    ManifestFields m;
    m.fileName = "../../../x.jpg";
    EXPECT_EQ(send(m, Photo(), "../x"), "DONE");
    m.photoCount = 2;
    m.photoNumber = 2;
    m.fileName = "";
    EXPECT_EQ(send(m, Photo(), "../../y.jpg"), "DONE");
    auto files = FilesBelow(dir());
    EXPECT_EQ(files, (std::vector<std::string>{"orders/" + m.uniqueId + "/photo-001-x.jpg",
                                               "orders/" + m.uniqueId + "/photo-001.xml",
                                               "orders/" + m.uniqueId + "/photo-002-y.jpg",
                                               "orders/" + m.uniqueId + "/photo-002.xml"}));
    EXPECT_FALSE(fs::exists(dir().parent_path() / "x.jpg"));
    EXPECT_FALSE(fs::exists(dir().parent_path() / "y.jpg"));
}

TEST_F(LabUpload, UploadsThatBrokeOffLeaveNothingThatCounts) {
    // What an upload cut short while being written leaves: a temporary file.
    fs::path order = ordersDir() / "BROKENOFF000001";
    fs::create_directories(order);
    std::ofstream(order / ".incoming-7-123") << "half a photo";
    lab_->stop();
    startLab();
    EXPECT_TRUE(FilesBelow(order).empty());
    EXPECT_EQ(client_->Get("/album")->body.find("BROKENOFF000001"), std::string::npos);
}

TEST_F(LabUpload, AcceptsTheWizardsExactRequest) {
    // The wizard's boundary, headers and full Windows path as the file name.
    ManifestFields m;
    m.size = Photo().size();
    std::string body = MultipartBody({{"transfermanifest", m.xml()}},
                                     "C:\\Pictures\\Holiday\\img_01.jpg", Photo());
    std::string head =
        "POST /upload HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/vnd.ms-excel, application/msword, application/vnd.ms-powerpoint, "
        "application/pdf, */*\r\nAccept-Language: en-us\r\nContent-Type: multipart/form-data; "
        "boundary=" +
        std::string(kBoundary) +
        "\r\nProxy-Connection: Keep-Alive\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; "
        "Windows NT 5.0; .NET CLR 1.0.3328)\r\nHost: 127.0.0.1\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    std::string answer = RawExchange(lab_->port(), head + body);
    EXPECT_EQ(Title(answer), "DONE") << answer;
    EXPECT_TRUE(fs::exists(ordersDir() / m.uniqueId / "photo-001-img_01.jpg"));
}

TEST_F(LabUpload, ServesSeveralClientsAtOnce) {
    // A client that has sent only half its request holds one connection ...
    ManifestFields slow;
    slow.uniqueId = "SLOWCLIENT00001";
    slow.size = Photo().size();
    std::string body = MultipartBody({{"transfermanifest", slow.xml()}}, "slow.jpg", Photo());
    std::string request =
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
        "boundary=" +
        std::string(kBoundary) + "\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    RawConnection held(lab_->port());
    ASSERT_TRUE(held.send(request.substr(0, request.size() / 2)));

    // ... while two others send whole orders of three photos each.
    std::vector<std::string> titles(6);
    std::vector<std::thread> clients;
    for (int c = 0; c < 2; ++c) {
        clients.emplace_back([&, c] {
            auto client = newClient();
            for (int n = 1; n <= 3; ++n) {
                ManifestFields m;
                m.uniqueId = "PARALLELORDER0" + std::to_string(c);
                m.photoNumber = n;
                m.photoCount = 3;
                m.size = Photo().size();
                auto res = Upload(*client, "p.jpg", Photo(), m.xml());
                titles[static_cast<std::size_t>(c * 3 + n - 1)] =
                    res ? Title(res->body) : "(no answer)";
            }
        });
    }
    for (auto& t : clients)
        t.join();
    for (const std::string& t : titles)
        EXPECT_EQ(t, "DONE");

    ASSERT_TRUE(held.send(request.substr(request.size() / 2)));
    EXPECT_EQ(Title(held.receiveAll()), "DONE");
    std::string album = client_->Get("/album")->body;
    EXPECT_NE(album.find("PARALLELORDER00"), std::string::npos);
    EXPECT_NE(album.find("PARALLELORDER01"), std::string::npos);
    EXPECT_NE(album.find("SLOWCLIENT00001"), std::string::npos);
}

TEST_F(LabUpload, BodiesAboveTheLimitAreRefused) {
    lab_->stop();
    startLab({"--max-body-mb", "1"});
    ManifestFields m;
    std::string big(1536 * 1024, 'J');
    std::string title = send(m, big);
    EXPECT_NE(title, "DONE");
    EXPECT_TRUE(FilesBelow(ordersDir()).empty());
    // A photo within the limit still goes through.
    EXPECT_EQ(send(m), "DONE");
}

}  // namespace
}  // namespace orlavo::labtest
