#include <gtest/gtest.h>

#include "platform/XmlDocument.h"

using namespace orlavo::xml;

TEST(XmlDocument, WellFormednessVerdict) {
    Document d;
    EXPECT_FALSE(d.loadXml(""));
    EXPECT_FALSE(d.loadXml("<html><body><p>Not Found<br></body></html>"));
    EXPECT_FALSE(d.loadXml("<a><b></a>"));
    // An attribute twice on one element is not well-formed, wherever it stands.
    EXPECT_FALSE(
        d.loadXml("<m><payment ccnumber=\"xxxx1111\" ccnumber=\"4111111111111111\"/></m>"));
    EXPECT_FALSE(
        d.loadBytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a x=\"1\" y=\"2\" x=\"3\"/>"));
    EXPECT_TRUE(d.empty());
    EXPECT_TRUE(d.loadXml("<?xml version=\"1.0\"?><a/>"));
    EXPECT_FALSE(d.empty());
}

TEST(XmlDocument, ChildListsHoldElementsOnly) {
    Document d;
    ASSERT_TRUE(d.loadXml("<r>\n  <a/>\n  text <!-- c --> <b x=\"1\"/>\n</r>"));
    Node r = d.documentElement();
    ASSERT_EQ(r.childCount(), 2u);
    EXPECT_EQ(r.child(0).name(), "a");
    EXPECT_EQ(r.child(1).name(), "b");
    EXPECT_FALSE(r.child(2));
    EXPECT_EQ(r.children().size(), 2u);
}

TEST(XmlDocument, XPathSelectsInDocumentOrder) {
    Document d;
    ASSERT_TRUE(
        d.loadXml("<s><ship id=\"1\"><country name=\"UK\"/></ship>"
                  "<ship id=\"2\"><country name=\"France\"/><country name=\"Spain\"/></ship></s>"));
    EXPECT_EQ(d.selectSingle("s/ship[@id=\"2\"]").child(0).attribute("name"), "France");
    EXPECT_EQ(d.selectAll("s/ship/country").size(), 3u);
    EXPECT_FALSE(d.selectSingle("s/ship[@id=\"9\"]"));
    // A value with a double quote breaks the expression: nothing is found, nothing throws.
    EXPECT_FALSE(d.selectSingle("s/ship/country[@name=\"Bad\"Name\"]"));
    EXPECT_TRUE(d.selectAll("s/ship[").empty());
}

TEST(XmlDocument, AttributesKeepTheirPlace) {
    Document d;
    ASSERT_TRUE(d.loadXml(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><m><file a=\"1\" b=\"2\"/></m>"));
    Node f = d.selectSingle("m/file");
    EXPECT_EQ(f.attribute("missing"), "");
    EXPECT_FALSE(f.hasAttribute("missing"));
    f.setAttribute("c", "3");
    f.setAttribute("a", std::int32_t{-7});
    EXPECT_EQ(
        d.xml(),
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><m><file a=\"-7\" b=\"2\" c=\"3\"/></m>");
}

TEST(XmlDocument, CreatesElementsAndText) {
    Document d;
    ASSERT_TRUE(d.loadXml("<r><t>old<i>er</i></t></r>"));
    Node t = d.selectSingle("r/t");
    EXPECT_EQ(t.text(), "older");
    t.setText("new & <fresh>");
    Node e = d.documentElement().appendElement("last");
    e.setAttribute("k", "v");
    EXPECT_EQ(d.documentElement().child(1).name(), "last");
    EXPECT_EQ(d.xml(),
              "<?xml version=\"1.0\"?><r><t>new &amp; &lt;fresh&gt;</t><last k=\"v\"/></r>");
}

TEST(XmlDocument, Latin1RoundTripKeepsCharactersBeyondIt) {
    Document d;
    ASSERT_TRUE(d.loadXml("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><m><user/></m>"));
    d.selectSingle("m/user").setAttribute("name", "Zo\xC3\xAB \xE2\x82\xAC");  // "Zoë €"
    std::string bytes = d.bytes();
    EXPECT_NE(bytes.find("name=\"Zo\xEB &#8364;\""), std::string::npos) << bytes;
    EXPECT_EQ(bytes.rfind("<?xml", 0), 0u);

    Document back;
    ASSERT_TRUE(back.loadBytes(bytes));
    EXPECT_EQ(back.selectSingle("m/user").attribute("name"), "Zo\xC3\xAB \xE2\x82\xAC");
}

