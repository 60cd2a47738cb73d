// The lab's manifest maker and the updater together: what the maker lists
// is what the updater compares, and its hashes guard the downloads.
#include <gtest/gtest.h>

#include <map>

#include "platform/Sha256.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/UpdateManifest.h"

namespace orlavo::updater {
namespace {

namespace fs = std::filesystem;
using updatertest::RecordingObserver;
using updatertest::UpdaterLabTest;
using updatertest::Versioned;

class MakeUpdateTest : public UpdaterLabTest {
protected:
    test::ProgramResult makeUpdate(std::vector<std::string> extra = {}) const {
        std::vector<std::string> args = {"--make-update", labDir().string(), "--base-url",
                                         filesUrl()};
        args.insert(args.end(), extra.begin(), extra.end());
        return test::RunProgram(test::LabProcess::Executable(), args, {}, sandbox_.path());
    }

    // The installation made a copy of what the lab serves.
    void installAsServed() const {
        fs::remove_all(installDir());
        fs::copy(filesDir(), installDir(), fs::copy_options::recursive);
    }
};

TEST_F(MakeUpdateTest, ListsEveryServedFileByItsKindWithItsHash) {
    const std::map<std::string, std::string> files = {
        {"OrlavoW", Versioned("2, 0, 44, 3")},
        {"Resources.rcc", Versioned("2, 0, 44, 1", "bundle")},
        {"libextra.so", Versioned("1, 2, 0, 0", "library")},
        {"images/1.jpg", std::string(300, 'a')},
        {"2.jpg", std::string(200, 'b')},
    };
    for (const auto& [name, bytes] : files)
        serve(name, bytes);
    serve(".hidden", "not listed");
    startLab();
    const test::ProgramResult made =
        makeUpdate({"--registry-value", "UploadURL=https://lab/upload", "--registry-version", "5"});
    ASSERT_EQ(made.exitCode, 0) << made.err;

    ManifestContent content;
    ASSERT_EQ(ParseUpdateManifest(test::ReadFile(labDir() / "update" / "auto_update.xml"), content),
              kManifestRead);
    struct Expected {
        const char* name;
        const char* version;
        FileGroup group;
    } expected[] = {
        {"OrlavoW", "2.0.44.3", FileGroup::App},
        {"libextra.so", "1.2.0.0", FileGroup::App},
        {"Resources.rcc", "2.0.44.1", FileGroup::Customer},
        {"2.jpg", "200", FileGroup::Customer},
        {"images/1.jpg", "300", FileGroup::Customer},
    };
    ASSERT_EQ(content.files.size(), std::size(expected));
    for (std::size_t i = 0; i < content.files.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(content.files[i].filename, expected[i].name);
        EXPECT_EQ(content.files[i].version, expected[i].version);
        EXPECT_EQ(content.files[i].group, expected[i].group);
        EXPECT_EQ(content.files[i].baseAddress, filesUrl());
        EXPECT_EQ(content.files[i].sha256, Sha256Hex(files.at(expected[i].name)));
    }
    ASSERT_EQ(content.registryUpdates.size(), 2u);
    EXPECT_EQ(content.registryUpdates[0].name, "UploadURL");
    EXPECT_EQ(content.registryUpdates[0].value, "https://lab/upload");
    EXPECT_EQ(content.registryVersion, 5);

    // An installation of exactly these files is current.
    installAsServed();
    UpdateSession session(settings());
    RecordingObserver observer;
    CheckResult check = session.check(observer);
    EXPECT_EQ(check.outcome, CheckOutcome::Offered);
    EXPECT_EQ(check.count, 1);  // only the settings
}

TEST_F(MakeUpdateTest, ADownloadThatDoesNotMatchItsHashInstallsNothing) {
    serve("1.jpg", std::string(300, 'a'));
    serve("2.jpg", std::string(200, 'b'));
    startLab();
    ASSERT_EQ(makeUpdate().exitCode, 0);
    install("1.jpg", "old one");
    install("2.jpg", "old two");
    // Changed on the way: same length, other bytes.
    serve("2.jpg", std::string(200, 'X'));

    UpdateSession session(settings());
    RecordingObserver observer;
    ASSERT_EQ(session.check(observer).count, 2);
    EXPECT_EQ(session.install(observer).outcome, InstallOutcome::Failed);
    EXPECT_EQ(installed("1.jpg"), "old one");
    EXPECT_EQ(installed("2.jpg"), "old two");
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_EQ(observer.failures[0], "2.jpg: Checksum mismatch for " + filesUrl() + "2.jpg");

    // Put right on the lab, the same manifest installs both.
    serve("2.jpg", std::string(200, 'b'));
    UpdateSession again(settings());
    ASSERT_EQ(again.check(observer).count, 2);
    EXPECT_EQ(again.install(observer).outcome, InstallOutcome::Done);
    EXPECT_EQ(installed("2.jpg"), std::string(200, 'b'));
}

TEST_F(MakeUpdateTest, RefusesMeaninglessArguments) {
    struct Case {
        std::vector<std::string> args;
    } cases[] = {
        {{"--make-update", labDir().string(), "--port", "0"}},
        {{"--make-update", labDir().string(), "--registry-value", "novalue"}},
        {{"--make-update", labDir().string(), "--registry-version", "x"}},
        {{"--make-update"}},
    };
    for (const Case& c : cases) {
        const auto r =
            test::RunProgram(test::LabProcess::Executable(), c.args, {}, sandbox_.path());
        EXPECT_EQ(r.exitCode, 2) << c.args.back();
    }
    // A lab folder without files has nothing to list.
    const auto r = test::RunProgram(test::LabProcess::Executable(),
                                    {"--make-update", (sandbox_.path() / "none").string()}, {},
                                    sandbox_.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace orlavo::updater
