#include "wizard/transmission/SendUnits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/XmlDocument.h"
#include "tests/support/RawHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/transmission/JpegSamples.h"
#include "tests/transmission/OrderSample.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/UploadPreparation.h"

namespace orlavo::transmission {
namespace {

namespace fs = std::filesystem;

class Quiet : public UploadReporter {
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

std::string Attr(const std::string& manifest, const char* path, const char* name) {
    xml::Document m;
    return m.loadBytes(manifest) ? m.selectSingle(path).attribute(name) : std::string("?");
}

TEST(SendUnits, ALineWithItsOwnCropGoesAsAPhotoOfItsOwn) {
    wizard::OrderModel order(4);
    for (const char* p : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"})
        order.AddPhoto(p, 0, 100, 400, 300);
    // a: a shared line and a cropped one; b: only a cropped one; c: a crop
    // on a line whose Zoom and Trim is off counts for nothing; d: no line.
    order.SetQuantity(0, 0, 1);
    order.SetQuantity(0, 2, 3);
    order.SetZoomTrim(0, 2, 1);
    order.SetCrop(0, 2, {10, 20, 200, 150});
    order.SetQuantity(1, 1, 1);
    order.SetZoomTrim(1, 1, 1);
    order.SetCrop(1, 1, {0, 0, 100, 100});
    order.SetQuantity(2, 3, 1);
    order.SetZoomTrim(2, 3, 0);
    order.SetCrop(2, 3, {0, 0, 100, 100});
    order.TurnPhoto(1, true);

    const std::vector<SendUnit> units = SendUnits(order);
    EXPECT_EQ(units, (std::vector<SendUnit>{{0, -1}, {0, 2}, {1, 1}, {2, -1}}));

    const wizard::SelectedPhoto shared = UnitPhoto(order.photos()[0], units[0]);
    EXPECT_EQ(shared.orderLines[0].quantity, 1);
    EXPECT_EQ(shared.orderLines[2].quantity, 0);
    const wizard::SelectedPhoto cropped = UnitPhoto(order.photos()[0], units[1]);
    EXPECT_EQ(cropped.orderLines[0].quantity, 0);
    EXPECT_EQ(cropped.orderLines[2].quantity, 3);

    EXPECT_FALSE(UnitWork(order.photos()[0], units[0]).needed());
    EXPECT_EQ(UnitWork(order.photos()[0], units[1]), (PhotoWork{0, {10, 20, 200, 150}}));
    // The crop turned with its photo: 400 x 300 became 300 x 400.
    EXPECT_EQ(UnitWork(order.photos()[1], units[2]), (PhotoWork{90, {200, 0, 100, 100}}));
}

// The lab's side of an upload: the bytes of each request's file and manifest.
struct Received {
    std::string file;
    std::string manifest;
};

Received Split(const std::string& body, const std::string& path) {
    const std::string header = FilePartHeader(path, "image/pjpeg");
    const std::size_t end = body.find(std::string(kCrlf) + std::string(kDelimiterLine));
    Received r;
    if (body.rfind(header, 0) == 0 && end != std::string::npos) {
        r.file = body.substr(header.size(), end - header.size());
        const std::size_t xml = body.find("<?xml", end);
        r.manifest = body.substr(xml, body.find("\r\n", xml) - xml);
    }
    return r;
}

TEST(SendUnits, TurnedAndCroppedPhotosGoAsFilesOfTheirOwnAndTheRestByteForByte) {
    test::TempDir dir;
    wizard::CXmlDocuments docs;
    ASSERT_TRUE(samples::LoadSample(docs));
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    wizard::OrderModel order(docs.GetProductCount());
    std::vector<std::string> bytes, paths;
    for (int i = 0; i < 2; ++i) {
        bytes.push_back(test::Encode(test::Pattern(400 + 8 * i, 300), TJSAMP_420));
        paths.push_back(dir.write("photo " + std::to_string(i) + ".jpg", bytes.back()));
        order.AddPhoto(paths.back(), 0, bytes.back().size(), 400 + 8 * i, 300);
        order.SetQuantity(std::size_t(i), 0, 1);
    }
    order.TurnPhoto(0, false);
    order.SetQuantity(1, 1, 2);
    order.SetZoomTrim(1, 1, 1);
    order.SetCrop(1, 1, {64, 32, 200, 150});

    PreparedUpload prepared = PrepareUpload(docs, order);
    ASSERT_TRUE(prepared.ok) << prepared.message;
    ASSERT_EQ(prepared.items.size(), 3u);

    const fs::path parent = dir.path() / "sending";
    enum class End { Accepted, Refused, Cancelled };
    for (End end : {End::Accepted, End::Refused, End::Cancelled}) {
        SCOPED_TRACE(int(end));
        std::atomic<int> count{0};
        std::atomic<UploadSession*> running{nullptr};
        test::RawHttpServer server([&](const test::RawRequest&) {
            ++count;
            // The user cancels while the turned photo's file waits in the folder.
            if (end == End::Cancelled && count == 1 && running.load() != nullptr)
                running.load()->Cancel();
            const bool no = end == End::Refused && count == 3;
            return test::RawResponse::Http(
                200, "OK", no ? "<title>Card declined</title>" : "<title>DONE</title>", {}, true,
                true);
        });
        UploadSettings settings;
        settings.uploadUrl = server.url("/upload");
        settings.sendFolderParent = parent.string();
        Quiet quiet;
        UploadSession session(settings, prepared.items, prepared.totalBytes, quiet);
        running = &session;
        session.Run();
        EXPECT_TRUE(fs::is_empty(parent)) << "nothing written for the send is left";
        if (end == End::Cancelled) {
            EXPECT_TRUE(session.UserCancelled());
            EXPECT_EQ(count.load(), 1);
            continue;
        }
        EXPECT_EQ(session.ErrorMessage(), end == End::Refused ? "CARD DECLINED" : "");
        const std::vector<test::RawRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 3u);
        const Received turned = Split(requests[0].body, paths[0]);
        const Received whole = Split(requests[1].body, paths[1]);
        const Received cropped = Split(requests[2].body, paths[1]);

        EXPECT_EQ(whole.file, bytes[1]) << "untouched: byte for byte";
        EXPECT_EQ(test::Decode(turned.file).width, 300);
        EXPECT_EQ(test::Decode(turned.file).height, 400);
        EXPECT_EQ(test::Decode(cropped.file).width, 200);
        EXPECT_EQ(test::Decode(cropped.file).height, 150);
        for (const Received* r : {&turned, &whole, &cropped}) {
            EXPECT_EQ(Attr(r->manifest, "transfermanifest/file", "size"),
                      std::to_string(r->file.size()));
            EXPECT_EQ(Attr(r->manifest, "transfermanifest/extra", "numphotos"), "3");
        }
        EXPECT_EQ(Attr(cropped.manifest, "transfermanifest/file/product", "zoomtrim"), "1");
        EXPECT_EQ(Attr(cropped.manifest, "transfermanifest/file/product", "qty"), "2");
        EXPECT_EQ(Attr(cropped.manifest, "transfermanifest/file", "filename"), "photo 1.jpg");
    }
}

}  // namespace
}  // namespace orlavo::transmission
