// What the updater's window writes on standard error for whoever looks after
// the installation: server names and texts with their control characters
// shown, never acted on.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "updater/ui/UpdateProgressRelay.h"

namespace {

TEST(UpdateProgressRelay, FailuresReachStandardErrorWithTheirControlsEscaped) {
    std::ostringstream captured;
    std::streambuf* before = std::cerr.rdbuf(captured.rdbuf());
    UpdateProgressRelay relay;
    // A carriage return that would overwrite the line with a forged one, a
    // C1 CSI byte, a right-to-left override and an escape sequence.
    relay.failed(
        "a.jpg\rHalvane: all files installed\xC2\x9B"
        "2K",
        "refused \xE2\x80\xAE"
        "gpj.exe \x1B[2J");
    relay.failed({}, "cut \x9B");
    std::cerr.rdbuf(before);
    EXPECT_EQ(captured.str(),
              "Halvane: a.jpg\\rHalvane: all files installed\\u{009B}2K: refused "
              "\\u{202E}gpj.exe \\e[2J\n"
              "Halvane: cut \\x9B\n");
}

}  // namespace
