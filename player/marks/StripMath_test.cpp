#include "marks/StripMath.h"

#include "base/Runtime.h"

#include <gtest/gtest.h>

namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(StripMath, ScaleFollowsTheTrackLength) {
    struct Case {
        double duration;
        int16_t scale;
    };
    const Case cases[] = {
        {245.3, 45},  // 11040 / 245 = 45.06
        {600.0, 18},  // 18.4
        {22080.0, 0}, // exactly 0.5 goes to the even neighbour
        {22079.0, 1}, // just under half a twip per second
        {0.6, 11040}, // rounds to 1 s
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripMath::computeScale(c.duration, 11040), c.scale) << c.duration;
    }
}

TEST(StripMath, ScaleFailsForTracksTooShortOrTooLong) {
    EXPECT_EQ(errorOf([] { StripMath::computeScale(0.0, 11040); }), errDivisionByZero);
    EXPECT_EQ(errorOf([] { StripMath::computeScale(0.5, 11040); }), errDivisionByZero);
    EXPECT_EQ(errorOf([] { StripMath::computeScale(32767.5, 11040); }), errOverflow);
    EXPECT_EQ(errorOf([] { StripMath::computeScale(32767.4, 11040); }), 0);
}

TEST(StripMath, StoredPositionsAreRoundedToWholeSecondsBeforeScaling) {
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("83.5"), 45), 3780);
    EXPECT_EQ(StripMath::nudgeLeft(3780), 3660.0f);
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("82.52"), 45), 3735);
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("84.52"), 45), 3825);
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("-0.5"), 45), 0);
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("600"), 18), 10800);
    EXPECT_EQ(StripMath::xFromPositionText(QStringLiteral("0"), 45), 0);
    // A mark set at 83.5 s is drawn from the product: nearest(3757.5) = 3758.
    EXPECT_EQ(StripMath::xFromPlayer(83.5, 45), 3758);
}

TEST(StripMath, PositionsFarPastTheEndOverflowOrClamp) {
    EXPECT_EQ(errorOf([] { StripMath::xFromPositionText(QStringLiteral("800"), 45); }),
              errOverflow);
    EXPECT_EQ(errorOf([] { StripMath::xFromPlayer(800, 45); }), errOverflow);
    EXPECT_EQ(StripMath::clampedXFromPositionText(QStringLiteral("800"), 45), 32767);
    EXPECT_EQ(StripMath::clampedXFromPositionText(QStringLiteral("-800"), 45), -32768);
    EXPECT_EQ(errorOf([] { StripMath::xFromPositionText(QStringLiteral("abc"), 45); }), 13);
}

TEST(StripMath, WholeSecondsTextCutsAtTheSeparator) {
    EXPECT_EQ(StripMath::wholeSecondsText(QStringLiteral("83.5163265306122")), "83");
    EXPECT_EQ(StripMath::wholeSecondsText(QStringLiteral("42")), "42");
    EXPECT_EQ(StripMath::wholeSecondsText(QStringLiteral("-0.5")), "-0");
    EXPECT_EQ(StripMath::wholeSecondsText(QStringLiteral("83,52")), "83");
}

TEST(StripMath, StoredPositionsReadWithEitherSeparatorAndNoGrouping) {
    const struct {
        const char* text;
        std::optional<double> seconds;
    } cases[] = {
        {"83.5", 83.5},
        {"83,5", 83.5},
        {" 1,234 ", 1.234},
        {"1E-05", 1e-05},
        {"-0,5", -0.5},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1.234,5", std::nullopt},
        {"1,234,567", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"1E+400", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripMath::parsePosition(QString::fromLatin1(c.text)), c.seconds) << c.text;
    }
}

} // namespace
