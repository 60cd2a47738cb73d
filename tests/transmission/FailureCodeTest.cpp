#include "wizard/transmission/FailureCode.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace orlavo::transmission {
namespace {

TEST(ErrorText, IsLibcurlsMessageForTheCode) {
    EXPECT_EQ(ErrorText(CURLE_COULDNT_CONNECT), curl_easy_strerror(CURLE_COULDNT_CONNECT));
    EXPECT_FALSE(ErrorText(CURLE_OPERATION_TIMEDOUT).empty());
}

TEST(ErrorText, NeverLeavesAnEmptyMessage) {
    EXPECT_EQ(ErrorText(9999), "Unspecified error");
    EXPECT_EQ(ErrorText(0x12345678), "Unspecified error");
}

TEST(SettleMessage, FollowsTheCode) {
    std::string message = "UNABLE_SEND_ORDER";
    SettleMessage(kCodeMessageSet, message);
    EXPECT_EQ(message, "UNABLE_SEND_ORDER");
    SettleMessage(kCodeUnspecified, message);
    EXPECT_EQ(message, "Unspecified error");
    SettleMessage(CURLE_COULDNT_CONNECT, message);
    EXPECT_EQ(message, curl_easy_strerror(CURLE_COULDNT_CONNECT));
}

}  // namespace
}  // namespace orlavo::transmission
