// The benchmark programs at their smallest sizes, once each, against the
// real orlavo-lab and curl: that both sides of a comparison do the work (the
// lab accepts curl's requests as it accepts ours), that each writes its rows,
// and that bench_table gathers them. Figures are never judged here.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "bench/support/BenchRows.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"

namespace orlavo::bench {
namespace {

class BenchProgramsTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::string& program, std::vector<std::string> args) {
        args.push_back("--rows");
        args.push_back(rows());
        return test::RunProgram(std::string(ORLAVO_BIN_DIR) + "/" + program, std::move(args),
                                {{"QT_QPA_PLATFORM", "offscreen"},
                                 {"TMPDIR", dir.path().string()},
                                 {"XDG_STATE_HOME", (dir.path() / "state").string()}},
                                dir.path());
    }
    std::string rows() const { return (dir.path() / "rows.tsv").string(); }
    // The row of ID; a failed expectation when there is none.
    Row RowOf(const std::string& id) const {
        const std::vector<Row> all = ReadRows(rows());
        auto it = std::find_if(all.begin(), all.end(), [&](const Row& r) { return r.id == id; });
        EXPECT_NE(it, all.end()) << "no row " << id;
        return it == all.end() ? Row{} : *it;
    }

    test::TempDir dir;
};

TEST_F(BenchProgramsTest, OrderIsSentByOrlavoOrderAndByTheCurlLoop) {
    const test::ProgramResult r = Run("bench_order", {"--photos", "3", "--mb", "1", "--runs", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const Row row = RowOf("order.send");
    EXPECT_NE(row.orlavo, "-");
    EXPECT_EQ(row.peer.rfind("curl loop ", 0), 0u) << row.peer;
    EXPECT_NE(row.ratio, "-");
    EXPECT_NE(row.work.find("3 photos of 1 MB"), std::string::npos);
    // Nothing is left behind in the temporary folder.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("orlavo-", 0) == 0)
            left.push_back(e.path().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(BenchProgramsTest, WizardReachesItsStartWindowAndHoldsTheWholeOrder) {
    const test::ProgramResult r = Run("bench_wizard", {"--photos", "4", "--runs", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(RowOf("wizard.start").orlavo, "-");
    const Row memory = RowOf("wizard.memory");
    EXPECT_NE(memory.orlavo, "-");
    EXPECT_NE(memory.work.find("4-photo order"), std::string::npos);
}

TEST_F(BenchProgramsTest, UploadRowsForEachSizeAndForMemory) {
    const test::ProgramResult r = Run("bench_upload", {"--sizes", "1,2", "--runs", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const char* id : {"upload.1", "upload.2"}) {
        const Row row = RowOf(id);
        EXPECT_EQ(row.peer.rfind("curl ", 0), 0u) << row.peer;
        EXPECT_NE(row.ratio, "-");
    }
    EXPECT_NE(RowOf("upload.memory").orlavo.find("at 2 MiB"), std::string::npos);
}

TEST_F(BenchProgramsTest, TableGathersEveryRowIntoMarkdown) {
    Row miss;
    miss.id = "order.send";
    miss.work = "whole order";
    miss.orlavo = "9.0 s";
    miss.peer = "curl loop 8.0 s";
    miss.ratio = "0.89";
    miss.goal = ">= 0.95";
    miss.note = "5 rounds";
    Row pass = miss;
    pass.id = "catalogue.load";
    pass.pass = true;
    ASSERT_TRUE(AppendRow(rows(), miss));
    ASSERT_TRUE(AppendRow(rows(), pass));
    const std::string notes = dir.write("notes.tsv", "order.send\tthe lab writes each photo\n");
    const std::string md = (dir.path() / "performance.md").string();
    const test::ProgramResult r = test::RunProgram(
        std::string(ORLAVO_BIN_DIR) + "/bench_table",
        {"--rows", rows(), "--notes", notes, "--markdown", md, "--load", "2.5"}, {}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 of 2 rows meet their goal"), std::string::npos) << r.out;
    const std::string text = test::ReadFile(md);
    EXPECT_NE(text.find(" cores, "), std::string::npos);
    EXPECT_NE(text.find("Load: 2.5"), std::string::npos);
    EXPECT_NE(text.find("5 rounds. the lab writes each photo"), std::string::npos) << text;

    const test::ProgramResult none =
        test::RunProgram(std::string(ORLAVO_BIN_DIR) + "/bench_table",
                         {"--rows", (dir.path() / "empty.tsv").string()}, {}, dir.path());
    EXPECT_EQ(none.exitCode, 1);
}

}  // namespace
}  // namespace orlavo::bench
