#pragma once
// The one failure code that ends an exchange, and the message it leaves.

#include <cstdint>
#include <string>

namespace orlavo::transmission {

// All ones: cancelled, or the failing step already set the message.
inline constexpr std::uint32_t kCodeMessageSet = 0xFFFFFFFFu;
// A failure without a transport code: "Unspecified error".
inline constexpr std::uint32_t kCodeUnspecified = 0;
// Any other value is a libcurl result code (CURLcode).

// The message for a transport code: libcurl's text for it, or "Unspecified
// error" when libcurl has none, so that a failure never leaves an empty message.
std::string ErrorText(std::uint32_t code);

// Settles MESSAGE by CODE: kCodeMessageSet leaves it, kCodeUnspecified gives
// "Unspecified error", any other code its ErrorText.
void SettleMessage(std::uint32_t code, std::string& message);

}  // namespace orlavo::transmission
