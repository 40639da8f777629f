#include "engine/modAdmin.h"

#include "base/Runtime.h"

#include <gtest/gtest.h>

namespace {

struct PlayTimeCase {
    double seconds;
    const char* text;
};

void PrintTo(const PlayTimeCase& c, std::ostream* os) {
    *os << c.seconds << " -> " << c.text;
}

class FormatPlayTimeTest : public ::testing::TestWithParam<PlayTimeCase> {};

TEST_P(FormatPlayTimeTest, RoundsTheSecondsAndCutsTheFraction) {
    EXPECT_EQ(modAdmin::FormatPlayTime(GetParam().seconds, QChar('.')),
              QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    RunningTime, FormatPlayTimeTest,
    ::testing::Values(PlayTimeCase{0, "00:00:00"}, PlayTimeCase{12.25, "00:12:25"},
                      PlayTimeCase{12.5, "00:12:5"}, PlayTimeCase{13.5, "00:14:5"},
                      PlayTimeCase{61.123, "01:01:12"}, PlayTimeCase{59.7, "01:00:7"},
                      PlayTimeCase{3725.5, "02:06:5"}, PlayTimeCase{42, "00:42:00"},
                      PlayTimeCase{0.05, "00:00:05"}, PlayTimeCase{599.999, "10:00:99"},
                      PlayTimeCase{3600, "00:00:00"}, PlayTimeCase{0.0001, "00:00:00"},
                      // Below 0.0001 the number text takes the exponent form.
                      PlayTimeCase{0.00001, "00:00:00"}, PlayTimeCase{0.000015, "00:00:00"}));

TEST(FormatPlayTime, OtherDecimalSeparatorGivesZeroFractions) {
    EXPECT_EQ(modAdmin::FormatPlayTime(12.25, QChar(',')), QStringLiteral("00:12:00"));
    EXPECT_EQ(modAdmin::FormatPlayTime(59.7, QChar(',')), QStringLiteral("01:00:00"));
    EXPECT_EQ(modAdmin::FormatPlayTime(42, QChar(',')), QStringLiteral("00:42:00"));
}

TEST(FormatPlayTime, PositionBeyondThirtyTwoBitsOverflows) {
    try {
        modAdmin::FormatPlayTime(3e9, QChar('.'));
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), errOverflow);
    }
}

} // namespace
