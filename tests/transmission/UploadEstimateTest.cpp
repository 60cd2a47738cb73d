#include "wizard/transmission/UploadEstimate.h"

#include <gtest/gtest.h>

namespace orlavo::transmission {
namespace {

TEST(EstimateText, HundredThousandBytesInTenSecondsOfFourHundredThousandLeaveThirty) {
    EXPECT_EQ(EstimateText(100000, 10, 400000), "0:0:30");
}

TEST(EstimateText, WritesHoursMinutesSecondsWithoutLeadingZeros) {
    // 1 byte/s, 3723 bytes left: 1 hour, 2 minutes, 3 seconds.
    EXPECT_EQ(EstimateText(10, 10, 3733), "1:2:3");
}

TEST(EstimateText, RoundsTheRateAndTheRemainderToTheNearest) {
    // rate 7/2 = 3.5 -> 4; 10 left / 4 = 2.5 -> 3
    EXPECT_EQ(EstimateText(7, 2, 17), "0:0:3");
}

TEST(EstimateText, NoneBeforeASecondHasPassed) {
    EXPECT_EQ(EstimateText(100000, 0, 400000), std::nullopt);
    EXPECT_EQ(EstimateText(0, 5, 400000), std::nullopt);
}

TEST(EstimateText, MoreSentThanTotalShowsZeroNotANegativeTime) {
    EXPECT_EQ(EstimateText(500, 1, 400), "0:0:0");
}

TEST(RoundedDivide, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(RoundedDivide(5, 2), 3);
    EXPECT_EQ(RoundedDivide(4, 3), 1);
    EXPECT_EQ(RoundedDivide(-5, 2), -3);
}

}  // namespace
}  // namespace orlavo::transmission
