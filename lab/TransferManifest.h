#pragma once
// The manifest that travels with each uploaded photo, as the lab reads it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::lab {

struct ManifestProduct {
    std::string id;
    std::string qty;  // as sent; checked by the upload
    std::string zoomTrim;
};

struct TransferManifest {
    std::string contentType;
    std::string fileName;
    std::string size;
    std::string photoNumber;  // currentnumphoto
    std::vector<ManifestProduct> products;

    std::string firstName, lastName, city, country, email;
    std::string shippingName, shippingCity, shippingCountry, storeId;

    std::string payType;  // cctype
    std::string cardNumber;
    std::string expireMonth, expireYear;
    std::string voucherCode, promoCode;

    std::string affiliateId;
    std::string uniqueId;
    std::string photoCount;  // numphotos

    // Reads a transfermanifest document; no value when the bytes are not one.
    static std::optional<TransferManifest> Parse(std::string_view bytes);
};

// The manifest as the lab keeps it on disk: the card number cut to its last
// four digits and the security code left out. Empty when BYTES is no manifest
// or the result would not read back.
std::string ManifestForStorage(std::string_view bytes);

}  // namespace orlavo::lab
