#include "base/Runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(NearestInteger, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        int out;
    } cases[] = {{12.5, 12}, {13.5, 14},  {0.5, 0},    {1.5, 2},   {-0.5, 0}, {-1.5, -2},
                 {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.6, -8}, {0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(nearestInt32(c.in), c.out) << c.in;
        EXPECT_EQ(nearestInt16(c.in), c.out) << c.in;
    }
}

TEST(NearestInteger, ValuesOutsideTheTargetRangeOverflow) {
    EXPECT_EQ(nearestInt16(32767.4), 32767);
    EXPECT_EQ(nearestInt16(-32768.5), -32768); // the even neighbour is inside
    EXPECT_EQ(errorOf([] { nearestInt16(32767.5); }), errOverflow);
    EXPECT_EQ(errorOf([] { nearestInt16(-32769); }), errOverflow);
    EXPECT_EQ(nearestInt32(2147483647.4), 2147483647);
    EXPECT_EQ(errorOf([] { nearestInt32(2147483647.5); }), errOverflow);
    EXPECT_EQ(errorOf([] { nearestInt32(-2147483649.0); }), errOverflow);
    EXPECT_EQ(errorOf([] { nearestInt32(std::numeric_limits<double>::infinity()); }), errOverflow);
    EXPECT_EQ(errorOf([] { nearestInt32(std::nan("")); }), errOverflow);
}

TEST(SixteenBitArithmetic, OverflowRaisesInsteadOfWrapping) {
    EXPECT_EQ(mul16(181, 181), 32761);
    EXPECT_EQ(errorOf([] { mul16(182, 181); }), errOverflow);
    EXPECT_EQ(mul16(-256, 128), -32768);
    EXPECT_EQ(add16(32000, 767), 32767);
    EXPECT_EQ(errorOf([] { add16(32000, 768); }), errOverflow);
    EXPECT_EQ(errorOf([] { add16(-32768, -1); }), errOverflow);
}

} // namespace
