#pragma once
// A manual page as man prints it, and its words, for tests that compare a
// page with the help text it was made from.

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace orlavo::test {

// ROFF printed by groff on 78 columns, without bold or underline.
inline std::string PrintedManPage(const std::string& roff) {
    TempDir dir;
    const std::string file = dir.write("page.1", roff);
    const std::string command = "groff -man -Tutf8 -rLL=78n -P-c -P-b -P-u " + file + " 2>&1";
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

// Words in lower case, a final ":" dropped (headings are printed in capitals
// without it).
inline std::vector<std::string> ManWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string w;
    while (in >> w) {
        for (char& c : w)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (w.size() > 1 && w.back() == ':')
            w.pop_back();
        words.push_back(w);
    }
    return words;
}

// The first word of HELP (after "Usage:") that PRINTED lacks or has out of
// order; empty when every word is there in order.
inline std::string FirstWordNotPrinted(const std::string& help, const std::string& printed) {
    std::vector<std::string> words = ManWords(help);
    if (!words.empty() && words.front() == "usage")
        words.erase(words.begin());
    const std::vector<std::string> page = ManWords(printed);
    std::size_t at = 0;
    for (const std::string& w : words) {
        while (at < page.size() && page[at] != w)
            ++at;
        if (at == page.size())
            return w;
        ++at;
    }
    return {};
}

}  // namespace orlavo::test