TEST(XmlDocument, LoadBytesHonoursByteOrderMarkAndDeclaration) {
    Document d;
    ASSERT_TRUE(d.loadBytes("\xEF\xBB\xBF<a n=\"\xC3\xA9\"/>"));
    EXPECT_EQ(d.documentElement().attribute("n"), "\xC3\xA9");
    // UTF-16 little endian with a byte-order mark.
    std::string u16("\xFF\xFE", 2);
    for (char c : std::string("<a n=\"x\"/>"))
        u16 += std::string{c, '\0'};
    ASSERT_TRUE(d.loadBytes(u16));
    EXPECT_EQ(d.documentElement().attribute("n"), "x");
    // Without a declaration bytes are read as UTF-8.
    ASSERT_TRUE(d.loadBytes("<a n=\"\xC3\xA9\"/>"));
    EXPECT_EQ(d.documentElement().attribute("n"), "\xC3\xA9");
}

TEST(XmlDocument, RefusesWhatAConformingParserRefuses) {
    const char* const kBad[] = {
        "<a/><b/>",                                    // two roots
        "Warning: x in y on line 3\n<a/>",             // text before the root
        "<a/>trailing",                                // text after the root
        "<a>&nbsp;</a>",                               // undefined entity
        "<a x=\"1<2\"/>",                              // "<" in an attribute value
        "<a>x ]]> y</a>",                              // "]]>" in text
        "<a>\x01</a>",                                 // control character
        "<a>&#1;</a>",                                 // reference to one
        "<a x=\"1\" x=\"1\"/>",                        // attribute twice
        "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",  // document type declaration
        "<?xml version=\"1.0\"?><?xml version=\"1.0\"?><a/>",
    };
    for (const char* text : kBad) {
        Document d;
        EXPECT_FALSE(d.loadXml(text)) << text;
        EXPECT_FALSE(d.loadBytes(text)) << text;
        EXPECT_TRUE(d.empty()) << text;
    }
    Document d;
    // Program text is UTF-8; bytes alone may be read as windows-1252.
    EXPECT_FALSE(d.loadXml("<a>\xC3</a>"));
    EXPECT_TRUE(
        d.loadXml("\n\n  <?xml version=\"1.0\"?>\n<a><!-- c --><?pi x?><![CDATA[<&]]></a>\n"));
    EXPECT_EQ(d.documentElement().text(), "<&");
}

TEST(XmlDocument, DecodesTheDeclaredEncodingOrWindows1252WhenUndeclared) {
    struct Case {
        std::string bytes;
        std::string expected;  // the element's text in UTF-8; empty: refused
    };
    const std::string utf16le = [] {
        std::string out("\xFF\xFE", 2);
        for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>Caf"))
            out += std::string{c, '\0'};
        out += std::string("\xE9\x00\xAC\x20<\0/\0a\0>\0", 12);
        return out;
    }();
    const Case kCases[] = {
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>Caf\xE9 \x80</a>",
         "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"\n\n<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>Caf\xE9</a>", "Caf\xC3\xA9"},
        {"<?xml version='1.0' encoding='ISO-8859-15'?><a>\xA4</a>", "\xE2\x82\xAC"},
        {"<?xml version=\"1.0\" encoding=\"latin1\"?><a>\xE9</a>", "\xC3\xA9"},
        {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a>\xC1</a>", "\xD0\xB0"},
        {"<a>Caf\xE9 \x80</a>", "Caf\xC3\xA9 \xE2\x82\xAC"},            // undeclared, not UTF-8
        {"<a>Caf\xC3\xA9</a>", "Caf\xC3\xA9"},                          // undeclared UTF-8
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE9</a>", ""},  // not what it says
        {"<?xml version=\"1.0\" encoding=\"no-such-set\"?><a>x</a>", ""},
        {utf16le, "Caf\xC3\xA9\xE2\x82\xAC"},
    };
    for (const Case& c : kCases) {
        Document d;
        const bool loaded = d.loadBytes(c.bytes);
        EXPECT_EQ(loaded, !c.expected.empty()) << c.bytes;
        if (loaded) {
            EXPECT_EQ(d.documentElement().text(), c.expected) << c.bytes;
        }
    }
}
