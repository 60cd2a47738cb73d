// An order of phone photos (HEIC, PNG, TIFF, WebP and a JPEG, each taken
// somewhere) sent by orlavo-order to a real orlavo-lab: the lab keeps five
// JPEGs, upright in its album, with their camera and date and without any
// GPS tag (as exiftool reads them); the JPEG's picture data arrives byte for
// byte. --keep-location sends the location along.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "tests/photos/TestPhotos.h"
#include "tests/support/LabProcess.h"
#include "tests/support/PhotoSamples.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "wizard/photos/JpegInfo.h"

namespace fs = std::filesystem;

namespace orlavo {
namespace {

const char* kDetails =
    "firstname=Ada\nlastname=Byron\naddress1=1 Mill Lane\ncity=Bath\nzip=BA1 1AA\n"
    "country=United Kingdom\nemail=ada@example.com\nsameasbilling=yes\npayment=1\n"
    "nameoncard=A BYRON\nccexpiremonth=12\nccexpireyear=2099\n";

// Tags exiftool reads in FILE, "Group:Tag" -> value.
std::map<std::string, std::string> ExifTool(const fs::path& file, const fs::path& scratch) {
    const test::ProgramResult r = test::RunProgram(
        "/usr/bin/exiftool", {"-G1", "-a", "-s", "-n", file.string()}, {}, scratch);
    std::map<std::string, std::string> tags;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t close = line.find(']'), colon = line.find(" : ");
        if (line.empty() || line[0] != '[' || close == std::string::npos ||
            colon == std::string::npos)
            continue;
        std::string tag = line.substr(close + 1, colon - close - 1);
        tag.erase(0, tag.find_first_not_of(' '));
        tag.erase(tag.find_last_not_of(' ') + 1);
        tags[line.substr(1, close - 1) + ":" + tag] = line.substr(colon + 3);
    }
    return tags;
}

std::string Get(const std::string& url) {
    std::string body;
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(
        c, CURLOPT_WRITEFUNCTION, +[](char* p, size_t s, size_t n, void* out) {
            static_cast<std::string*>(out)->append(p, s * n);
            return s * n;
        });
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(c);
    curl_easy_cleanup(c);
    return body;
}

QImage Decode(const std::string& jpeg) {
    tjhandle h = tjInitDecompress();
    int w = 0, ht = 0, sub = 0, cs = 0;
    const auto* d = reinterpret_cast<const unsigned char*>(jpeg.data());
    QImage image;
    if (tjDecompressHeader3(h, d, jpeg.size(), &w, &ht, &sub, &cs) == 0) {
        image = QImage(w, ht, QImage::Format_RGB888);
        tjDecompress2(h, d, jpeg.size(), image.bits(), w, int(image.bytesPerLine()), ht, TJPF_RGB,
                      0);
    }
    tjDestroy(h);
    return image;
}

std::string ScanData(const std::string& jpeg) {
    const wizard::JpegInfo info =
        wizard::ReadJpegInfo(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    return info.scanOffset > 0 ? jpeg.substr(info.scanOffset) : std::string();
}

class PhoneFormatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/exiftool"))
            GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
        ASSERT_TRUE(lab.running()) << lab.error();
        registry = (folder.path() / "registry.sqlite3").string();
        RegistryStore store(RegistryRoot("Phone", "OrlavoW"), registry);
        ASSERT_TRUE(store.setText("DownloadInfo", "DownloadURL", lab.url("/catalogue.xml")));
        ASSERT_TRUE(store.setText("DownloadInfo", "UploadURL", lab.url("/upload")));
        ASSERT_TRUE(store.setText("DownloadInfo", "PriceRequestURL", lab.url("/price")));
        details = folder.write("details.txt", kDetails);
        // Stored on its side, seen turned a quarter clockwise; taken in Paris.
        const QImage picture = test::Quadrants(400, 300);
        const std::string exif = test::PhoneExif(false, 6, true, 400, 300);
        fs::create_directory(folder.path() / "phone");
        const auto put = [&](const char* name, const std::string& bytes) {
            const fs::path p = folder.path() / "phone" / name;
            test::WriteFile(p, bytes);
            photos.push_back(p.string());
        };
        put("IMG_0001.HEIC", test::HeicBytes(picture, 6, exif, test::PhoneXmp(true), 160));
        put("Screenshot.png", test::PngBytes(picture, test::PhoneExif(true, 6, true)));
        put("scan.tiff", test::TiffBytes(picture, 6, false, true));
        put("shared.webp", test::WebpBytes(picture, exif));
        put("IMG_0005.jpg", test::JpegBytes(picture, exif, test::PhoneXmp(true)));
    }

