// What a client posts to the lab besides the photo: a price request, or the
// manifest that travels with a photo. The first byte picks which. The price
// answer is always a document the wizard reads, its sums add up, and the
// stored manifest holds no card number beyond its last four digits and no
// security code, wherever the client put them.

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "lab/Catalogue.h"
#include "lab/Offers.h"
#include "lab/PriceCalculator.h"
#include "lab/TransferManifest.h"
#include "platform/XmlDocument.h"
#include "tests/fuzz/targets/FuzzCheck.h"

namespace lab = orlavo::lab;

namespace {

void Price(std::string_view request) {
    static const lab::Catalogue catalogue = lab::Catalogue::Demo();
    static const lab::Offers offers = lab::Offers::Demo();
    static const lab::PriceCalculator calc(catalogue, offers);
    const auto result = calc.quote(request);
    if (const auto* q = std::get_if<lab::PriceQuote>(&result)) {
        FUZZ_CHECK(q->subprice >= 0 && q->shipping >= 0 && q->freePrints >= 0);
        FUZZ_CHECK(q->discount >= 0 && q->discount <= q->subprice);
        FUZZ_CHECK(q->total == q->subprice - q->discount + q->shipping);
    } else {
        FUZZ_CHECK(!std::get<std::string>(result).empty());
    }
    orlavo::xml::Document answer;
    FUZZ_CHECK(answer.loadBytes(calc.answer(request)));
    const std::string root = answer.documentElement().name();
    FUZZ_CHECK(root == "PriceQuote" || root == "PriceRequest");
}

void Manifest(std::string_view bytes) {
    (void)lab::TransferManifest::Parse(bytes);
    const std::string stored = lab::ManifestForStorage(bytes);
    if (stored.empty())
        return;
    orlavo::xml::Document doc;
    FUZZ_CHECK(doc.loadBytes(stored));
    FUZZ_CHECK(doc.selectAll("//*[@securitycode]").empty());
    for (const auto& node : doc.selectAll("//*[@ccnumber]")) {
        int digits = 0;
        for (char c : node.attribute("ccnumber"))
            digits += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
        FUZZ_CHECK(digits <= 4);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        Manifest(bytes);
    else
        Price(bytes);
    return 0;
}
