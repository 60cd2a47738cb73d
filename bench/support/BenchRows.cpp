#include "bench/support/BenchRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orlavo::bench {

namespace {

constexpr int kFields = 8;

std::string Clean(std::string_view text) {
    std::string s(text);
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return s;
}

// Characters, not bytes, so that a UTF-8 text lines up.
std::size_t Width(const std::string& s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& s, std::size_t width) {
    const std::size_t w = Width(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string EscapeCell(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '|')
            out += '\\';
        out += c;
    }
    return out;
}

std::array<std::string, kFields> Cells(const Row& r) {
    return {r.id, r.work, r.orlavo, r.peer, r.ratio, r.goal, r.pass ? "yes" : "no", r.note};
}

}  // namespace

Spread Summarize(std::vector<double> samples) {
    Spread s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.count = static_cast<int>(n);
    s.low = samples.front();
    s.high = samples.back();
    s.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return s;
}

std::vector<double> PairedRatios(const std::vector<double>& numerators,
                                 const std::vector<double>& denominators) {
    std::vector<double> out;
    const std::size_t n = std::min(numerators.size(), denominators.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (numerators[i] > 0 && denominators[i] > 0)
            out.push_back(numerators[i] / denominators[i]);
    }
    return out;
}

bool Goal::metBy(double value) const {
    if (std::isnan(value))
        return false;
    return kind == Kind::AtLeast ? value >= limit : value < limit;
}

std::string Figure(const Spread& s, std::string_view unit, int decimals) {
    if (s.count == 0)
        return "-";
    char buf[160];
    if (s.count == 1)
        std::snprintf(buf, sizeof buf, "%.*f", decimals, s.median);
    else
        std::snprintf(buf, sizeof buf, "%.*f (%.*f-%.*f)", decimals, s.median, decimals, s.low,
                      decimals, s.high);
    std::string text = buf;
    if (!unit.empty()) {
        text += ' ';
        text.append(unit);
    }
    return text;
}

std::string ToLine(const Row& row) {
    const auto cells = Cells(row);
    std::string line = Clean(cells[0]);
    for (std::size_t i = 1; i < cells.size(); ++i)
        line += '\t' + Clean(cells[i]);
    return line;
}

std::optional<Row> FromLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != kFields || fields[0].empty() || (fields[6] != "yes" && fields[6] != "no"))
        return std::nullopt;
    Row r;
    r.id = fields[0];
    r.work = fields[1];
    r.orlavo = fields[2];
    r.peer = fields[3];
    r.ratio = fields[4];
    r.goal = fields[5];
    r.pass = fields[6] == "yes";
    r.note = fields[7];
    return r;
}

bool AppendRow(const std::string& path, const Row& row) {
    std::ofstream out(path, std::ios::app);
    out << ToLine(row) << '\n';
    out.close();
    return static_cast<bool>(out);
}

std::vector<Row> ReadRows(const std::string& path) {
    std::vector<Row> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (auto r = FromLine(line))
            rows.push_back(std::move(*r));
    }
    return rows;
}

std::string TextTable(const std::vector<Row>& rows) {
    const std::array<std::string, 6> head = {"work", "Orlavo", "peer", "ratio", "goal", "pass"};
    std::array<std::size_t, 6> width{};
    auto cells = [](const Row& r) -> std::array<std::string, 6> {
        return {r.work, r.orlavo, r.peer, r.ratio, r.goal, r.pass ? "yes" : "NO"};
    };
    for (std::size_t c = 0; c < head.size(); ++c)
        width[c] = Width(head[c]);
    for (const Row& r : rows) {
        const auto cs = cells(r);
        for (std::size_t c = 0; c < cs.size(); ++c)
            width[c] = std::max(width[c], Width(cs[c]));
    }
    auto line = [&](const std::array<std::string, 6>& cs) {
        std::string s;
        for (std::size_t c = 0; c < cs.size(); ++c)
            s += (c == 0 ? "" : "  ") + (c + 1 == cs.size() ? cs[c] : Pad(cs[c], width[c]));
        return s + "\n";
    };
    std::string out = line(head);
    for (const Row& r : rows)
        out += line(cells(r));
    return out;
}

std::string MarkdownTable(const std::vector<Row>& rows,
                          const std::map<std::string, std::string>& notes) {
    std::string out =
        "| work | Orlavo | peer | ratio | goal | pass | note |\n"
        "|---|---|---|---|---|---|---|\n";
    for (const Row& r : rows) {
        std::string note = r.note;
        if (!r.pass) {
            if (auto n = notes.find(r.id); n != notes.end())
                note += (note.empty() ? "" : ". ") + n->second;
        }
        for (const std::string& cell : {r.work, r.orlavo, r.peer, r.ratio, r.goal,
                                        std::string(r.pass ? "yes" : "**no**"), note})
            out += "| " + EscapeCell(cell) + " ";
        out += "|\n";
    }
    return out;
}

std::map<std::string, std::string> ReadNotes(const std::string& path) {
    std::map<std::string, std::string> notes;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0)
            continue;
        notes[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return notes;
}

std::string TakeRowsOption(int& argc, char** argv) {
    std::string file;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
            file = argv[++i];
            continue;
        }
        argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
    return file;
}

int RunsOption(int argc, char** argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

double LoadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace orlavo::bench
