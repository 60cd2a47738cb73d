// The boundary of a form: the fixed one for parts that do not hold it,
// another that none holds otherwise, whatever a file holds and wherever.
#include "wizard/transmission/FormBoundary.h"

#include <gtest/gtest.h>

#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/FormParts.h"

namespace orlavo::transmission {
namespace {

const std::string kFixed(kBoundary);

TEST(FileHolds, FindsTheNeedleWhereverItLiesAcrossThePiecesRead) {
    test::TempDir dir;
    const std::size_t piece = 256 * 1024;
    struct Case {
        const char* name;
        std::size_t at;  // where the needle starts; npos for nowhere
        std::size_t size;
    } cases[] = {
        {"at the start", 0, 3 * piece},
        {"across the first border", piece - 20, 3 * piece},
        {"ending on the border", piece - kFixed.size(), 3 * piece},
        {"starting on the border", piece, 3 * piece},
        {"across the second border", 2 * piece - 1, 3 * piece},
        {"at the very end", 3 * piece - kFixed.size(), 3 * piece},
        {"nowhere", std::string::npos, 3 * piece},
        {"nowhere in a short file", std::string::npos, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = test::PatternBytes(c.size);
        if (c.at != std::string::npos)
            bytes.replace(c.at, kFixed.size(), kFixed);
        const std::string path = dir.write("photo.jpg", bytes);
        EXPECT_EQ(FileHolds(path, kFixed), c.at != std::string::npos);
    }
    // Only the needle whole counts: its start at the end of a file does not.
    const std::string cut = dir.write("cut.jpg", "xyz" + kFixed.substr(0, 40));
    EXPECT_EQ(FileHolds(cut, kFixed), false);
    EXPECT_EQ(FileHolds(dir.file("missing.jpg"), kFixed), std::nullopt);
    EXPECT_EQ(FileHolds(dir.path().string(), kFixed), std::nullopt);
}

TEST(ChooseBoundary, KeepsTheFixedOneUnlessAPartHoldsItThenFindsOneClearOfAll) {
    test::TempDir dir;
    const std::string clean = dir.write("clean.jpg", test::PatternBytes(300000));
    EXPECT_EQ(ChooseBoundary({"<m/>", clean}, clean), kFixed);
    EXPECT_EQ(ChooseBoundary({"<PriceRequest/>"}), kFixed);

    const std::string holding =
        dir.write("holding.jpg", test::PatternBytes(1000) + "\r\n--" + kFixed + "\r\n");
    struct Case {
        const char* name;
        std::string text;
        std::string path;
    } cases[] = {
        {"the photo holds it", "<m/>", holding},
        {"the manifest holds it", "<m note=\"" + kFixed + "\"/>", clean},
        {"the text alone holds it", kFixed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> chosen = ChooseBoundary({c.text}, c.path);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(chosen->substr(0, kFixed.size()), kFixed);
        EXPECT_EQ(chosen->size(), kMaxBoundaryLength);
        EXPECT_EQ(chosen->find_first_not_of(
                      "-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
                  std::string::npos);
        EXPECT_EQ(c.text.find(*chosen), std::string::npos);
        if (!c.path.empty()) {
            EXPECT_EQ(FileHolds(c.path, *chosen), false);
        }
        // Each form draws its own.
        EXPECT_NE(ChooseBoundary({c.text}, c.path), chosen);
    }
    EXPECT_EQ(ChooseBoundary({"<m/>"}, dir.file("missing.jpg")), std::nullopt);
}

TEST(FormParts, AnotherBoundaryRunsThroughEveryPartAndTheHeader) {
    const std::string other = kFixed + "Q7";
    EXPECT_EQ(ContentTypeHeader(other), "Content-Type: multipart/form-data; boundary=" + other);
    EXPECT_NE(HeaderBlock(other).find("boundary=" + other + "\r\n"), std::string::npos);
    EXPECT_EQ(ValuePart("f", "v", other),
              "--" + other + "\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv\r\n");
    EXPECT_EQ(FilePartHeader("/p.jpg", "image/pjpeg", other).substr(0, other.size() + 4),
              "--" + other + "\r\n");
    EXPECT_EQ(ClosingLength(other), kClosingLength + 2);
    EXPECT_EQ(UploadBodyLength(100, 1000, 300, other), 100 + 1000 + 2 + 300 + 49u);
}

}  // namespace
}  // namespace orlavo::transmission
