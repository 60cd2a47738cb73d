#pragma once
// The benchmarks' shared table: each benchmark program appends one row per
// piece of work it measured to a tab-separated file (its --rows option), and
// bench_table prints the rows gathered from every program and writes them as
// Markdown. A row carries its figures already formatted (median and the
// spread of the rounds), the goal and whether it was met.
//
// No Qt and no timing here, so the rules are tested on their own.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::bench {

// The median and the lowest and highest of a set of samples.
struct Spread {
    double median = 0;
    double low = 0;
    double high = 0;
    int count = 0;
};

// Spread of SAMPLES; count 0 when there are none. The median of an even
// count is the mean of the middle two.
Spread Summarize(std::vector<double> samples);

// PEER[i] / OURS[i] for every round both have a positive figure: the ratio of
// one round, with the peer measured right beside ours.
std::vector<double> PairedRatios(const std::vector<double>& numerators,
                                 const std::vector<double>& denominators);

// A goal on one figure: at least LIMIT, or below it.
struct Goal {
    enum class Kind { AtLeast, Below };
    Kind kind = Kind::AtLeast;
    double limit = 0;
    bool metBy(double value) const;
};

// "58.2 (55.0-60.3) UNIT"; "-" when there are no samples.
std::string Figure(const Spread& s, std::string_view unit, int decimals);

// One line of the table.
struct Row {
    std::string id;    // stable key, e.g. "thumbs.plain"
    std::string work;  // what was measured
    std::string orlavo;
    std::string peer;   // "-" without a peer
    std::string ratio;  // "-" without a peer
    std::string goal;
    bool pass = false;
    std::string note;  // rounds, sizes, what bounds the figure
};

// One tab-separated line (no newline). Tabs and line breaks inside the
// texts become blanks, so a line always reads back as one row.
std::string ToLine(const Row& row);
// The row of LINE; nothing when it has not 8 fields or its pass field is
// neither "yes" nor "no".
std::optional<Row> FromLine(std::string_view line);

// Appends ROW to the file PATH (made when missing); false when it cannot.
bool AppendRow(const std::string& path, const Row& row);
// Every row of the file PATH in order; lines that are not rows are skipped.
std::vector<Row> ReadRows(const std::string& path);

// The rows as an aligned plain-text table with a header, one line per row.
std::string TextTable(const std::vector<Row>& rows);
// The rows as a Markdown table. A row that misses its goal gets the text of
// NOTES under its id beside it, after its own note. "|" in texts is escaped.
std::string MarkdownTable(const std::vector<Row>& rows,
                          const std::map<std::string, std::string>& notes);
// "id<TAB>text" lines of a notes file; "#" lines and blank lines skipped.
std::map<std::string, std::string> ReadNotes(const std::string& path);

// Takes "--rows FILE" out of ARGC/ARGV (so other option parsers never see
// it) and gives FILE, empty when absent.
std::string TakeRowsOption(int& argc, char** argv);
// The N of "--runs N" (at least 1), or FALLBACK when absent.
int RunsOption(int argc, char** argv, int fallback);

// Load average of the last minute, as the benchmarks print it.
double LoadAverage();

}  // namespace orlavo::bench
