#pragma once
// What the details page takes of typed, pasted or remembered text: only
// characters that the order's XML documents can carry. A control character
// would make the manifest unreadable to the lab (XML 1.0 forbids it even as
// a character reference), so line breaks and tabs become blanks and every
// other control character or non-character is dropped. Everything else,
// right-to-left text and characters beyond ISO-8859-1 included, is kept.

#include <string>
#include <string_view>

namespace orlavo::wizard {

// True for a character a field may hold.
bool IsEnterableCharacter(char32_t c);

// UTF8 cleaned as above; bytes that are not UTF-8 are dropped.
std::string CleanEnteredText(std::string_view utf8);

}  // namespace orlavo::wizard
