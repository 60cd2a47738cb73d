// A damaged or foreign resource bundle next to the program is refused or
// read within its bounds; it never crashes the start of the program.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/FileVersion.h"
#include "platform/RccArchive.h"
#include "platform/ResourceBundle.h"
#include "platform/StringTable.h"
#include "tests/fuzz/Mutator.h"
#include "tests/support/TempDir.h"

namespace orlavo {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& Bundle() {
    static const std::string bytes = ReadAll(ORLAVO_FUZZ_BUNDLE);
    return bytes;
}

// Everything one can ask of an archive; unpacked entries never exceed what a
// bundle of this size can hold (zlib's best ratio is about 1032 to 1).
void ReadEverything(const RccArchive& archive, std::size_t inputSize, fuzz::Mutator& m) {
    EXPECT_LE(archive.fileCount(), 100000u);
    for (std::string_view name :
         {"FileVersion", "strings.tsv", "icons", "icons/128.png", "", "/", "../strings.tsv"}) {
        if (auto f = archive.file(name)) {
            EXPECT_LE(f->size(), inputSize * 1100 + 64);
        }
    }
    (void)archive.file(m.randomBytes(m.below(8)));
    if (auto table = archive.file("strings.tsv"))
        (void)StringTable::Parse(*table).size();
}

TEST(ResourceBundleFuzz, TheRealBundleReadsAndEveryMutationIsSafe) {
    ASSERT_GT(Bundle().size(), 20u);
    auto good = RccArchive::Parse(Bundle());
    ASSERT_TRUE(good);
    ASSERT_TRUE(good->file("strings.tsv"));

    fuzz::Mutator m(128);
    m.addTokens({"qres", std::string("\0\0\0\x03", 4), std::string("\xFF\xFF\xFF\xFF", 4),
                 std::string("\0\x02", 2), std::string("\0\x01", 2), std::string("\0\x04", 2),
                 std::string("\x7F\xFF\xFF\xFF", 4)});
    int parsed = 0;
    for (int i = 0; i < fuzz::Rounds(3000); ++i) {
        std::string bytes = m.mutate(Bundle());
        // Most damage lands in the data; aim some of it at the header and tree.
        if (i % 2 == 0 && bytes.size() > 24) {
            for (int k = m.between(1, 3); k > 0; --k)
                bytes[m.below(std::min<std::size_t>(bytes.size(), 200))] =
                    static_cast<char>(m.below(256));
        }
        const std::size_t size = bytes.size();
        if (auto archive = RccArchive::Parse(std::move(bytes))) {
            ++parsed;
            ReadEverything(*archive, size, m);
        }
    }
    EXPECT_GT(parsed, 100);
}

TEST(ResourceBundleFuzz, CutBundlesAndRandomFilesAreRefusedOrBounded) {
    fuzz::Mutator m(2);
    const std::string& whole = Bundle();
    const std::size_t step = std::max<std::size_t>(1, whole.size() / 400);
    for (std::size_t n = 0; n < whole.size(); n += (n < 256 ? 1 : step)) {
        if (auto archive = RccArchive::Parse(whole.substr(0, n)))
            ReadEverything(*archive, n, m);
    }
    for (int i = 0; i < fuzz::Rounds(1000); ++i) {
        std::string bytes = "qres" + m.randomBytes(m.below(120));
        const std::size_t size = bytes.size();
        if (auto archive = RccArchive::Parse(std::move(bytes)))
            ReadEverything(*archive, size, m);
    }
    EXPECT_FALSE(RccArchive::Parse(""));
    EXPECT_FALSE(RccArchive::Parse("qre"));
}

TEST(ResourceBundleFuzz, DamagedBundleFilesOpenOrAreRefused) {
    test::TempDir dir("orlavo-fuzz");
    const std::string path = dir.file("Resources.rcc");
    fuzz::Mutator m(3);
    int opened = 0;
    for (int i = 0; i < fuzz::Rounds(200); ++i) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            const std::string bytes = m.mutate(Bundle());
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        if (auto bundle = ResourceBundle::Open(path)) {
            ++opened;
            (void)bundle->fileVersion();
            (void)bundle->strings().size();
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_FALSE(ResourceBundle::Open(dir.file("missing.rcc")));
}

TEST(ResourceBundleFuzz, StringTablesOfAnyTextKeepOneEntryPerLineAtMost) {
    fuzz::Mutator m(4);
    m.addTokens({"\t", "\n", "\r\n", "\\", "\\n", "#", "2147483647\t", "-5\t", "99999999999\t"});
    const std::string seed = "# comment\n103\tClose\n104\tTry Again\r\n3500\tCannot write %s\\n\n";
    for (int i = 0; i < fuzz::Rounds(2000); ++i) {
        const std::string text = m.mutate(seed);
        const StringTable table = StringTable::Parse(text);
        const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        EXPECT_LE(table.size(), lines);
        if (!table.contains(103)) {
            EXPECT_EQ(table.get(103), "");
        }
        // An unescaped text is never longer than its line.
        for (int id : {103, 104, 3500})
            EXPECT_LE(table.get(id).size(), text.size());
    }
}

TEST(ResourceBundleFuzz, VersionReadFromAnyFileIsShortAndMadeOfVersionCharacters) {
    test::TempDir dir("orlavo-fuzz");
    const std::string path = dir.file("program");
    fuzz::Mutator m(5);
    // The block's start as the build embeds it.
    const std::string marker = std::string(1, '\x01') + "OrlavoFileVersion" + '\x02';
    m.addTokens({marker, std::string(1, '\0'), "\n", "2, 0, 44, 3", std::string(80, '9')});
    int found = 0;
    for (int i = 0; i < fuzz::Rounds(300); ++i) {
        std::string bytes = m.mutate(m.randomBytes(m.below(64)) + marker + "2, 0, 44, 3" +
                                     std::string(1, '\0') + m.randomBytes(m.below(64)));
        // Sometimes far enough in that the block crosses the reader's chunks.
        if (i % 25 == 0)
            bytes.insert(0, std::string((1 << 20) - 10 - m.below(20), 'z'));
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        if (auto version = ReadFileVersion(path)) {
            ++found;
            EXPECT_FALSE(version->empty());
            EXPECT_LE(version->size(), 64u);
            EXPECT_EQ(version->find_first_not_of("0123456789,. "), std::string::npos) << *version;
            EXPECT_NE(version->find_first_of("0123456789"), std::string::npos);
        }
    }
    EXPECT_GT(found, 100);
}

}  // namespace
}  // namespace orlavo
