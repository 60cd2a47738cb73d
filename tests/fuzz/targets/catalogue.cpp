// The affiliate catalogue as a server sends it: loaded or refused with a
// text, and every query afterwards stays in bounds.

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/catalogue/CXmlDocuments.h"

using orlavo::wizard::CXmlDocuments;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    CXmlDocuments docs;
    docs.setProgramVersion("2.0.44.3");
    orlavo::wizard::ShopList shops;
    const std::string error =
        docs.LoadDownloaded("http://127.0.0.1:1/affiliateinfo.xml", body, shops);
    if (!error.empty())
        return 0;

    const int products = docs.GetProductCount();
    FUZZ_CHECK(products >= 0);
    for (int i : {INT_MIN, -1, products, INT_MAX}) {
        FUZZ_CHECK(docs.GetProductId(i).empty());
        FUZZ_CHECK(docs.GetProductName(i).empty());
        FUZZ_CHECK(docs.GetProductPrice(i).empty());
        FUZZ_CHECK(docs.GetProductSize(i) == std::make_pair(0, 0));
    }
    for (int i = 0; i < products; ++i) {
        (void)docs.GetProductId(i);
        (void)docs.GetProductName(i);
        (void)docs.GetProductPrice(i);
        (void)docs.GetProductSize(i);
    }
    (void)docs.GetCurrency();

    const int payments = docs.GetPaymentCount();
    FUZZ_CHECK(payments >= 0);
    for (int i = -1; i <= payments; ++i) {
        const auto p = docs.GetPayment(i);
        if (i < 0 || i == payments)
            FUZZ_CHECK(p.id.empty() && p.name.empty());
        else
            (void)docs.GetPaymentName(p.id);
    }
    for (std::string_view id : {"", "\"", "1\" or \"1\"=\"1", "'", "1"})
        (void)docs.GetPaymentName(id);

    const int countries = docs.GetCountryCount();
    FUZZ_CHECK(countries >= 0);
    FUZZ_CHECK(docs.GetCountryName(countries).empty());
    FUZZ_CHECK(docs.GetCountryName(-1).empty());
    for (int i = 0; i < countries; ++i)
        (void)docs.GetCountryValue(docs.GetCountryName(i));
    FUZZ_CHECK(docs.GetCountryValue("\"]|//*[\"").empty());
    for (int g : {INT_MIN, -1, 0, 1, 2, INT_MAX})
        FUZZ_CHECK(docs.GetShipCountryCount(g) >= 0);

    orlavo::wizard::ShopList again;
    docs.LoadShops(again);
    FUZZ_CHECK(again.size() == shops.size());
    for (const auto& shop : shops)
        (void)orlavo::wizard::FindShopByStoreId(shops, shop.storeid);
    return 0;
}
