// Bytes from a server or a file, damaged in every way we can think of, must
// never crash the XML layer, and what it accepts it must be able to write back.

#include <gtest/gtest.h>

#include "platform/XmlDocument.h"
#include "tests/fuzz/Mutator.h"

namespace orlavo::xml {
namespace {

const std::string kSeeds[] = {
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><transfermanifest><file "
    "filename=\"a\xE9.jpg\" "
    "size=\"12\"><product id=\"101\" qty=\"2\" zoomtrim=\"1\"/></file><user firstname=\"Zo\xEB\"/>"
    "<shipping/><payment cctype=\"1\"/><extra affiliateid=\"4711\"/></transfermanifest>",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PriceQuote><totals><subprice>1.00</subprice>"
    "<totalprice>2.95</totalprice></totals><text><msg>Caf\xC3\xA9 &amp; "
    "more</msg></text></PriceQuote>",
    "\xEF\xBB\xBF<a b='1'><![CDATA[x<y]]><!-- c --><?pi x?><c/>text</a>",
    std::string("\xFF\xFE<\0a\0/\0>\0", 10),
    "<html><head><title>DONE</title></head><body></body></html>",
};

// What a loaded document must always allow: its root, an XPath over all of
// it, and writing it out in a form that reads back.
void CheckLoaded(const Document& doc, std::string_view input) {
    ASSERT_FALSE(doc.empty()) << testing::PrintToString(std::string(input));
    const Node root = doc.documentElement();
    ASSERT_TRUE(root);
    EXPECT_FALSE(root.name().empty());
    EXPECT_GE(doc.selectAll("//*").size(), 1u);
    EXPECT_GE(root.childCount(), root.children().size());
    EXPECT_FALSE(root.child(root.childCount()));
    (void)root.text();

    Document again;
    EXPECT_TRUE(again.loadXml(doc.xml())) << testing::PrintToString(std::string(input));
    EXPECT_EQ(again.documentElement().name(), root.name());
}

TEST(XmlDocumentFuzz, MutatedDocumentsLoadOrAreRefusedCleanly) {
    fuzz::Mutator m(20261207);
    m.addTokens({"encoding=\"ISO-8859-1\"", "encoding='latin1'", "<?xml version=\"1.0\"?>",
                 "\xFE\xFF", std::string("\0<", 2), std::string("<\0", 2)});
    int loaded = 0, refused = 0;
    for (int i = 0; i < fuzz::Rounds(3000); ++i) {
        const std::string input = m.mutate(kSeeds[static_cast<std::size_t>(i) % std::size(kSeeds)]);
        Document doc;
        if (doc.loadBytes(input)) {
            ++loaded;
            CheckLoaded(doc, input);
        } else {
            ++refused;
            EXPECT_TRUE(doc.empty());
            EXPECT_FALSE(doc.documentElement());
            EXPECT_TRUE(doc.selectAll("//*").empty());
        }
    }
    // The mutations are mild enough that both outcomes occur often, though
    // a conforming parser lets fewer of them through.
    EXPECT_GT(loaded, 50);
    EXPECT_GT(refused, 300);
}

TEST(XmlDocumentFuzz, RandomBytesAndEveryCutOfASeedNeverCrash) {
    fuzz::Mutator m(7);
    for (int i = 0; i < fuzz::Rounds(1000); ++i) {
        const std::string input = m.randomBytes(m.below(300));
        Document doc;
        if (doc.loadBytes(input))
            CheckLoaded(doc, input);
    }
    for (const std::string& seed : kSeeds) {
        for (std::size_t n = 0; n <= seed.size(); ++n) {
            Document doc;
            if (doc.loadBytes(std::string_view(seed).substr(0, n)))
                CheckLoaded(doc, seed.substr(0, n));
        }
    }
}

TEST(XmlDocumentFuzz, DeepNestingAndLongTextsAreHandled) {
    // A hostile server could send nesting far deeper than any real document.
    std::string deep;
    for (int i = 0; i < 50000; ++i)
        deep += "<a>";
    for (int i = 0; i < 50000; ++i)
        deep += "</a>";
    Document doc;
    ASSERT_TRUE(doc.loadBytes(deep));
    EXPECT_EQ(doc.selectAll("//a").size(), 50000u);
    EXPECT_FALSE(doc.xml().empty());

    Document unclosed;
    EXPECT_FALSE(unclosed.loadBytes(deep.substr(0, deep.size() / 2)));
    EXPECT_TRUE(unclosed.empty());

    const std::string longText =
        "<a x=\"" + std::string(1 << 20, 'y') + "\">" + std::string(1 << 20, '\xE9') + "</a>";
    Document latin;
    ASSERT_TRUE(latin.loadBytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + longText));
    EXPECT_EQ(latin.documentElement().attribute("x").size(), std::size_t(1) << 20);
    EXPECT_EQ(latin.documentElement().text().size(), std::size_t(2) << 20);  // UTF-8
}

TEST(XmlDocumentFuzz, TextConversionsKeepTheirLengthRules) {
    fuzz::Mutator m(99);
    for (int i = 0; i < fuzz::Rounds(2000); ++i) {
        const std::string bytes = m.randomBytes(m.below(64));
        const std::string utf8 = Latin1ToUtf8(bytes);
        EXPECT_GE(utf8.size(), bytes.size());
        EXPECT_LE(utf8.size(), 2 * bytes.size());
        // Every Latin-1 text survives the way there and back.
        EXPECT_EQ(Utf8ToLatin1(utf8, true), bytes);
        // Arbitrary bytes read as UTF-8 never give more than one byte each
        // without references.
        EXPECT_LE(Utf8ToLatin1(bytes, false).size(), bytes.size());
    }
}

TEST(XmlDocumentFuzz, HostileXPathTextsSelectNothingInsteadOfThrowing) {
    Document doc;
    ASSERT_TRUE(doc.loadXml("<a><b id=\"1\"/></a>"));
    fuzz::Mutator m(3);
    m.addTokens({"[", "]", "@", "//", "(", ")", "\"", "'", "|", "::", "*", "..", "="});
    for (int i = 0; i < fuzz::Rounds(2000); ++i) {
        const std::string xpath = m.mutate("a/b[@id=\"1\"]");
        (void)doc.selectAll(xpath);
        (void)doc.selectSingle(xpath);
        (void)doc.documentElement().selectAll(xpath);
    }
    EXPECT_TRUE(doc.selectSingle("a/b[@id=\"1\"]"));
}

}  // namespace
}  // namespace orlavo::xml
