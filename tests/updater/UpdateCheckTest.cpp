// The check against a real lab: which files need an update, and what is counted.
#include <gtest/gtest.h>

#include "common/SettingsTable.h"
#include "tests/updater/UpdaterTestSupport.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::FilesBelow;
using updatertest::RecordingObserver;
using updatertest::UpdaterLabTest;
using updatertest::Versioned;

struct Installed {
    const char* name;
    std::string bytes;
};

struct CheckCase {
    const char* what;
    std::vector<Installed> installed;
    std::string manifest;
    std::int32_t storedRegistryVersion;
    std::vector<bool> needs;  // per file entry, in manifest order
    int count;
};

std::string Exe(const char* version) {
    return R"(<auto_update><app download_url="$FILES"><app_exe><exe filename="OrlavoW" version_num=")" +
           std::string(version) + R"(" size="1"/></app_exe></app></auto_update>)";
}

std::string Images(const char* body, const char* keys = "") {
    return std::string(R"(<auto_update><customer download_url="$FILES">)") + body +
           "<registry_updates>" + keys + "</registry_updates></customer></auto_update>";
}

TEST_F(UpdaterLabTest, CheckComparesEachFileWithItsInstalledCopy) {
    const std::string picture(4520, 'p');
    const CheckCase cases[] = {
        {"commas become points",
         {{"OrlavoW", Versioned("2, 0, 0, 16")}},
         Exe("2,0,0,16"),
         0,
         {false},
         0},
        {"numbers, not text",
         {{"OrlavoW", Versioned("2, 0, 0, 9")}},
         Exe("2.0.0.10"),
         0,
         {true},
         1},
        {"installed newer", {{"OrlavoW", Versioned("2, 1, 0, 0")}}, Exe("2.0.5.5"), 0, {false}, 0},
        {"missing program", {}, Exe("2.0.5.5"), 0, {true}, 1},
        {"pictures by size",
         {{"1.jpg", picture}, {"2.jpg", picture.substr(1)}},
         Images(R"(<image filename="1.jpg" version_num="" size="4520"/>
                   <image filename="2.jpg" size="4520"/><image filename="3.jpg" size="4520"/>)"),
         0,
         {false, true, true},
         2},
        {"a version against a file without one",
         {{"Resources.rcc", std::string(2, 'r')}, {"images/4.jpg", "xy"}},
         Images(R"(<languag_dll filename="Resources.rcc" version_num="2.0.44.1"/>
                   <image filename="images/4.jpg" version_num="1.0.0.0"/>)"),
         0,
         {false, true},
         1},
        {"without a customer element",
         {},
         R"(<auto_update><app download_url="$FILES"><languag_dll filename="R.rcc"/></app>
              <image filename="1.jpg" size="1"/>
              <registry_updates><key name="RegistryVersion" value="9"/></registry_updates>
            </auto_update>)",
         0,
         {},
         0},
        {"another case is an ordinary value",
         {},
         Images("", R"(<key name="registryversion" value="9"/>)"),
         0,
         {},
         0},
        {"settings already at the manifest's version",
         {},
         Images("", R"(<key name="UploadURL" value="u"/><key name="RegistryVersion" value="3"/>)"),
         3,
         {},
         0},
        {"settings below the manifest's version",
         {},
         Images("", R"(<key name="UploadURL" value="u"/><key name="RegistryVersion" value="4"/>)"),
         3,
         {},
         1},
    };
    startLab();
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(installDir());
        fs::create_directories(installDir());
        for (const Installed& f : c.installed)
            install(f.name, f.bytes);
        registry().setNumber(section::kSettings, "RegistryVersion", c.storedRegistryVersion);
        writeManifest(c.manifest);

        UpdateSession session(settings());
        RecordingObserver observer;
        const CheckResult result = session.check(observer);
        EXPECT_EQ(result.outcome, c.count > 0 ? CheckOutcome::Offered : CheckOutcome::UpToDate);
        EXPECT_EQ(result.count, c.count);
        std::vector<bool> needs;
        for (const UpdateFile& f : session.state().files)
            needs.push_back(f.needsUpdate);
        EXPECT_EQ(needs, c.needs);
    }
}

TEST_F(UpdaterLabTest, CheckFailsOnlyWhenTheManifestCannotBeFetchedOrGoneThrough) {
    struct Case {
        const char* what;
        std::string manifest;  // empty: none on the lab
        CheckOutcome outcome;
    } cases[] = {
        {"line feeds before the declaration", "\n\n<?xml version=\"1.0\"?>" + Exe("9.0.0.0"),
         CheckOutcome::Offered},
        {"not well-formed: taken as current", "<auto_update><app>", CheckOutcome::UpToDate},
        {"an HTML page: taken as current", "<html><body>Sorry<br></body></html>",
         CheckOutcome::UpToDate},
        {"text among the libraries",
         R"(<auto_update><app download_url="$FILES"><app_dll>junk<dll filename="a.so"/></app_dll></app></auto_update>)",
         CheckOutcome::Failed},
        {"no manifest on the lab", "", CheckOutcome::Failed},
        {"a name outside the folder", Images(R"(<image filename="../../1.jpg" size="4520"/>)"),
         CheckOutcome::Refused},
    };
    startLab();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove(labDir() / "update" / "auto_update.xml", ec);
        if (!c.manifest.empty())
            writeManifest(c.manifest);
        {
            UpdateSession session(settings());
            RecordingObserver observer;
            EXPECT_EQ(session.check(observer).outcome, c.outcome);
        }
        // The downloaded manifest and the run's folder are gone with the session.
        EXPECT_EQ(FilesBelow(tempRoot()), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace orlavo::updater
