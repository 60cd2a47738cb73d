#include "platform/XmlDocument.h"

#include <expat.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "common/TextRules.h"

namespace orlavo::xml {

namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration;

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Reads one UTF-8 sequence at s[i]; a malformed byte stands for itself.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (len <= 1 || i + len > s.size()) {
        ++i;
        return b;
    }
    char32_t cp = b & (0xFF >> (len + 1));
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += len;
    return cp;
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view SkipLeadingSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsXmlSpace(text[i]))
        ++i;
    return text.substr(i);
}

// The encoding pseudo-attribute of a leading declaration (white space may
// stand before it) in text whose markup is ASCII, or empty.
std::string DeclarationEncoding(std::string_view text) {
    text = SkipLeadingSpace(text);
    if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !IsXmlSpace(text[5]))
        return {};
    std::size_t end = text.find("?>");
    if (end == std::string_view::npos)
        return {};
    std::string_view decl = text.substr(0, end);
    std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos)
        return {};
    std::size_t q = decl.find_first_of("\"'", at);
    if (q == std::string_view::npos)
        return {};
    std::size_t q2 = decl.find(decl[q], q + 1);
    if (q2 == std::string_view::npos)
        return {};
    return std::string(decl.substr(q + 1, q2 - q - 1));
}

bool IsUtf8Name(std::string_view name) {
    std::string n = Lower(name);
    return n == "utf-8" || n == "utf8";
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(s, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// windows-1252 with its five unassigned bytes kept as the C1 characters of
// the same number, so that every byte reads as something.
std::string Windows1252ToUtf8(std::string_view bytes) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes)
        AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
    return out;
}

struct IconvCloser {
    iconv_t cd;
    ~IconvCloser() { iconv_close(cd); }
};

// BYTES in ENCODING as UTF-8; false for an encoding iconv does not know or
// bytes that are not valid in it.
bool DecodeToUtf8(std::string_view bytes, const std::string& encoding, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    IconvCloser closer{cd};
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 2);
    std::string in(bytes);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char buffer[8192];
    for (;;) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, inLeft > 0 ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno != E2BIG)
            return false;  // EILSEQ, or EINVAL for a sequence cut at the end
    }
    return true;
}

// The verdict of a conforming parser on UTF-8 TEXT, which has no byte-order
// mark and no white space before its declaration. A document type
// declaration is refused: none of ours has one, and without it no entity
// can be defined, expanded or left unresolved.
bool IsWellFormed(std::string_view text) {
    struct ParserFree {
        void operator()(XML_Parser p) const { XML_ParserFree(p); }
    };
    // The text is UTF-8 by now, whatever its declaration says.
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser(
        XML_ParserCreate("UTF-8"));
    if (!parser)
        return false;
    XML_SetUserData(parser.get(), parser.get());
    XML_SetStartDoctypeDeclHandler(
        parser.get(), [](void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
            XML_StopParser(static_cast<XML_Parser>(user), XML_FALSE);
        });
    // Parsed in slices, as the length argument is an int.
    constexpr std::size_t kSlice = std::size_t(1) << 30;
    do {
        std::string_view part = text.substr(0, kSlice);
        text.remove_prefix(part.size());
        if (XML_Parse(parser.get(), part.data(), static_cast<int>(part.size()),
                      text.empty() ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
            return false;
    } while (!text.empty());
    return true;
}

// XML forbids an attribute twice on one element; pugixml takes it, and a
// reader that looks at the first copy would miss what the second says.
bool HasRepeatedAttribute(const pugi::xml_document& doc) {
    struct Check : pugi::xml_tree_walker {
        bool repeated = false;
        bool for_each(pugi::xml_node& n) override {
            for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
                for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute())
                    if (std::strcmp(a.name(), b.name()) == 0) {
                        repeated = true;
                        return false;
                    }
            return true;
        }
    } check;
    const_cast<pugi::xml_document&>(doc).traverse(check);
    return check.repeated;
}

pugi::xpath_node_set Select(pugi::xml_node from, std::string_view xpath) {
    if (!from)
        return {};
    try {
        return from.select_nodes(std::string(xpath).c_str());
    } catch (const pugi::xpath_exception&) {
        return {};
    }
}

}  // namespace

bool IsLatin1Name(std::string_view name) {
    std::string n = Lower(name);
    return n == "iso-8859-1" || n == "iso8859-1" || n == "latin1" || n == "latin-1" ||
           n == "iso_8859-1" || n == "l1" || n == "cp819" || n == "ibm819";
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 8);
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view utf8, bool asReference) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = NextCodePoint(utf8, i);
        if (cp <= 0xFF) {
            out.push_back(static_cast<char>(cp));
        } else if (asReference) {
            out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        } else {
            out.push_back('?');
        }
    }
    return out;
}

// Node ------------------------------------------------------------------

std::string Node::name() const {
    return node_.name();
}

std::string Node::attribute(std::string_view name) const {
    return node_.attribute(std::string(name).c_str()).value();
}

