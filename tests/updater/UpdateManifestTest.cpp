#include <gtest/gtest.h>

#include "updater/UpdateManifest.h"

namespace orlavo::updater {
namespace {

constexpr const char* kFull = R"(<?xml version="1.0"?>
<auto_update>
  <app download_url="https://lab/app/">
    <app_exe><exe filename="OrlavoW" version_num="2,0,44,3" size="99"/></app_exe>
    <app_dll>
      <dll filename="a.so" version_num="" size="1,5"/>
      <other filename="b.so" version_num="1.0.0.1" sha256="ABC"/>
    </app_dll>
  </app>
  <customer download_url="https://lab/customer/">
    <image filename="1.jpg" size="4520"/>
    <languag_dll filename="Resources.rcc" version_num="2.0.44.1"/>
    <image filename="images\2.jpg" size="17"/>
    <registry_updates>
      <key name="UploadURL" value="https://lab/upload"/>
      <key name="registryversion" value="9"/>
      <key name="RegistryVersion" value="4 or so"/>
    </registry_updates>
  </customer>
</auto_update>)";

TEST(ParseUpdateManifest, ReadsTheFilesInTheirOrderWithTheirGroupsAddress) {
    ManifestContent c;
    ASSERT_EQ(ParseUpdateManifest(kFull, c), kManifestRead);
    EXPECT_EQ(c.appBaseAddress, "https://lab/app/");
    EXPECT_EQ(c.customerBaseAddress, "https://lab/customer/");
    struct Expected {
        const char* filename;
        const char* version;
        const char* base;
        FileGroup group;
        const char* sha256;
        std::optional<std::uint64_t> size;  // only a plain number is a length
    } expected[] = {
        {"OrlavoW", "2.0.44.3", "https://lab/app/", FileGroup::App, "", 99},
        {"a.so", "1.5", "https://lab/app/", FileGroup::App, "", {}},  // size when no version
        {"b.so", "1.0.0.1", "https://lab/app/", FileGroup::App, "ABC", {}},
        // The language bundle comes before the pictures, wherever it stands.
        {"Resources.rcc", "2.0.44.1", "https://lab/customer/", FileGroup::Customer, "", {}},
        {"1.jpg", "4520", "https://lab/customer/", FileGroup::Customer, "", 4520},
        {"images\\2.jpg", "17", "https://lab/customer/", FileGroup::Customer, "", 17},
    };
    ASSERT_EQ(c.files.size(), std::size(expected));
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.files[i].filename, expected[i].filename);
        EXPECT_EQ(c.files[i].version, expected[i].version);
        EXPECT_EQ(c.files[i].baseAddress, expected[i].base);
        EXPECT_EQ(c.files[i].group, expected[i].group);
        EXPECT_EQ(c.files[i].sha256, expected[i].sha256);
        EXPECT_EQ(c.files[i].size, expected[i].size);
    }
    ASSERT_EQ(c.registryUpdates.size(), 3u);
    EXPECT_EQ(c.registryUpdates[0].name, "UploadURL");
    EXPECT_EQ(c.registryUpdates[0].value, "https://lab/upload");
    // Only the exact name sets the version, read as a leading number.
    EXPECT_EQ(c.registryVersion, 4);
}

TEST(ParseUpdateManifest, WithoutACustomerElementNothingOfTheLabsIsRead) {
    ManifestContent c;
    ASSERT_EQ(ParseUpdateManifest(R"(<auto_update>
  <app download_url="u/"><app_exe><exe filename="OrlavoW" version_num="1.0.0.0"/></app_exe>
    <languag_dll filename="Resources.rcc"/><image filename="1.jpg" size="3"/></app>
  <image filename="2.jpg" size="3"/>
  <registry_updates><key name="RegistryVersion" value="5"/></registry_updates>
</auto_update>)",
                                  c),
              kManifestRead);
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(c.files[0].filename, "OrlavoW");
    EXPECT_TRUE(c.registryUpdates.empty());
    EXPECT_EQ(c.registryVersion, 0);
}

TEST(ParseUpdateManifest, AnswersByWhatTheBytesAre) {
    struct Case {
        std::string bytes;
        int answer;
    } cases[] = {
        {"\n\n\n<?xml version=\"1.0\"?><auto_update/>", kManifestRead},  // line feeds dropped
        {"<auto_update><customer/></auto_update>", kManifestRead},
        {"<other/>", kManifestRead},  // well-formed, nothing in it
        {"", kManifestNotWellFormed},
        {"<html><body>Not found<br></body></html>", kManifestNotWellFormed},
        {"<auto_update><app>", kManifestNotWellFormed},
        // Text among app_dll's entries: the reader cannot go through them.
        {"<auto_update><app><app_dll>oops<dll filename=\"a\"/></app_dll></app></auto_update>",
         kManifestXmlFailure},
        {"<auto_update><app><app_dll><![CDATA[x]]></app_dll></app></auto_update>",
         kManifestXmlFailure},
    };
    for (const Case& c : cases) {
        ManifestContent content;
        content.registryVersion = 7;
        EXPECT_EQ(ParseUpdateManifest(c.bytes, content), c.answer) << c.bytes;
        if (c.answer != kManifestRead) {
            EXPECT_EQ(content.registryVersion, 7) << "left as it was: " << c.bytes;
        }
    }
}

TEST(ParseUpdateManifest, ReadsLatin1NamesByTheDeclaration) {
    ManifestContent c;
    ASSERT_EQ(ParseUpdateManifest("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><auto_update>"
                                  "<customer download_url=\"u/\"><image filename=\"caf\xe9.jpg\" "
                                  "size=\"1\"/></customer></auto_update>",
                                  c),
              kManifestRead);
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(c.files[0].filename, "caf\xc3\xa9.jpg");
}

}  // namespace
}  // namespace orlavo::updater
