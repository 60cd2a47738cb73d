#pragma once
// The transfer manifest: the XML document that travels with every photo of
// an order. The template in CXmlDocuments receives the customer's details
// once they are valid; one copy of it per photo, completed with the photo's
// file, products and the order's facts, becomes that photo's manifest.
//
// Window thread only (or whichever single thread owns the CXmlDocuments);
// the upload worker only reads the finished texts.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/customer/CustomerDetails.h"
#include "wizard/photos/SelectedPhoto.h"

namespace orlavo::transmission {

// Appends bytes to a named diagnostic file; false when it cannot.
using DiagnosticSink = std::function<bool(std::string_view file, std::string_view bytes)>;

// The order id: 15 characters of this alphabet.
inline constexpr std::string_view kOrderIdAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::size_t kOrderIdLength = 15;

// A new order id from the system's random source, so that two orders made
// in the same second never share one.
std::string MakeOrderId();

// The file-name part of PATH: after the last "/" (on Windows also "\" and
// ":", which are ordinary characters of a name elsewhere), at most 259
// characters, written only with characters of XML 1.0: control characters,
// U+FFFE and U+FFFF become "_", and bytes that are not UTF-8 are taken as
// Latin-1 characters.
std::string ManifestFileName(std::string_view path);

// Keeps the two country names in DOCS, then writes the user, shipping and
// payment attributes into the template; the country attributes get the
// catalogue's value for the names. DEALER_NUMBER is written after
// customernumber when given (the dealer-number option is on). False when
// the template lacks an element (nothing is sent then).
bool SetCustomerDetails(wizard::CXmlDocuments& docs, const wizard::CustomerDetails& record,
                        const std::optional<std::string>& dealerNumber);

// The manifest of one photo: a copy of the template with the file element
// (contenttype, filename, size, currentnumphoto and one product per line
// with a quantity, in catalogue order) and extra (uniqueid, numphotos).
// The text is the document as single-byte ISO-8859-1. None when the template
// cannot be copied or lacks an element.
// With DEBUG_DUMP set, the manifest is appended to "!QRT2_output.txt" after a
// "Photo N of M" line, with the card number masked to its last four digits
// and without the security code; the text sent is not masked.
std::optional<std::string> BuildPhotoManifest(const wizard::CXmlDocuments& docs,
                                              const wizard::SelectedPhoto& photo,
                                              std::string_view orderId, int photoNumber,
                                              int photoCount, const DiagnosticSink& debugDump = {});

// Readers of the template: one attribute of transfermanifest/user,
// shipping or payment; empty when missing.
std::string GetUserValue(const wizard::CXmlDocuments& docs, std::string_view name);
std::string GetShippingValue(const wizard::CXmlDocuments& docs, std::string_view name);
std::string GetPaymentValue(const wizard::CXmlDocuments& docs, std::string_view name);
// The stored cctype as a number (leading digits; 0 when none) and the
// payment method's display name for it.
int GetCardTypeId(const wizard::CXmlDocuments& docs);
std::string GetCardTypeName(const wizard::CXmlDocuments& docs);

// A card number with all but its last four characters replaced by "x".
std::string MaskCardNumber(std::string_view number);

}  // namespace orlavo::transmission
