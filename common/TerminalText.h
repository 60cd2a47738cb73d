#pragma once
// Text from a server or a file, made safe to print on a terminal: an error
// page or a quote's message could otherwise retitle, clear or reprogram the
// user's terminal with escape and control sequences.

#include <string>
#include <string_view>

namespace orlavo {

// TEXT with every control character shown escaped: "\e" for ESC, "\r" for a
// carriage return that does not end a line, "\xHH" for the other C0
// controls and DEL, "\u{HHHH}" for C1 controls and the characters that turn
// the direction of text; bytes that are not UTF-8 become "\xHH". Line feeds
// and tabs stay; "\r\n" becomes "\n".
std::string TerminalText(std::string_view text);

}  // namespace orlavo
