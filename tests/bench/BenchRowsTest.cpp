// The benchmarks' table: figures from rounds, goals, the row file that
// several programs append to, and the printed and Markdown tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "bench/support/BenchRows.h"
#include "tests/support/TempDir.h"

namespace orlavo::bench {
namespace {

Row Sample(std::string id, bool pass) {
    Row r;
    r.id = std::move(id);
    r.work = "thumbnails of 12-MP JPEGs";
    r.orlavo = "58.2 (55.0-60.3) /s";
    r.peer = "vipsthumbnail x2 40.1 /s";
    r.ratio = "1.45";
    r.goal = ">= 55 /s";
    r.pass = pass;
    r.note = "60 photos";
    return r;
}

TEST(BenchRowsTest, SummarizesRoundsWhateverTheirOrder) {
    struct Case {
        std::vector<double> samples;
        double median, low, high;
        int count;
    };
    const Case cases[] = {
        {{3, 1, 2}, 2, 1, 3, 3},
        {{40, 10, 30, 20}, 25, 10, 40, 4},  // even count: mean of the middle two
        {{7}, 7, 7, 7, 1},
        {{5, 5, 1, 9, 5}, 5, 1, 9, 5},
    };
    for (const Case& c : cases) {
        const Spread s = Summarize(c.samples);
        EXPECT_DOUBLE_EQ(s.median, c.median);
        EXPECT_DOUBLE_EQ(s.low, c.low);
        EXPECT_DOUBLE_EQ(s.high, c.high);
        EXPECT_EQ(s.count, c.count);
    }
    EXPECT_EQ(Summarize({}).count, 0);
    EXPECT_EQ(Figure(Summarize({}), "ms", 1), "-");
}

TEST(BenchRowsTest, RatiosPairRoundsAndSkipFailedOnes) {
    // Round 2 of the peer failed (0), round 3 of ours (-1); the fourth peer
    // round has no partner.
    const std::vector<double> r = PairedRatios({2.0, 0.0, 3.0, 1.0}, {1.0, 1.0, -1.0});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0], 2.0);
    EXPECT_EQ(PairedRatios({1.0, 4.0}, {2.0, 2.0}), (std::vector<double>{0.5, 2.0}));
}

TEST(BenchRowsTest, GoalsAtTheirLimits) {
    const Goal atLeast{Goal::Kind::AtLeast, 0.95};
    const Goal below{Goal::Kind::Below, 100};
    EXPECT_TRUE(atLeast.metBy(0.95));
    EXPECT_FALSE(atLeast.metBy(0.9499));
    EXPECT_FALSE(atLeast.metBy(std::nan("")));
    EXPECT_TRUE(below.metBy(99.9));
    EXPECT_FALSE(below.metBy(100));  // "< 100 ms" is not met by 100 ms
    EXPECT_FALSE(below.metBy(std::nan("")));
}

TEST(BenchRowsTest, FiguresShowTheMedianAndTheSpread) {
    EXPECT_EQ(Figure(Summarize({60.31, 55.04, 58.2}), "/s", 1), "58.2 (55.0-60.3) /s");
    EXPECT_EQ(Figure(Summarize({0.987}), "", 2), "0.99");
    EXPECT_EQ(Figure(Summarize({1200, 1000}), "MiB/s", 0), "1100 (1000-1200) MiB/s");
}

TEST(BenchRowsTest, ALineReadsBackAsTheSameRowEvenWithTabsInItsTexts) {
    Row r = Sample("upload.10", true);
    r.note = "two\tfields\nand a line";
    const std::string line = ToLine(r);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const auto back = FromLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, "upload.10");
    EXPECT_EQ(back->orlavo, r.orlavo);
    EXPECT_EQ(back->peer, r.peer);
    EXPECT_EQ(back->goal, r.goal);
    EXPECT_TRUE(back->pass);
    EXPECT_EQ(back->note, "two fields and a line");
    EXPECT_FALSE(FromLine(ToLine(Sample("x", false)))->pass);
}

TEST(BenchRowsTest, RefusesLinesThatAreNotRows) {
    const char* bad[] = {
        "",
        "just text",
        "id\twork\tours\tpeer\tratio\tgoal\tyes",               // 7 fields
        "id\twork\tours\tpeer\tratio\tgoal\tyes\tnote\textra",  // 9 fields
        "id\twork\tours\tpeer\tratio\tgoal\tmaybe\tnote",
        "\twork\tours\tpeer\tratio\tgoal\tyes\tnote",  // no id
    };
    for (const char* line : bad)
        EXPECT_FALSE(FromLine(line)) << line;
    EXPECT_TRUE(FromLine("id\twork\tours\tpeer\tratio\tgoal\tno\tnote\r"));
}

