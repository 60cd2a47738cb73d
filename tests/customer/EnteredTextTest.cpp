#include "wizard/customer/EnteredText.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

TEST(CleanEnteredText, KeepsWhatAnXmlDocumentCanCarryOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"Ada Lovelace", "Ada Lovelace"},
        {"  padded  ", "  padded  "},
        {"Line\nbreak\r\nand\ttab", "Line break  and tab"},
        {std::string("nul\0bell\a esc\x1b del\x7f", 19), "nulbell esc del"},
        {"c1\xC2\x85here", "c1here"},                                              // U+0085
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},  // Hebrew
        {"\xE2\x80\xAE"
         "evil",
         "\xE2\x80\xAE"
         "evil"},  // right-to-left override
        {"\xE5\x8C\x97\xE4\xBA\xAC \xF0\x9F\x93\xB7", "\xE5\x8C\x97\xE4\xBA\xAC \xF0\x9F\x93\xB7"},
        {"no\xEF\xBF\xBEpe", "nope"},  // U+FFFE
        {"bad\xFF\xC3utf", "badutf"},
        {"cut\xE2\x82", "cut"},
        {"over\xC0\xAFlong", "overlong"},
    };
    for (const auto& [typed, kept] : cases) {
        EXPECT_EQ(CleanEnteredText(typed), kept) << typed;
    }
}

TEST(CleanEnteredText, LongTextIsKeptWhole) {
    const std::string longText(10000, 'x');
    EXPECT_EQ(CleanEnteredText(longText), longText);
}

}  // namespace
}  // namespace orlavo::wizard
