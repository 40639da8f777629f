// Marks as a screen reader says them: positions in words a listener follows, and the names
// the keypad buttons carry in each state.

#include "marks/MarkSpeech.h"

#include <gtest/gtest.h>

#include <limits>

using namespace MarkSpeech;

TEST(MarkSpeech, TimesAreSpokenInHoursMinutesAndSecondsToATenth) {
    const struct {
        double seconds;
        const char* spoken;
    } cases[] = {
        {0, "0 seconds"},
        {0.04, "0 seconds"},
        {1, "1 second"},
        {1.5, "1.5 seconds"},
        {59.96, "1 minute"}, // rounded once, never "60 seconds"
        {60, "1 minute"},
        {83.52, "1 minute 23.5 seconds"},
        {120.05, "2 minutes 0.1 seconds"},
        {3600, "1 hour"},
        {3725, "1 hour 2 minutes 5 seconds"},
        {7205, "2 hours 5 seconds"},
        {-0.5, "minus 0.5 seconds"},
        {-0.01, "0 seconds"},
        {std::numeric_limits<double>::quiet_NaN(), "0 seconds"},
        {std::numeric_limits<double>::infinity(), "0 seconds"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spokenTime(c.seconds).toStdString(), c.spoken) << c.seconds;
    }
}

TEST(MarkSpeech, StoredPositionsReadWithEitherSeparatorAndNeverFail) {
    EXPECT_EQ(spokenPosition("83.52").toStdString(), "1 minute 23.5 seconds");
    EXPECT_EQ(spokenPosition("83,52").toStdString(), "1 minute 23.5 seconds");
    // A cleared mark has no position; the words still come out.
    EXPECT_EQ(spokenPosition("").toStdString(), "an unknown time");
    EXPECT_EQ(spokenPosition("abc").toStdString(), "an unknown time");
}

TEST(MarkSpeech, ButtonNamesSayNumberStatePlaceAndNote) {
    EXPECT_EQ(buttonName(3, Shown::Set, "83.5", "Chorus").toStdString(),
              "Mark 3, set at 1 minute 23.5 seconds, note: Chorus");
    EXPECT_EQ(buttonName(4, Shown::NotSet, "0", "").toStdString(), "Mark 4, not set");
    EXPECT_EQ(buttonName(5, Shown::Current, "12", "").toStdString(),
              "Mark 5, current, set at 12 seconds");
    // A note kept after its mark was cleared is still said.
    EXPECT_EQ(buttonName(10, Shown::NotSet, "", "Bridge").toStdString(),
              "Mark 10, not set, note: Bridge");
    // Mark 10 is worked with the 0 key.
    EXPECT_TRUE(buttonDescription(10).startsWith("0 goes to it, Ctrl+0 sets it here, Alt+0"));
}
