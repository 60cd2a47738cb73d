#pragma once
// How the answer page to one photo's request is judged: by the text of its
// title element, after folding the whole answer to upper case.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::transmission {

// Only this many bytes of an answer are judged.
inline constexpr std::size_t kAnswerLimit = 8191;

// The text between the first "TITLE>" and two bytes before the next one, or
// none when there are not two. Case-sensitive: callers fold first.
std::optional<std::string> PageTitle(std::string_view answer);

// Letters a to z become A to Z; every other byte stays.
std::string FoldToUpper(std::string_view text);

struct UploadVerdict {
    bool accepted = false;
    // Empty when accepted. A refusal with an empty title leaves it empty so
    // that the request settles "Upload Failed".
    std::string message;
};

// Judges the first kAnswerLimit bytes of ANSWER: "DONE" accepts; any other
// title is the refusal message; no title or no bytes give the fixed texts.
UploadVerdict JudgeUploadAnswer(std::string_view answer);

}  // namespace orlavo::transmission
