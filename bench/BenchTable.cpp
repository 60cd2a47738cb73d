// bench_table: prints the rows that the benchmark programs appended to one
// file as a table, and writes it as Markdown with the machine it ran on.
//
//   bench_table --rows FILE [--markdown OUT] [--notes FILE] [--load TEXT]
//               [--minutes M]
//
// --notes names "id<TAB>text" lines: why a row misses its goal, shown beside
// the row when it does. --load is what the load average was during the run.

#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "bench/support/BenchRows.h"

namespace {

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos)
                return line.substr(line.find_first_not_of(' ', colon + 1));
        }
    }
    return "unknown CPU";
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    std::string rowsFile, markdown, notesFile, load, minutes;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--rows")
            rowsFile = argv[i + 1];
        else if (a == "--markdown")
            markdown = argv[i + 1];
        else if (a == "--notes")
            notesFile = argv[i + 1];
        else if (a == "--load")
            load = argv[i + 1];
        else if (a == "--minutes")
            minutes = argv[i + 1];
    }
    if (rowsFile.empty()) {
        std::cerr << "usage: bench_table --rows FILE [--markdown OUT] [--notes FILE] [--load TEXT]"
                     " [--minutes M]\n";
        return 2;
    }
    const std::vector<orlavo::bench::Row> rows = orlavo::bench::ReadRows(rowsFile);
    if (rows.empty()) {
        std::cerr << "bench_table: no rows in " << rowsFile << "\n";
        return 1;
    }
    int met = 0;
    for (const auto& r : rows)
        met += r.pass ? 1 : 0;
    std::cout << "\n" << orlavo::bench::TextTable(rows);
    std::cout << met << " of " << rows.size() << " rows meet their goal.\n";
    if (markdown.empty())
        return 0;

    const auto notes = orlavo::bench::ReadNotes(notesFile);
    std::ofstream out(markdown, std::ios::trunc);
    out << "# Performance\n\n"
        << "Written by `./run bench` (a release build in `build-release`) on " << Today() << ".\n\n"
        << "- Machine: " << std::thread::hardware_concurrency() << " cores, " << CpuModel()
        << ".\n";
    if (!load.empty())
        out << "- Load: " << load << ".\n";
    if (!minutes.empty())
        out << "- The whole command took " << minutes << " minutes.\n";
    out << "- Each figure is the median of its rounds, with the lowest and highest in brackets.\n"
        << "  Orlavo and its peer run in alternating rounds, and a ratio (higher is better for\n"
        << "  Orlavo) is the median of each round's ratio, so that a change of load between\n"
        << "  rounds touches both sides alike.\n\n"
        << orlavo::bench::MarkdownTable(rows, notes) << "\n"
        << met << " of " << rows.size() << " rows meet their goal.\n";
    out.close();
    if (!out) {
        std::cerr << "bench_table: cannot write " << markdown << "\n";
        return 1;
    }
    std::cout << "Written to " << markdown << "\n";
    return 0;
}
