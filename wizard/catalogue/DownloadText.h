#pragma once
// Fetches the whole body of an address with one HTTP GET, as the catalogue
// download needs it: always from the server (no cache), bytes unchanged,
// redirects followed, the body's length checked against its Content-Length.

#include <cstddef>
#include <string>

#include "platform/Curl.h"

namespace orlavo::wizard {

// The whole catalogue download ends within this many seconds whatever the
// server does, so a dripping server cannot keep the start window waiting.
inline constexpr long kCatalogueDeadlineSeconds = 120;

inline net::TransferOptions CatalogueTransfer() {
    net::TransferOptions options;
    options.totalSeconds = kCatalogueDeadlineSeconds;
    return options;
}

struct DownloadSettings {
    // Agent " ", connect 30 s, stall 60 s, the catalogue's deadline.
    net::TransferOptions transfer = CatalogueTransfer();
    // A larger answer is refused rather than held in memory.
    std::size_t maxBodyBytes = std::size_t(32) << 20;
};

// Appends the body of ADDRESS to BODY. The result is the empty text on
// success, else the error: the HTTP status message for a status of 400 or
// above, the length message when the body is shorter or longer than its
// Content-Length (an answer without one is accepted), the size message for
// an answer over the limit, or the transport's own message (at most 1023
// characters). Never throws. Blocks the calling thread for the transfer.
std::string DownloadText(const std::string& address, std::string& body,
                         const DownloadSettings& settings = {});

}  // namespace orlavo::wizard