bool Node::hasAttribute(std::string_view name) const {
    return static_cast<bool>(node_.attribute(std::string(name).c_str()));
}

void Node::setAttribute(std::string_view name, std::string_view value) {
    if (!node_)
        return;
    std::string n(name);
    pugi::xml_attribute a = node_.attribute(n.c_str());
    if (!a)
        a = node_.append_attribute(n.c_str());
    a.set_value(std::string(value).c_str());
}

void Node::setAttribute(std::string_view name, std::int32_t value) {
    setAttribute(name, std::to_string(value));
}

std::vector<Node> Node::children() const {
    std::vector<Node> out;
    for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            out.emplace_back(c);
    return out;
}

std::size_t Node::childCount() const {
    std::size_t n = 0;
    for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            ++n;
    return n;
}

Node Node::child(std::size_t index) const {
    for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        if (index == 0)
            return Node(c);
        --index;
    }
    return {};
}

Node Node::selectSingle(std::string_view xpath) const {
    auto set = Select(node_, xpath);
    for (const auto& x : set)
        if (x.node())
            return Node(x.node());
    return {};
}

std::vector<Node> Node::selectAll(std::string_view xpath) const {
    std::vector<Node> out;
    for (const auto& x : Select(node_, xpath))
        if (x.node())
            out.emplace_back(x.node());
    return out;
}

std::string Node::text() const {
    if (!node_)
        return {};
    std::string out;
    struct Collect : pugi::xml_tree_walker {
        std::string* out;
        bool for_each(pugi::xml_node& n) override {
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
                *out += n.value();
            return true;
        }
    } walker;
    walker.out = &out;
    const_cast<pugi::xml_node&>(node_).traverse(walker);
    return out;
}

void Node::setText(std::string_view text) {
    if (!node_)
        return;
    while (node_.first_child())
        node_.remove_child(node_.first_child());
    if (!text.empty())
        node_.append_child(pugi::node_pcdata).set_value(std::string(text).c_str());
}

Node Node::appendElement(std::string_view name) {
    if (!node_)
        return {};
    return Node(node_.append_child(std::string(name).c_str()));
}

// Document --------------------------------------------------------------

Document::Document() : doc_(std::make_unique<pugi::xml_document>()) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

pugi::xml_document& Document::raw() {
    return *doc_;
}

bool Document::loadXml(std::string_view text) {
    doc_->reset();
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    // White space before the declaration is tolerated, as parsers of the DOM
    // kind do; the update manifest is served with leading line feeds.
    text = SkipLeadingSpace(text);
    if (!IsWellFormed(text))
        return false;
    pugi::xml_parse_result r =
        doc_->load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!r || !doc_->document_element() || HasRepeatedAttribute(*doc_)) {
        doc_->reset();
        return false;
    }
    return true;
}

bool Document::loadBytes(std::string_view bytes) {
    doc_->reset();
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return loadXml(bytes.substr(3));
    // UTF-16 and UTF-32, by their byte-order mark or by how "<" comes out.
    static constexpr struct {
        std::string_view start;
        const char* encoding;
    } kWide[] = {
        {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\x00\x00\x00<", 4), "UTF-32BE"},
        {std::string_view("<\x00\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
        {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
        {std::string_view("\x00<", 2), "UTF-16BE"},
        {std::string_view("<\x00", 2), "UTF-16LE"},
    };
    for (const auto& wide : kWide) {
        if (!bytes.starts_with(wide.start))
            continue;
        std::string text;
        if (!DecodeToUtf8(bytes, wide.encoding, text))
            return false;
        if (text.starts_with("\xEF\xBB\xBF"))
            text.erase(0, 3);
        return loadXml(text);
    }
    const std::string declared = DeclarationEncoding(bytes);
    if (declared.empty() || IsUtf8Name(declared)) {
        if (declared.empty() && !IsValidUtf8(bytes)) {
            // Undeclared bytes that are not UTF-8 come from servers that
            // write a Windows code page.
            return loadXml(Windows1252ToUtf8(bytes));
        }
        return loadXml(bytes);
    }
    std::string text;
    if (!DecodeToUtf8(bytes, declared, text))
        return false;
    return loadXml(text);
}

bool Document::empty() const {
    return !doc_->document_element();
}

Node Document::documentElement() const {
    return Node(doc_->document_element());
}

Node Document::selectSingle(std::string_view xpath) const {
    return Node(*doc_).selectSingle(xpath);
}

std::vector<Node> Document::selectAll(std::string_view xpath) const {
    return Node(*doc_).selectAll(xpath);
}

std::string Document::declaredEncoding() const {
    for (pugi::xml_node c = doc_->first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_declaration)
            return c.attribute("encoding").value();
    return {};
}

std::string Document::xml() const {
    std::ostringstream out;
    doc_->save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

std::string Document::bytes() const {
    std::string text = xml();
    if (IsLatin1Name(declaredEncoding()))
        return Utf8ToLatin1(text, true);
    return text;
}

}  // namespace orlavo::xml
