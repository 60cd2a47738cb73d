// The page a server answers to one photo: accepted only for the title DONE,
// and a refusal's message never comes from beyond the judged bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/transmission/UploadAnswer.h"

namespace t = orlavo::transmission;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const t::UploadVerdict verdict = t::JudgeUploadAnswer(answer);
    const std::string judged = t::FoldToUpper(answer.substr(0, t::kAnswerLimit));
    FUZZ_CHECK(judged.size() == std::min(size, t::kAnswerLimit));
    if (verdict.accepted) {
        FUZZ_CHECK(verdict.message.empty());
        FUZZ_CHECK(judged.find("TITLE>DONE") != std::string::npos);
    } else if (const auto title = t::PageTitle(judged)) {
        FUZZ_CHECK(title->size() <= judged.size());
        FUZZ_CHECK(*title == verdict.message);
        FUZZ_CHECK(judged.find(*title) != std::string::npos);
    } else {
        FUZZ_CHECK(!verdict.message.empty());
    }
    return 0;
}