TEST(BenchRowsTest, RowsOfSeveralProgramsGatherInOrder) {
    test::TempDir dir;
    const std::string file = (dir.path() / "rows.tsv").string();
    ASSERT_TRUE(AppendRow(file, Sample("thumbs.plain", true)));
    {
        std::ofstream junk(file, std::ios::app);
        junk << "a line a crashed program left\n";
    }
    ASSERT_TRUE(AppendRow(file, Sample("upload.10", false)));
    const std::vector<Row> rows = ReadRows(file);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, "thumbs.plain");
    EXPECT_EQ(rows[1].id, "upload.10");
    EXPECT_FALSE(AppendRow((dir.path() / "no-such-folder" / "rows.tsv").string(), rows[0]));
    EXPECT_TRUE(ReadRows((dir.path() / "missing.tsv").string()).empty());
}

TEST(BenchRowsTest, TextTableLinesUpColumnsOfWideCharacters) {
    Row a = Sample("a", true);
    a.orlavo = "12.5 \xC2\xB5s";  // "µs": two bytes, one character
    Row b = Sample("b", false);
    b.orlavo = "1 s";
    const std::string table = TextTable({a, b});
    std::istringstream lines(table);
    std::vector<std::size_t> goalAt;
    for (std::string line; std::getline(lines, line);) {
        // The goal column starts where "peer" text ends; measure in characters.
        const std::size_t bytes =
            line.find(line.rfind("goal") != std::string::npos ? "goal" : ">=");
        ASSERT_NE(bytes, std::string::npos) << line;
        std::size_t chars = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            chars += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        goalAt.push_back(chars);
    }
    ASSERT_EQ(goalAt.size(), 3u);
    EXPECT_EQ(goalAt[0], goalAt[1]);
    EXPECT_EQ(goalAt[1], goalAt[2]);
    EXPECT_NE(table.find("NO"), std::string::npos);  // a missed goal stands out
}

TEST(BenchRowsTest, MarkdownExplainsOnlyTheRowsThatMissTheirGoal) {
    Row pass = Sample("upload.10", true);
    pass.work = "a | b";
    const Row miss = Sample("order.send", false);
    const std::map<std::string, std::string> notes = {
        {"order.send", "bound by the lab's disk writes"},
        {"upload.10", "never shown: the row passes"},
    };
    const std::string md = MarkdownTable({pass, miss}, notes);
    EXPECT_NE(md.find("| a \\| b |"), std::string::npos);
    EXPECT_NE(md.find("| **no** | 60 photos. bound by the lab's disk writes |"), std::string::npos);
    EXPECT_EQ(md.find("never shown"), std::string::npos);
    // Header, separator and one line a row.
    EXPECT_EQ(std::count(md.begin(), md.end(), '\n'), 4);
}

TEST(BenchRowsTest, NotesFileSkipsCommentsAndLinesWithoutId) {
    test::TempDir dir;
    const std::string file = dir.write("notes.tsv",
                                       "# why rows miss\n"
                                       "\n"
                                       "order.send\tthe lab writes every photo\n"
                                       "no tab here\n"
                                       "\tno id\n");
    const auto notes = ReadNotes(file);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes.at("order.send"), "the lab writes every photo");
}

TEST(BenchRowsTest, TakesTheRowsOptionOutOfTheCommandLine) {
    std::string words[] = {"bench", "--runs", "5", "--rows", "/tmp/r.tsv", "--benchmark_filter=A"};
    char* argv[7];
    for (int i = 0; i < 6; ++i)
        argv[i] = words[i].data();
    argv[6] = nullptr;
    int argc = 6;
    EXPECT_EQ(TakeRowsOption(argc, argv), "/tmp/r.tsv");
    ASSERT_EQ(argc, 4);
    EXPECT_STREQ(argv[1], "--runs");
    EXPECT_STREQ(argv[2], "5");
    EXPECT_STREQ(argv[3], "--benchmark_filter=A");
    EXPECT_EQ(argv[4], nullptr);
    EXPECT_EQ(TakeRowsOption(argc, argv), "");
    EXPECT_EQ(argc, 4);
}

}  // namespace
}  // namespace orlavo::bench
