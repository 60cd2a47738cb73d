#pragma once
// The price request's exchange: one form with the field "PriceRequest",
// posted on a connection of its own that is closed again at the end.

#include <atomic>
#include <string>
#include <string_view>

namespace orlavo::transmission {

// The price exchange blocks a step of the wizard; it may take this long.
inline constexpr long kPriceDeadlineSeconds = 120;

// True with the answer body (its first 8191 bytes) in ANSWER; false with the
// error message in ANSWER ("Unspecified error" or the transport's text).
// The answer is not judged here. Blocks the calling thread until done.
// CA_FILE as for HttpFormClient: empty trusts the system's store. The
// exchange ends within DEADLINE_SECONDS whatever the server does, with the
// transport's time-out message. CANCEL, when given, may be set from another
// thread: the transfer then stops within about a second (the connection is
// dropped) and the exchange fails with "Unspecified error".
bool PostPriceRequest(std::string_view url, std::string_view requestText, std::string& answer,
                      std::string_view agent = "orlavo", std::string_view caFile = {},
                      long deadlineSeconds = kPriceDeadlineSeconds,
                      const std::atomic<bool>* cancel = nullptr);

}  // namespace orlavo::transmission
