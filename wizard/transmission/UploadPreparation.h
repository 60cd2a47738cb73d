#pragma once
// Setting up an upload session: one order id, one item per photo with a
// line, every manifest built before anything is sent.

#include <cstdint>
#include <string>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/transmission/TransferManifest.h"
#include "wizard/transmission/UploadSession.h"

namespace orlavo::transmission {

struct PreparedUpload {
    bool ok = false;
    // When !ok: why the order cannot be sent; nothing has been sent.
    std::string message;
    std::string orderId;
    std::vector<UploadItem> items;
    // The bytes of every item's request, for the time left and the bars.
    std::uint64_t totalBytes = 0;
};

// Walks the order's photos in order; those with a quantity of 1 or more are
// numbered 1..N and get their manifest. A manifest that cannot be built ends
// the preparation with "Unspecified error". DEBUG_DUMP as for the manifest.
PreparedUpload PrepareUpload(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                             const DiagnosticSink& debugDump = {});

// The same for the rest of an interrupted order: ORDER_ID kept, the photos
// numbered 1..N as before, only those with one of NUMBERS sent, each with its
// size as the file has it now (a photo changed since goes in full as it is).
PreparedUpload PrepareResumedUpload(const wizard::CXmlDocuments& docs,
                                    const wizard::OrderModel& order, const std::string& orderId,
                                    const std::vector<int>& numbers,
                                    const DiagnosticSink& debugDump = {});

}  // namespace orlavo::transmission
