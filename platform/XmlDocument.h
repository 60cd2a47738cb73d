#pragma once
// Our XML document layer: expat gives the verdict on well-formedness,
// pugixml holds the tree and serves the DOM operations the programs use,
// with the results they rely on. Texts are UTF-8 in and out.
//
// Nothing here throws: a bad XPath expression selects nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace orlavo::xml {

// A handle to one element of a Document (or to none). Valid while its
// Document lives; cheap to copy.
class Node {
public:
    Node() = default;
    explicit Node(pugi::xml_node n) : node_(n) {}

    explicit operator bool() const { return static_cast<bool>(node_); }
    std::string name() const;

    // A missing attribute reads as the empty text.
    std::string attribute(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;
    // A new attribute goes after the existing ones; an existing one keeps its place.
    void setAttribute(std::string_view name, std::string_view value);
    void setAttribute(std::string_view name, std::int32_t value);

    // Element children in document order; white space between elements is no child.
    std::vector<Node> children() const;
    std::size_t childCount() const;
    Node child(std::size_t index) const;  // none when out of range

    Node selectSingle(std::string_view xpath) const;
    std::vector<Node> selectAll(std::string_view xpath) const;

    // The concatenated text content; writing replaces all children by one text.
    std::string text() const;
    void setText(std::string_view text);

    // Creates an element and appends it as the last child.
    Node appendElement(std::string_view name);

    pugi::xml_node raw() const { return node_; }

private:
    pugi::xml_node node_;
};

class Document {
public:
    Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    ~Document();

    // Parses program text (UTF-8); the declaration's encoding plays no part,
    // white space may stand before it. False for text that is not
    // well-formed (an empty text, an HTML page, several roots, text around
    // the root, an undefined entity, a control character, a document type
    // declaration); the document is then empty.
    bool loadXml(std::string_view text);

    // Parses bytes as they came from a file or a server: a byte-order mark
    // (UTF-8, -16, -32), else the declaration's encoding, any that iconv
    // knows, decides how they are read. Undeclared bytes are UTF-8 when they
    // are valid UTF-8 and windows-1252 otherwise. Bytes not valid in their
    // declared encoding, or an encoding unknown to iconv, give false.
    bool loadBytes(std::string_view bytes);

    bool empty() const;
    Node documentElement() const;
    Node selectSingle(std::string_view xpath) const;
    std::vector<Node> selectAll(std::string_view xpath) const;

    // Whole document as UTF-8 text, its declaration first.
    std::string xml() const;

    // Whole document as bytes in its declared encoding: a document declared
    // ISO-8859-1 gives ISO-8859-1 bytes, with a numeric character reference
    // for any character beyond it; UTF-8 otherwise.
    std::string bytes() const;

    // The encoding named in the declaration, or empty.
    std::string declaredEncoding() const;

    pugi::xml_document& raw();

private:
    std::unique_ptr<pugi::xml_document> doc_;
};

// Text conversions used at the edges of the program.
std::string Latin1ToUtf8(std::string_view latin1);
// Characters beyond ISO-8859-1 become "&#N;" when asReference, else "?".
std::string Utf8ToLatin1(std::string_view utf8, bool asReference);

// True when NAME names ISO-8859-1 (or an alias of it), case folded.
bool IsLatin1Name(std::string_view name);

}  // namespace orlavo::xml
