#include "tools/man/HelpToMan.h"

#include <cctype>

namespace orlavo::man {

namespace {

// Headings are short lines; a longer line that ends in ":" introduces a list.
constexpr std::size_t kMaxHeading = 40;

struct Element {
    enum class Kind { Heading, Paragraph, Item, IndentedParagraph };
    Kind kind;
    std::string term;                // Heading text, or an Item's term
    std::vector<std::string> lines;  // the text, one help line each
};

std::string TrimRight(std::string_view s) {
    std::size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\r' || s[end - 1] == '\t'))
        --end;
    return std::string(s.substr(0, end));
}

std::size_t Indent(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] == ' ')
        ++n;
    return n;
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(TrimRight(text.substr(start, end - start)));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Where an item's term ends and its description begins: at the first gap of
// three or more blanks, else of two; npos when the line has no gap.
std::pair<std::size_t, std::size_t> Gap(std::string_view s) {
    for (std::string_view gap : {"   ", "  "}) {
        std::size_t at = s.find(gap);
        if (at != std::string_view::npos) {
            std::size_t end = at;
            while (end < s.size() && s[end] == ' ')
                ++end;
            return {at, end};
        }
    }
    return {std::string_view::npos, std::string_view::npos};
}

bool IsHeading(const std::vector<std::string>& lines, std::size_t i, bool blockStart) {
    const std::string& s = lines[i];
    return blockStart && s.size() <= kMaxHeading && s.back() == ':' &&
           s.find('.') == std::string::npos && i + 1 < lines.size() && Indent(lines[i + 1]) > 0;
}

std::string MacroArgument(std::string_view text) {
    std::string out;
    for (char c : RoffText(text)) {
        if (c == '"')
            out += "\\(dq";
        else
            out += c;
    }
    return "\"" + out + "\"";
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

void AppendLines(std::string& page, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        page += RoffText(line) + "\n";
}

}  // namespace

std::string RoffText(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string HelpToMan(std::string_view help, const PageInfo& info) {
    const std::vector<std::string> lines = Lines(help);
    std::size_t i = 0;
    while (i < lines.size() && lines[i].empty())
        ++i;

    // The synopsis: each form of the command line, wrapped lines joined.
    std::vector<std::string> forms;
    if (i < lines.size() && StartsWith(lines[i], "Usage:")) {
        std::string first = lines[i].substr(6);
        forms.push_back(first.substr(Indent(first)));
        for (++i; i < lines.size() && !lines[i].empty() && Indent(lines[i]) > 0; ++i) {
            const std::string form = lines[i].substr(Indent(lines[i]));
            if (form == info.name || StartsWith(form, info.name + " "))
                forms.push_back(form);
            else
                forms.back() += " " + form;
        }
    }

    std::vector<Element> elements;
    Element* current = nullptr;
    bool blockStart = true;
    std::size_t base = 0;  // the indent of the list's items; 0 outside a list
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) {
            current = nullptr;
            blockStart = true;
            continue;
        }
        const std::size_t indent = Indent(line);
        const std::string text = line.substr(indent);
        if (indent == 0) {
            base = 0;
            if (IsHeading(lines, i, blockStart)) {
                elements.push_back({Element::Kind::Heading, text.substr(0, text.size() - 1), {}});
                current = nullptr;
            } else if (current && current->kind == Element::Kind::Paragraph) {
                current->lines.push_back(text);
            } else {
                elements.push_back({Element::Kind::Paragraph, {}, {text}});
                current = &elements.back();
            }
        } else if (base == 0 || indent <= base || !current) {
            base = base == 0 ? indent : std::min(base, indent);
            const auto [gapStart, gapEnd] = Gap(text);
            const bool described = i + 1 < lines.size() && Indent(lines[i + 1]) > indent;
            if (gapStart == std::string::npos && !described && current && !blockStart &&
                current->kind == Element::Kind::IndentedParagraph)
                current->lines.push_back(text);  // the paragraph's next line
            else if (gapStart != std::string::npos)
                elements.push_back(
                    {Element::Kind::Item, text.substr(0, gapStart), {text.substr(gapEnd)}});
            else if (described)
                elements.push_back({Element::Kind::Item, text, {}});
            else
                elements.push_back({Element::Kind::IndentedParagraph, {}, {text}});
            current = &elements.back();
        } else {
            current->lines.push_back(text);
        }
        blockStart = false;
    }

    std::string page;
    page += ".\\\" Made from \"" + info.name +
            " --help\" by the build: change the help text, not this page.\n";
    page += ".TH " + MacroArgument(Upper(info.name)) + " " + std::to_string(info.section) +
            " \"\" " + MacroArgument(info.source) + " " + MacroArgument(info.manual) + "\n";
    // Options are printed as written: no hyphenation, no stretched blanks.
    page += ".nh\n.ad l\n";
    page += ".SH NAME\n" + RoffText(info.name) + " \\- " + RoffText(info.summary) + "\n";
    page += ".SH SYNOPSIS\n";
    if (forms.empty())
        forms.push_back(info.name);
    for (std::size_t f = 0; f < forms.size(); ++f) {
        if (f > 0)
            page += ".br\n";
        std::string rest = forms[f];
        if (rest == info.name || StartsWith(rest, info.name + " "))
            rest = rest.substr(info.name.size());
        page += "\\fB" + RoffText(info.name) + "\\fR" + RoffText(rest) + "\n";
    }
    page += ".SH DESCRIPTION\n";
    bool sectionStart = true;
    for (const Element& e : elements) {
        switch (e.kind) {
            case Element::Kind::Heading:
                page += ".SH " + MacroArgument(Upper(e.term)) + "\n";
                sectionStart = true;
                continue;
            case Element::Kind::Paragraph:
                if (!sectionStart)
                    page += ".PP\n";
                break;
            case Element::Kind::Item:
                page += ".TP\n\\fB" + RoffText(e.term) + "\\fR\n";
                break;
            case Element::Kind::IndentedParagraph:
                page += ".IP\n";
                break;
        }
        AppendLines(page, e.lines);
        sectionStart = false;
    }
    if (!info.seeAlso.empty()) {
        page += ".SH \"SEE ALSO\"\n";
        for (std::size_t s = 0; s < info.seeAlso.size(); ++s) {
            page += "\\fB" + RoffText(info.seeAlso[s]) + "\\fR(" + std::to_string(info.section) +
                    (s + 1 < info.seeAlso.size() ? "),\n" : ")\n");
        }
    }
    return page;
}

}  // namespace orlavo::man
