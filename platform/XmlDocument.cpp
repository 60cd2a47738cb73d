#include "platform/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

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

// The encoding attribute of a leading declaration in 8-bit text, or empty.
std::string DeclarationEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml")
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
    // Leading white space before the declaration is tolerated by parsers of the
    // DOM kind; a UTF-8 byte-order mark likewise.
    pugi::xml_parse_result r =
        doc_->load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!r || !doc_->document_element() || HasRepeatedAttribute(*doc_)) {
        doc_->reset();
        return false;
    }
    return true;
}

bool Document::loadBytes(std::string_view bytes) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF)
        return loadXml(bytes.substr(3));
    if (bytes.size() >= 2) {
        auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '<') ||
            (b0 == '<' && b1 == 0)) {
            doc_->reset();
            pugi::xml_parse_result r =
                doc_->load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_auto);
            if (!r || !doc_->document_element() || HasRepeatedAttribute(*doc_)) {
                doc_->reset();
                return false;
            }
            return true;
        }
    }
    if (IsLatin1Name(DeclarationEncoding(bytes)))
        return loadXml(Latin1ToUtf8(bytes));
    return loadXml(bytes);
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
