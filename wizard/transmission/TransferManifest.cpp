#include "wizard/transmission/TransferManifest.h"

#include <cstdio>
#include <filesystem>
#include <random>

#include "common/TextRules.h"
#include "platform/XmlDocument.h"
#include "wizard/transmission/FormParts.h"

namespace orlavo::transmission {

namespace {

constexpr std::string_view kManifestDump = "!QRT2_output.txt";
constexpr std::size_t kFileNameLimit = 259;
// What ends the folder part of a path here: "/"; on Windows also "\" and
// a drive's ":".
constexpr std::string_view kSeparators =
    std::filesystem::path::preferred_separator == '\\' ? "\\/:" : "/";

std::string Attribute(const wizard::CXmlDocuments& docs, std::string_view path,
                      std::string_view name) {
    xml::Node node = docs.manifestTemplate().selectSingle(path);
    return node ? node.attribute(name) : std::string();
}

std::string PhotoBanner(int number, int count) {
    char line[96];
    std::snprintf(line, sizeof line, "\r\n------------ Photo %d of %d --------------\r\n", number,
                  count);
    return line;
}

// The manifest as it may be written to disk: no card data beyond the last
// four digits of the number.
std::string MaskedCopy(const xml::Document& manifest) {
    xml::Document copy;
    if (!copy.loadXml(manifest.xml())) {
        return {};
    }
    if (xml::Node payment = copy.selectSingle("transfermanifest/payment")) {
        if (payment.hasAttribute("ccnumber")) {
            payment.setAttribute("ccnumber", MaskCardNumber(payment.attribute("ccnumber")));
        }
        payment.raw().remove_attribute("securitycode");
    }
    return copy.bytes();
}

}  // namespace

std::string MakeOrderId() {
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, kOrderIdAlphabet.size() - 1);
    std::string id;
    id.reserve(kOrderIdLength);
    for (std::size_t i = 0; i < kOrderIdLength; ++i) {
        id += kOrderIdAlphabet[pick(source)];
    }
    return id;
}

std::string ManifestFileName(std::string_view path) {
    const std::size_t cut = path.find_last_of(kSeparators);
    const std::string_view base = cut == std::string_view::npos ? path : path.substr(cut + 1);
    std::string name;
    name.reserve(base.size());
    std::size_t i = 0;
    for (std::size_t characters = 0; i < base.size() && characters < kFileNameLimit; ++characters) {
        const auto byte = static_cast<unsigned char>(base[i]);
        char32_t cp = 0;
        const std::size_t length = byte < 0x80 ? 0 : Utf8SequenceAt(base, i, cp);
        if (byte < 0x20 || cp == 0xFFFE || cp == 0xFFFF) {
            // No character of XML 1.0, or (tab, line breaks) one an attribute loses.
            name += '_';
        } else if (byte < 0x80) {
            name += static_cast<char>(byte);
        } else if (length == 0) {
            // Not UTF-8: the byte as the Latin-1 character a name of an older system meant.
            name += static_cast<char>(0xC0 | (byte >> 6));
            name += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            name.append(base.substr(i, length));
        }
        i += length > 0 ? length : 1;
    }
    return name;
}

std::string MaskCardNumber(std::string_view number) {
    if (number.size() <= 4) {
        return std::string(number);
    }
    return std::string(number.size() - 4, 'x') + std::string(number.substr(number.size() - 4));
}

