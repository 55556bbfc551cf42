// Range checks and conversions at the Java array boundary, and the self tests' sizes and bounds.
#include "jni_arrays.h"
#include "self_test.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using sonora::arrayRangeBytes;
using sonora::bytesToElements;

TEST(ArrayRange, AcceptsEveryRangeInsideTheArrayAndNothingElse) {
    EXPECT_EQ(20, arrayRangeBytes(10, 0, 10, 2));
    EXPECT_EQ(0, arrayRangeBytes(10, 10, 0, 4));
    EXPECT_EQ(0, arrayRangeBytes(0, 0, 0, 1));
    EXPECT_EQ(12, arrayRangeBytes(10, 7, 3, 4));
    EXPECT_EQ(-22, arrayRangeBytes(10, 8, 3, 4));
    EXPECT_EQ(-22, arrayRangeBytes(10, 11, 0, 1));
    EXPECT_EQ(-22, arrayRangeBytes(10, -1, 1, 1));
    EXPECT_EQ(-22, arrayRangeBytes(10, 0, -1, 1));
    // offset + count would wrap in 32 bits
    EXPECT_EQ(-22, arrayRangeBytes(INT_MAX, INT_MAX, INT_MAX, 1));
    EXPECT_EQ(-22, arrayRangeBytes(10, INT_MAX, 1, 1));
    // byte counts must fit a positive int, the streams' result type
    EXPECT_EQ(INT_MAX, arrayRangeBytes(INT_MAX, 0, INT_MAX, 1));
    EXPECT_EQ(-22, arrayRangeBytes(INT_MAX, 0, INT_MAX / 2 + 1, 2));
    EXPECT_EQ(-22, arrayRangeBytes(INT_MAX, 0, INT_MAX / 4 + 1, 4));
}

TEST(ArrayRange, ByteCountsBecomeWholeElements) {
    EXPECT_EQ(100, bytesToElements(200, 2));
    EXPECT_EQ(1, bytesToElements(6, 4));
    EXPECT_EQ(0, bytesToElements(3, 4));
    EXPECT_EQ(7, bytesToElements(7, 1));
    EXPECT_EQ(0, bytesToElements(0, 2));
    EXPECT_EQ(-38, bytesToElements(-38, 4));
}

TEST(SelfTestSizes, ProductsAndTotalsMustFitThirtyTwoBits) {
    size_t buffer = 0;
    size_t total = 0;
    ASSERT_TRUE(sonora::selfTestSizes({2, 48000, false, 20, 4}, &buffer, &total));
    EXPECT_EQ(3840u, buffer);
    EXPECT_EQ(15360u, total);
    ASSERT_TRUE(sonora::selfTestSizes({1, 11025, true, 30, 1}, &buffer, &total));
    EXPECT_EQ(330u * 4, buffer);  // 330.75 frames: the fraction is dropped
    ASSERT_TRUE(sonora::selfTestSizes({1, INT_MAX, false, 1, 0}, &buffer, &total));
    EXPECT_EQ(0u, total);
    EXPECT_FALSE(sonora::selfTestSizes({1, INT_MAX, false, 2, 1}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({1, 48000, false, 44740, 1}, &buffer, &total));
    EXPECT_TRUE(sonora::selfTestSizes({1, 48000, false, 44739, 1}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({8, 192000, true, 1000, 2000}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({-1, 48000, false, 20, 4}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({1, -48000, false, 20, 4}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({1, 48000, false, -20, 4}, &buffer, &total));
    EXPECT_FALSE(sonora::selfTestSizes({1, 48000, false, 20, -4}, &buffer, &total));
}

TEST(SelfTestSizes, WaitsAreBoundedWellAboveTheAudio) {
    EXPECT_EQ(std::chrono::milliseconds(1320), sonora::selfTestWaitBound({2, 48000, false, 20, 4}));
    EXPECT_EQ(std::chrono::milliseconds(1000), sonora::selfTestWaitBound({2, 48000, false, 0, 4}));
    EXPECT_EQ(std::chrono::milliseconds(4 * (int64_t{1} << 40) + 1000),
              sonora::selfTestWaitBound({1, 1, false, INT_MAX, INT_MAX}));
}

}  // namespace
