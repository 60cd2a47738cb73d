#include "wizard/transmission/FailureCode.h"

#include <curl/curl.h>

#include <cstring>

#include "resources/WizardResources.h"

namespace orlavo::transmission {

std::string ErrorText(std::uint32_t code) {
    if (code == kCodeUnspecified || code == kCodeMessageSet || code > 0xFFFF) {
        return wizard::Str(153);
    }
    const char* text = curl_easy_strerror(static_cast<CURLcode>(code));
    if (text == nullptr || *text == '\0' || std::strcmp(text, "Unknown error") == 0) {
        return wizard::Str(153);
    }
    return text;
}

void SettleMessage(std::uint32_t code, std::string& message) {
    if (code == kCodeMessageSet) {
        return;
    }
    message = code == kCodeUnspecified ? wizard::Str(153) : ErrorText(code);
}

}  // namespace orlavo::transmission
