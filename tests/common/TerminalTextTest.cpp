#include "common/TerminalText.h"

#include <gtest/gtest.h>

namespace orlavo {
namespace {

TEST(TerminalText, ControlCharactersAreShownEscaped) {
    const struct {
        std::string in;
        std::string shown;
    } kCases[] = {
        {"Caf\xC3\xA9 \xE2\x82\xAC 4.50", "Caf\xC3\xA9 \xE2\x82\xAC 4.50"},
        {"line one\nline two\twith a tab", "line one\nline two\twith a tab"},
        {"errors!\r\nbody", "errors!\nbody"},
        {"\x1B]0;owned\x07\x1B[2J", "\\e]0;owned\\x07\\e[2J"},
        {"over\rwrite", "over\\rwrite"},
        {std::string("nul\0del\x7F", 8), "nul\\x00del\\x7F"},
        {"\xC2\x9B"
         "31m",
         "\\u{009B}31m"},  // C1 CSI
        {"\x9B"
         "31m",
         "\\x9B31m"},  // the same as a lone byte
        {"a\xE2\x80\xAE"
         "gpj.exe",
         "a\\u{202E}gpj.exe"},  // right-to-left override
        {"cut \xE2\x82", "cut \\xE2\\x82"},
        {"\xC0\xAF", "\\xC0\\xAF"},  // overlong "/"
    };
    for (const auto& c : kCases) {
        const std::string shown = TerminalText(c.in);
        EXPECT_EQ(shown, c.shown) << testing::PrintToString(c.in);
        for (char ch : shown) {
            const auto b = static_cast<unsigned char>(ch);
            EXPECT_TRUE(b >= 0x20 || b == '\n' || b == '\t') << testing::PrintToString(shown);
            EXPECT_NE(b, 0x7F);
        }
    }
}

}  // namespace
}  // namespace orlavo
