#include "wizard/transmission/UploadAnswer.h"

#include "resources/WizardResources.h"

namespace orlavo::transmission {

std::optional<std::string> PageTitle(std::string_view answer) {
    constexpr std::string_view kTag = "TITLE>";
    std::size_t first = answer.find(kTag);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t start = first + kTag.size();
    std::size_t second = answer.find(kTag, start + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    // "</" of the closing tag is cut off; a second tag too close to leave
    // room for it gives an empty title rather than a negative length.
    if (second < start + 2) {
        return std::string();
    }
    return std::string(answer.substr(start, second - 2 - start));
}

std::string FoldToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

UploadVerdict JudgeUploadAnswer(std::string_view answer) {
    answer = answer.substr(0, kAnswerLimit);
    if (answer.empty()) {
        return {false, wizard::Str(185)};
    }
    std::optional<std::string> title = PageTitle(FoldToUpper(answer));
    if (!title) {
        return {false, wizard::Str(187) + "\n" + wizard::Str(188)};
    }
    if (*title == "DONE") {
        return {true, {}};
    }
    return {false, *title};
}

}  // namespace orlavo::transmission
