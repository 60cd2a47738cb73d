#include "wizard/transmission/UploadPreparation.h"

#include <gtest/gtest.h>

#include <mutex>

#include "platform/XmlDocument.h"
#include "tests/support/PhotoSamples.h"
#include "tests/support/RawHttpServer.h"
#include "tests/transmission/OrderSample.h"
#include "tests/transmission/TempFiles.h"

namespace orlavo::transmission {
namespace {

using test::RawHttpServer;
using test::RawRequest;
using test::RawResponse;

class NullReporter : public UploadReporter {
public:
    void OrderRange(int max) override { orderRange = max; }
    void OrderPosition(int) override {}
    void ImageRange(int) override {}
    void ImagePosition(int) override {}
    void Thumbnail(int index) override { thumbnails.push_back(index); }
    void Estimate(const std::string&) override {}
    void Notice(const std::string&) override {}
    void Finished() override {}
    int orderRange = -1;
    std::vector<int> thumbnails;
};

class UploadPreparationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(samples::LoadSample(docs));
        ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
        order.setProductCount(docs.GetProductCount());
        for (int i = 0; i < 3; ++i) {
            std::string bytes = test::PatternBytes(1000 + static_cast<std::size_t>(i) * 100);
            std::string path = folder.write("photo" + std::to_string(i) + ".jpg", bytes);
            order.AddPhoto(path, 0, bytes.size(), 640, 480);
        }
        // The middle photo has no line and is not sent.
        order.SetQuantity(0, 0, 1);
        order.SetQuantity(2, 3, 2);
    }
    test::TempDir folder;
    wizard::CXmlDocuments docs;
    wizard::OrderModel order;
};

TEST_F(UploadPreparationTest, PhotosWithLinesAreNumberedOneToNUnderOneOrderId) {
    PreparedUpload p = PrepareUpload(docs, order);
    ASSERT_TRUE(p.ok) << p.message;
    ASSERT_EQ(p.items.size(), 2u);
    EXPECT_EQ(p.orderId.size(), 15u);
    // Only the two photos that are sent count, with their whole requests.
    EXPECT_EQ(p.totalBytes, RequestBodyLength(p.items[0]) + RequestBodyLength(p.items[1]));
    EXPECT_EQ(p.items[0].photoIndex, 0);
    EXPECT_EQ(p.items[1].photoIndex, 2);
    EXPECT_EQ(p.items[1].size, 1200u);
    EXPECT_EQ(p.items[1].mediaType, "image/pjpeg");
    for (std::size_t i = 0; i < 2; ++i) {
        xml::Document m;
        ASSERT_TRUE(m.loadBytes(p.items[i].manifest));
        EXPECT_EQ(m.selectSingle("transfermanifest/file").attribute("currentnumphoto"),
                  std::to_string(i + 1));
        EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("numphotos"), "2");
        EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("uniqueid"), p.orderId);
    }
}

TEST_F(UploadPreparationTest, APhoneFormatGoesAsAJpegNamedByItsStem) {
    const std::string png =
        folder.write("IMG_0004.PNG", test::PngBytes(QImage(40, 30, QImage::Format_RGB32)));
    // The photo's recorded type is its own; what goes is a JPEG all the same.
    order.AddPhoto(png, 3, 900, 40, 30);
    order.SetQuantity(3, 0, 1);
    for (bool remove : {true, false}) {
        SCOPED_TRACE(remove);
        PreparedUpload p = PrepareUpload(docs, order, {}, remove);
        ASSERT_TRUE(p.ok) << p.message;
        ASSERT_EQ(p.items.size(), 3u);
        const UploadItem& item = p.items[2];
        EXPECT_EQ(item.path, png);
        EXPECT_EQ(item.formName(), folder.file("IMG_0004.jpg"));
        EXPECT_EQ(item.mediaType, "image/pjpeg");
        EXPECT_TRUE(item.work.convert);
        EXPECT_FALSE(item.work.toSrgb) << "the sample lab does not ask for sRGB";
        EXPECT_EQ(item.work.removeLocation, remove);
        xml::Document m;
        ASSERT_TRUE(m.loadBytes(item.manifest));
        EXPECT_EQ(m.selectSingle("transfermanifest/file").attribute("filename"), "IMG_0004.jpg");
        EXPECT_EQ(m.selectSingle("transfermanifest/file").attribute("contenttype"), "image/pjpeg");
        // The JPEG photos are not converted, and take the same choice.
        EXPECT_FALSE(p.items[0].work.convert);
        EXPECT_EQ(p.items[0].formName(), p.items[0].path);
        EXPECT_EQ(p.items[0].work.removeLocation, remove);
    }
}

TEST_F(UploadPreparationTest, ManifestThatCannotBeBuiltStopsBeforeAnythingIsSent) {
    ASSERT_TRUE(docs.manifestTemplate().loadXml("<transfermanifest><user/></transfermanifest>"));
    PreparedUpload p = PrepareUpload(docs, order);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.message, "Unspecified error");
    EXPECT_TRUE(p.items.empty());
}

TEST_F(UploadPreparationTest, TwoOfThreePhotosReachTheServerAsOneOrder) {
    PreparedUpload p = PrepareUpload(docs, order);
    ASSERT_TRUE(p.ok);
    RawHttpServer server([](const RawRequest&) {
        return RawResponse::Http(200, "OK", "<title>DONE</title>", {}, true, true);
    });
    UploadSettings settings;
    settings.uploadUrl = server.url("/upload");
    NullReporter reporter;
    UploadSession session(settings, p.items, p.totalBytes, reporter);
    session.Run();
    EXPECT_EQ(session.ErrorMessage(), "");
    EXPECT_EQ(reporter.orderRange, 2);
    EXPECT_EQ(reporter.thumbnails, (std::vector<int>{1, 3}));
    std::vector<RawRequest> reqs = server.requests();
    ASSERT_EQ(reqs.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(reqs[i].body.find("uniqueid=\"" + p.orderId + "\""), std::string::npos);
        EXPECT_NE(reqs[i].body.find("currentnumphoto=\"" + std::to_string(i + 1) + "\""),
                  std::string::npos);
        EXPECT_NE(reqs[i].body.find("numphotos=\"2\""), std::string::npos);
    }
    EXPECT_NE(reqs[1].body.find("filename=\"photo2.jpg\""), std::string::npos);
}

}  // namespace
}  // namespace orlavo::transmission
