#pragma once
// Turns a command-line tool's --help text into its manual page, so that the
// two never tell different things: the page is made from the help at build
// time.
//
// The help text is read as our tools write it: "Usage:" lines first (more
// forms on lines indented below), then paragraphs at the left margin,
// headings ("Options:", a short line ending in ":" with an indented list
// below), and indented lists whose items put their description after a gap
// of two or more blanks, or on deeper indented lines below. Every word of the
// help reaches the page, in order.

#include <string>
#include <string_view>
#include <vector>

namespace orlavo::man {

struct PageInfo {
    std::string name;                  // the program, "orlavo-reg"
    int section = 1;                   // manual section
    std::string summary;               // one line for NAME, "read and write the settings store"
    std::string source;                // the package and version, "Orlavo 2.0.44.3"
    std::string manual;                // the manual's title, "Orlavo Manual"
    std::vector<std::string> seeAlso;  // other pages of the same section, "orlavo-order"
};

// The page in roff with the man macros.
std::string HelpToMan(std::string_view help, const PageInfo& info);

// TEXT as roff text: backslashes and hyphens escaped, a leading "." or "'"
// guarded, so that it prints as written.
std::string RoffText(std::string_view text);

}  // namespace orlavo::man
