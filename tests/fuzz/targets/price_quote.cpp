// A price answer from the server: read or refused, always dumped whole, and
// a refusal leaves the last quote as it was.

#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/transmission/PriceQuote.h"

using orlavo::transmission::PriceQuoteInfo;

namespace {

bool Same(const PriceQuoteInfo& a, const PriceQuoteInfo& b) {
    return a.subprice == b.subprice && a.totalprice == b.totalprice && a.discount == b.discount &&
           a.shipping == b.shipping && a.numfreeprints == b.numfreeprints && a.msg == b.msg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const PriceQuoteInfo before{"s", "t", "d", "h", "n", "m"};
    PriceQuoteInfo info = before;
    int dumps = 0;
    const auto dump = [&](std::string_view file, std::string_view bytes) {
        ++dumps;
        FUZZ_CHECK(file == "!QRT2_request.txt");
        FUZZ_CHECK(bytes == answer);
        return true;
    };
    const std::string result = orlavo::transmission::ParsePriceQuote(answer, info, dump);
    FUZZ_CHECK(dumps == 1);
    if (!result.empty())
        FUZZ_CHECK(Same(info, before));
    return 0;
}
