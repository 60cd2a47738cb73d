#pragma once
// The price request and its quote: the order's quantities per catalogue
// product go to the lab's price address as a PriceRequest document, and the
// PriceQuote answer fills PriceQuoteInfo.
//
// Blocks the calling thread for the exchange. Lives beside the manifest
// because it reads the customer's values back from the manifest template
// and posts with the form client.

#include <string>
#include <string_view>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {

// The last quote, as the server wrote it; all empty at start.
struct PriceQuoteInfo {
    std::string subprice;
    std::string totalprice;
    std::string discount;
    std::string shipping;
    std::string numfreeprints;
    std::string msg;
};

// The request document before it is filled in.
inline constexpr std::string_view kPriceRequestTemplate =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceRequest><extra/><codes><vouchercode/>"
    "<promocode/></codes><products/><shipping/><payment/></PriceRequest>";

// Per catalogue product, the prints over all photos.
std::vector<int> TotalQuantities(const wizard::OrderModel& order, int productCount);

// Fills the request from the catalogue (affiliate id), the template
// (qrtversion, the billing country's value, the payment id), the codes and
// TOTALS (a product element for each total above 0, in catalogue order).
// False when the catalogue or the template lacks what it needs.
bool BuildPriceRequest(const wizard::CXmlDocuments& docs, std::string_view voucher,
                       std::string_view promo, const std::vector<int>& totals,
                       std::string& request);

// Appends ANSWER to "!QRT2_request.txt" through DUMP (always), then reads it:
// "Wrong server response" when it is not XML, the error element's msg when
// there is one (INFO untouched), else the fields it holds into INFO and the
// empty text.
// REFUSED, when given, tells whether the text is the lab's own reason (the
// lab was reached and refused, for example an unknown voucher code).
std::string ParsePriceQuote(std::string_view answer, PriceQuoteInfo& info,
                            const DiagnosticSink& dump = {}, bool* refused = nullptr);

// A failed exchange as the user reads it: the lab's reason alone when the
// lab refused, else the failure followed by ". Unable to access server
// information.".
std::string PriceFailureText(const std::string& result, bool refused);

struct PriceQuoteRequest {
    std::string url;
    std::string voucher;
    std::string promo;
    std::string agent = "orlavo";
    DiagnosticSink dump;
};

// The whole exchange. Empty on success with INFO filled; otherwise the text
// to show: "Unable to load server data" when the request could not be built
// (so the caller stays on the details), the transport's message, or the
// answer's.
std::string RequestPriceQuote(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                              const PriceQuoteRequest& request, PriceQuoteInfo& info,
                              bool* refused = nullptr);

}  // namespace orlavo::transmission
