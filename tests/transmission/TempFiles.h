#pragma once
// Test files for the transmission tests.

#include <string>

#include "tests/support/TempDir.h"

namespace orlavo::test {

// COUNT bytes running through all 256 values.
inline std::string PatternBytes(std::size_t count) {
    std::string s(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        s[i] = static_cast<char>(i * 7 + 3);
    }
    return s;
}

}  // namespace orlavo::test