    test::ProgramResult Order(std::vector<std::string> extra) {
        std::vector<std::string> args = {"--profile", "Phone", "--details", details, "--yes"};
        for (const std::string& p : photos) {
            args.push_back(p);
            args.push_back("--print");
            args.push_back("0:1");
        }
        args.insert(args.end(), extra.begin(), extra.end());
        return test::RunProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-order", args,
                                {{"ORLAVO_REGISTRY", registry},
                                 {"ORLAVO_CCNUMBER", "4111111111111111"},
                                 {"XDG_STATE_HOME", (folder.path() / "state").string()}},
                                folder.path());
    }

    // The photos of the lab's one order, by number.
    std::vector<fs::path> Kept() {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& order : fs::directory_iterator(lab.ordersDir(), ec))
            for (const auto& f : fs::directory_iterator(order.path(), ec))
                if (f.path().extension() != ".xml")
                    files.push_back(f.path());
        std::sort(files.begin(), files.end());
        return files;
    }

    test::TempDir folder;
    test::LabProcess lab{folder.path() / "lab"};
    std::string registry;
    std::string details;
    std::vector<std::string> photos;
};

TEST_F(PhoneFormatsTest, FiveFormatsArriveAsUprightJpegsWithTheirCameraAndNoLocation) {
    const test::ProgramResult r = Order({});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Location: removed from 5 photos"), std::string::npos) << r.out;
    const std::vector<fs::path> kept = Kept();
    ASSERT_EQ(kept.size(), 5u);
    const char* names[] = {"photo-001-IMG_0001.jpg", "photo-002-Screenshot.jpg",
                           "photo-003-scan.jpg", "photo-004-shared.jpg", "photo-005-IMG_0005.jpg"};
    const std::string orderId = kept[0].parent_path().filename().string();
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(kept[i].filename(), names[i]);
        const std::map<std::string, std::string> tags = ExifTool(kept[i], folder.path());
        EXPECT_EQ(tags.at("File:FileType"), "JPEG");
        for (const auto& [tag, value] : tags)
            EXPECT_EQ(tag.find("GPS"), std::string::npos) << tag << " = " << value;
        EXPECT_EQ(tags.count("XMP-photoshop:City"), 0u);
        EXPECT_EQ(tags.at("IFD0:Make"), test::kSampleMake);
        EXPECT_EQ(tags.at("IFD0:Model"), test::kSampleModel);
        EXPECT_EQ(tags.at("ExifIFD:DateTimeOriginal"), test::kSampleDate);
        // The JPEG went losslessly, its orientation kept; the others upright.
        EXPECT_EQ(tags.at("IFD0:Orientation"), i == 4 ? "6" : "1");
        // The album shows it upright: blue at the top left, red at the top right.
        const QImage thumb =
            Decode(Get(lab.url("/album/" + orderId + "/" + std::to_string(i + 1) + "/thumb")));
        ASSERT_FALSE(thumb.isNull());
        EXPECT_LT(thumb.width(), thumb.height());
        const int w = thumb.width(), h = thumb.height();
        EXPECT_TRUE(test::Near(thumb.pixelColor(w / 4, h / 4), Qt::blue, 60));
        EXPECT_TRUE(test::Near(thumb.pixelColor(3 * w / 4, h / 4), Qt::red, 60));
        EXPECT_TRUE(test::Near(thumb.pixelColor(w / 4, 3 * h / 4), Qt::yellow, 60));
    }
    EXPECT_EQ(ScanData(test::ReadFile(kept[4])), ScanData(test::ReadFile(photos[4])));
    const std::string album = Get(lab.url("/album"));
    EXPECT_EQ(std::count(album.begin(), album.end(), '<') > 0, true);
    for (int n = 1; n <= 5; ++n)
        EXPECT_NE(album.find("/album/" + orderId + "/" + std::to_string(n) + "/thumb"),
                  std::string::npos);
}

TEST_F(PhoneFormatsTest, KeepLocationSendsItAlongAndTheJpegByteForByte) {
    const test::ProgramResult r = Order({"--keep-location"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Location: sent with 5 photos"), std::string::npos) << r.out;
    const std::vector<fs::path> kept = Kept();
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_EQ(test::ReadFile(kept[4]), test::ReadFile(photos[4]));
    const std::map<std::string, std::string> heic = ExifTool(kept[0], folder.path());
    EXPECT_EQ(heic.at("GPS:GPSLatitudeRef"), "N");
}

}  // namespace
}  // namespace orlavo
