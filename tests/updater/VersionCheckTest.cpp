#include <gtest/gtest.h>

#include <limits>

#include "updater/VersionCheck.h"

namespace orlavo::updater {
namespace {

InstalledFile WithVersion(const char* fileVersion) {
    return {true, 1000, std::string(fileVersion)};
}
InstalledFile OfSize(std::uint64_t size) {
    return {true, size, std::nullopt};
}

TEST(NeedsUpdate, VersionsCompareAsFourNumbers) {
    struct Case {
        InstalledFile installed;
        const char* manifest;
        bool needs;
    } cases[] = {
        {WithVersion("2, 0, 44, 3"), "2.0.44.3", false},  // blanks of the FileVersion
        {WithVersion("2, 0, 44, 3"), "2.0.44.4", true},
        {WithVersion("2, 0, 44, 10"), "2.0.44.9", false},
        {WithVersion("3, 0, 0, 0"), "2.99.99.99", false},
        // Texts that are not four numbers leave the file out of date.
        {WithVersion("2, 0, 44"), "2.0.44.3", true},
        {WithVersion("2, 0, 44, 3"), "2.0.44", true},
        {WithVersion("2, 0, 44, 3"), "", true},
        {WithVersion("2, 0, 44, 3"), "a.b.c.d", true},
        {WithVersion("x, 0, 44, 3"), "0.0.0.0", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NeedsUpdate(c.installed, c.manifest), c.needs)
            << *c.installed.fileVersion << " against " << c.manifest;
}

TEST(NeedsUpdate, FilesWithoutAVersionCompareByTheLeadingDigitsOfTheManifestText) {
    struct Case {
        InstalledFile installed;
        const char* manifest;
        bool needs;
    } cases[] = {
        {OfSize(4520), "4520", false},   {OfSize(4520), " 4520 bytes", false},
        {OfSize(2), "2.0.44.3", false},                           // a version text read as a size
        {OfSize(4519), "4520", true},    {OfSize(0), "0", true},  // an empty file is never current
        {OfSize(4520), "", true},        {OfSize(4520), "-4520", true},
        {InstalledFile{}, "4520", true},  // missing
    };
    for (const Case& c : cases)
        EXPECT_EQ(NeedsUpdate(c.installed, c.manifest), c.needs)
            << c.installed.size << " against \"" << c.manifest << "\"";
}

TEST(LeadingSize, ReadsDigitsAndSaturates) {
    EXPECT_EQ(LeadingSize("  17x"), 17u);
    EXPECT_EQ(LeadingSize("x17"), 0u);
    EXPECT_EQ(LeadingSize("99999999999999999999999"), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(LeadingSize("5000000000"), 5000000000u);  // beyond 32 bits
}

}  // namespace
}  // namespace orlavo::updater
