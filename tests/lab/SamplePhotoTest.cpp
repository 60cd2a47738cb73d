// Sample photos written by "orlavo-lab --make-sample-photos".

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <fstream>
#include <optional>

#include "tests/lab/LabTestSupport.h"
#include "tests/support/LabProcess.h"

namespace orlavo::labtest {
namespace {

struct Exif {
    int orientation = 0;  // 0: no tag
    std::string thumbnail;
};

unsigned U16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}
std::uint32_t U32(const std::string& s, std::size_t at) {
    return U16(s, at) | (U16(s, at + 2) << 16);
}

// Reads a little-endian EXIF block the way a camera file is read: the APP1
// segment, IFD0's orientation tag, IFD1's thumbnail offset and length.
std::optional<Exif> ReadExif(const std::string& jpeg) {
    std::size_t i = 2;
    while (i + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[i]) == 0xFF) {
        unsigned marker = static_cast<unsigned char>(jpeg[i + 1]);
        std::size_t len = (static_cast<unsigned char>(jpeg[i + 2]) << 8) |
                          static_cast<unsigned char>(jpeg[i + 3]);
        if (marker == 0xE1 && jpeg.compare(i + 4, 6, std::string("Exif\0\0", 6)) == 0) {
            std::string t = jpeg.substr(i + 10, len - 8);
            if (t.compare(0, 2, "II") != 0)
                return std::nullopt;
            Exif exif;
            std::uint32_t ifd0 = U32(t, 4);
            unsigned n = U16(t, ifd0);
            for (unsigned k = 0; k < n; ++k)
                if (U16(t, ifd0 + 2 + 12 * k) == 0x0112)
                    exif.orientation = static_cast<int>(U16(t, ifd0 + 2 + 12 * k + 8));
            std::uint32_t ifd1 = U32(t, ifd0 + 2 + 12 * n);
            if (ifd1 != 0) {
                std::uint32_t at = 0, size = 0;
                unsigned m = U16(t, ifd1);
                for (unsigned k = 0; k < m; ++k) {
                    unsigned tag = U16(t, ifd1 + 2 + 12 * k);
                    if (tag == 0x0201)
                        at = U32(t, ifd1 + 2 + 12 * k + 8);
                    if (tag == 0x0202)
                        size = U32(t, ifd1 + 2 + 12 * k + 8);
                }
                if (at + size <= t.size())
                    exif.thumbnail = t.substr(at, size);
            }
            return exif;
        }
        if (marker == 0xDA)
            break;
        i += 2 + len;
    }
    return std::nullopt;
}

bool Size(const std::string& jpeg, int& w, int& h) {
    tjhandle t = tjInitDecompress();
    int sub = 0, cs = 0;
    bool ok = tjDecompressHeader3(t, reinterpret_cast<const unsigned char*>(jpeg.data()),
                                  jpeg.size(), &w, &h, &sub, &cs) == 0;
    if (ok) {
        // The whole picture decodes, not only its header.
        std::vector<unsigned char> px(static_cast<std::size_t>(w) * h * 3);
        ok = tjDecompress2(t, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(),
                           px.data(), w, 0, h, TJPF_RGB, 0) == 0;
    }
    tjDestroy(t);
    return ok;
}

TEST(SamplePhotos, AreValidVariedJpegsSomeWithExifThumbnailOrOrientation) {
    Sandbox box;
    ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(box.path() / "photos", 6));
    auto files = FilesBelow(box.path() / "photos");
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files.front(), "sample_001.jpg");

    int portrait = 0, landscape = 0, withThumbnail = 0, turned = 0;
    std::vector<std::string> contents;
    for (const std::string& f : files) {
        std::string jpeg = ReadFile(box.path() / "photos" / f);
        contents.push_back(jpeg);
        int w = 0, h = 0;
        ASSERT_TRUE(Size(jpeg, w, h)) << f;
        EXPECT_GE(std::min(w, h), 480) << f;
        EXPECT_LE(std::max(w, h), 4000) << f;
        auto exif = ReadExif(jpeg);
        int orientation = exif ? exif->orientation : 0;
        bool sideways = orientation >= 5;
        (sideways ? w < h : w > h) ? ++landscape : ++portrait;
        if (sideways)
            ++turned;
        if (exif && !exif->thumbnail.empty()) {
            int tw = 0, th = 0;
            ASSERT_TRUE(Size(exif->thumbnail, tw, th)) << f;
            EXPECT_LE(std::max(tw, th), 160);
            EXPECT_EQ(tw > th, w > h) << f << ": the thumbnail shows the stored picture";
            ++withThumbnail;
        }
    }
    EXPECT_GE(portrait, 2);
    EXPECT_GE(landscape, 2);
    EXPECT_GE(withThumbnail, 2);
    EXPECT_GE(turned, 1);
    for (std::size_t i = 1; i < contents.size(); ++i)
        EXPECT_NE(contents[i], contents[i - 1]);
}

TEST(SamplePhotos, RefusesAFolderThatCannotBeMade) {
    Sandbox box;
    std::ofstream(box.path() / "file") << "x";
    EXPECT_FALSE(test::LabProcess::MakeSamplePhotos(box.path() / "file" / "photos", 1));
}

}  // namespace
}  // namespace orlavo::labtest