bool SetCustomerDetails(wizard::CXmlDocuments& docs, const wizard::CustomerDetails& r,
                        const std::optional<std::string>& dealerNumber) {
    docs.billingCountryName = r.country;
    docs.shippingCountryName = r.shippingCountry;
    xml::Document& manifest = docs.manifestTemplate();
    xml::Node user = manifest.selectSingle("transfermanifest/user");
    xml::Node shipping = manifest.selectSingle("transfermanifest/shipping");
    xml::Node payment = manifest.selectSingle("transfermanifest/payment");
    if (!user || !shipping || !payment) {
        return false;
    }
    user.setAttribute("firstname", r.firstname);
    user.setAttribute("lastname", r.lastname);
    user.setAttribute("address1", r.address1);
    user.setAttribute("address2", r.address2);
    user.setAttribute("city", r.city);
    user.setAttribute("country", docs.GetCountryValue(r.country));
    user.setAttribute("email", r.email);
    user.setAttribute("phone", r.phone);
    user.setAttribute("state", r.state);
    user.setAttribute("zip", r.zip);
    user.setAttribute("customernumber", r.customernumber);
    if (dealerNumber) {
        user.setAttribute("dealernumber", *dealerNumber);
    }

    shipping.setAttribute("storeid", r.storeid);
    shipping.setAttribute("name", r.shippingName);
    shipping.setAttribute("address1", r.shippingAddress1);
    shipping.setAttribute("address2", r.shippingAddress2);
    shipping.setAttribute("city", r.shippingCity);
    shipping.setAttribute("country", docs.GetCountryValue(r.shippingCountry));
    shipping.setAttribute("phone", r.shippingPhone);
    shipping.setAttribute("state", r.shippingState);
    shipping.setAttribute("zip", r.shippingZip);

    payment.setAttribute("cctype", r.cctype);
    payment.setAttribute("ccnumber", r.ccnumber);
    payment.setAttribute("ccstartyear", r.ccstartyear);
    payment.setAttribute("ccstartmonth", r.ccstartmonth);
    payment.setAttribute("ccexpireyear", r.ccexpireyear);
    payment.setAttribute("ccexpiremonth", r.ccexpiremonth);
    payment.setAttribute("nameoncard", r.nameoncard);
    payment.setAttribute("issueno", r.issueno);
    payment.setAttribute("securitycode", r.securitycode);
    payment.setAttribute("vouchercode", r.vouchercode);
    payment.setAttribute("promocode", r.promocode);
    return true;
}

std::optional<std::string> BuildPhotoManifest(const wizard::CXmlDocuments& docs,
                                              const wizard::SelectedPhoto& photo,
                                              std::string_view orderId, int photoNumber,
                                              int photoCount, const DiagnosticSink& debugDump) {
    xml::Document copy;
    if (!copy.loadXml(docs.manifestTemplate().xml())) {
        return std::nullopt;
    }
    xml::Node file = copy.selectSingle("transfermanifest/file");
    xml::Node extra = copy.selectSingle("transfermanifest/extra");
    if (!file || !extra) {
        return std::nullopt;
    }
    file.setAttribute("contenttype", MediaType(photo.contentTypeIndex));
    file.setAttribute("filename", ManifestFileName(photo.path));
    file.setAttribute("size", std::to_string(photo.fileSize));
    file.setAttribute("currentnumphoto", std::to_string(photoNumber));
    const int products = docs.GetProductCount();
    for (int j = 0; j < products && j < static_cast<int>(photo.orderLines.size()); ++j) {
        const wizard::OrderLine& line = photo.orderLines[static_cast<std::size_t>(j)];
        if (line.quantity <= 0) {
            continue;
        }
        xml::Node product = file.appendElement("product");
        product.setAttribute("id", docs.GetProductId(j));
        product.setAttribute("qty", line.quantity);
        product.setAttribute("zoomtrim", line.zoomTrim);
    }
    extra.setAttribute("uniqueid", orderId);
    extra.setAttribute("numphotos", static_cast<std::int32_t>(photoCount));

    std::string text = copy.bytes();
    if (debugDump) {
        debugDump(kManifestDump, PhotoBanner(photoNumber, photoCount) + MaskedCopy(copy));
    }
    return text;
}

std::string GetUserValue(const wizard::CXmlDocuments& docs, std::string_view name) {
    return Attribute(docs, "transfermanifest/user", name);
}

std::string GetShippingValue(const wizard::CXmlDocuments& docs, std::string_view name) {
    return Attribute(docs, "transfermanifest/shipping", name);
}

std::string GetPaymentValue(const wizard::CXmlDocuments& docs, std::string_view name) {
    return Attribute(docs, "transfermanifest/payment", name);
}

int GetCardTypeId(const wizard::CXmlDocuments& docs) {
    std::string stored = GetPaymentValue(docs, "cctype");
    long long value = 0;
    for (char c : stored) {
        if (c < '0' || c > '9' || value > 100000000) {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return static_cast<int>(value);
}

std::string GetCardTypeName(const wizard::CXmlDocuments& docs) {
    return docs.GetPaymentName(GetPaymentValue(docs, "cctype"));
}

}  // namespace orlavo::transmission
