// The bundle a program uses: the one beside it, else its installation's
// bundle of the user's language, else its compiled-in resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/VersionText.h"
#include "platform/LanguageBundles.h"
#include "resources/WizardResources.h"
#include "tests/support/TempDir.h"

namespace {

using namespace orlavo;
namespace fs = std::filesystem;

const std::string kProgramVersion = ProgramVersionText("2, 0, 44, 3");
// The German bundle of this build, and test bundles of another build
// (2.0.45.3) and of a fitting one (2.1.44.0, only strings 111 and 146).
const fs::path kGerman = fs::path(ORLAVO_BUNDLES_DIR) / "de" / "Resources.rcc";
fs::path TestBundle(const std::string& version) {
    return fs::path(ORLAVO_TEST_BUNDLES) / version / "Resources.rcc";
}

TEST(LanguageBundles, TheUsersLanguagesNameFoldersMostWantedFirst) {
    struct Case {
        std::vector<std::string> languages;
        std::vector<std::string> folders;
    } cases[] = {
        {{"de-DE", "de"}, {"de_DE", "de"}},
        {{"de-DE"}, {"de_DE", "de"}},
        {{"pt-BR", "fr"}, {"pt_BR", "pt", "fr"}},
        {{"de_AT.UTF-8"}, {"de_AT", "de"}},
        {{"sr@latin"}, {"sr@latin", "sr"}},
        // English is compiled in: put first, it wins over every bundle but
        // one of its own region.
        {{"en-US", "de-DE"}, {"en_US"}},
        {{"fr", "en", "de"}, {"fr"}},
        {{"en-GB", "de"}, {"en_GB"}},
        {{"C"}, {}},
        {{}, {}},
        // A language name never leads out of the translations folder.
        {{"../../etc", "de/../..", "", "de"}, {"de"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected;
        for (const std::string& f : c.folders)
            expected.push_back("/opt/orlavo/translations/" + f + "/Resources.rcc");
        EXPECT_EQ(LanguageBundleCandidates("/opt/orlavo/", "Resources.rcc", c.languages), expected)
            << (c.languages.empty() ? "" : c.languages[0]);
    }
}

TEST(LanguageBundles, TheBundleBesideTheProgramComesBeforeTheUsersLanguage) {
    struct Case {
        const char* what;
        fs::path beside;  // copied beside the program, when not empty
        fs::path german;  // copied to translations/de/, when not empty
        std::vector<std::string> languages;
        BundleCheck result;
        const char* text111;  // string 111 afterwards
    } cases[] = {
        {"nothing installed", {}, {}, {"de-DE"}, BundleCheck::Missing, "Cancel"},
        {"the user's language", {}, kGerman, {"de-DE"}, BundleCheck::Accepted, "Abbrechen"},
        {"English first", {}, kGerman, {"en-US", "de"}, BundleCheck::Missing, "Cancel"},
        {"a language bundle of another build is passed over",
         {},
         TestBundle("2.0.45.3"),
         {"de"},
         BundleCheck::Missing,
         "Cancel"},
        {"the lab's bundle beside the program",
         TestBundle("2.1.44.0"),
         kGerman,
         {"de"},
         BundleCheck::Accepted,
         "Abbrechen"},
        {"one beside of another build is refused, not replaced",
         TestBundle("2.0.45.3"),
         kGerman,
         {"de"},
         BundleCheck::WrongVersion,
         "Cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string folder = dir.path().string() + "/";
        if (!c.beside.empty())
            fs::copy_file(c.beside, dir.path() / "Resources.rcc");
        if (!c.german.empty()) {
            fs::create_directories(dir.path() / "translations" / "de");
            fs::copy_file(c.german, dir.path() / "translations" / "de" / "Resources.rcc");
        }
        ResourceSet set(wizard::BuiltinStringText(), ":/wizard");
        EXPECT_EQ(
            LoadProgramBundle(set, folder, "Resources.rcc", c.languages, kProgramVersion, true),
            c.result);
        EXPECT_EQ(set.str(111), c.text111);
        // Which bundle: the test bundles lack string 3001, the German one has it.
        if (c.result == BundleCheck::Accepted) {
            EXPECT_EQ(set.str(3001) == "Zadozu Orlavo - Einstellungen", c.beside.empty());
        }
    }
}

}  // namespace
