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

// Walks the order's units (SendUnits): each is numbered 1..N and gets its
// manifest and the work its file needs (a turn, a crop; made into a JPEG
// when the file holds another format, into sRGB when the lab wants it; its
// location removed when REMOVE_LOCATION). What is sent is always a JPEG: the
// manifest's contenttype is image/pjpeg, and a converted photo's filename is
// its stem with ".jpg". The manifest's size is the photo's; a file written
// for the send puts its own in its place. A manifest that cannot be built
// ends the preparation with "Unspecified error". DEBUG_DUMP as for the
// manifest.
PreparedUpload PrepareUpload(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                             const DiagnosticSink& debugDump = {}, bool removeLocation = false);

// The same for the rest of an interrupted order: ORDER_ID kept, the photos
// numbered 1..N as before, only those with one of NUMBERS sent, each with its
// size as the file has it now (a photo changed since goes in full as it is).
PreparedUpload PrepareResumedUpload(const wizard::CXmlDocuments& docs,
                                    const wizard::OrderModel& order, const std::string& orderId,
                                    const std::vector<int>& numbers,
                                    const DiagnosticSink& debugDump = {},
                                    bool removeLocation = false);

}  // namespace orlavo::transmission
