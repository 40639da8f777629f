#include "wav/JoinOptions.h"

#include <cmath>
#include <cstdio>

namespace {
std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}
} // namespace

std::string JoinOptions::problem() const {
    if (matchLoudness && !(targetLufs >= LowestTarget && targetLufs <= HighestTarget)) {
        return "the loudness target must be from " + number(LowestTarget) + " to " +
               number(HighestTarget) + " LUFS";
    }
    if (!(gapSeconds >= 0 && gapSeconds <= LongestGap)) {
        return "the gap must be from 0 to " + number(LongestGap) + " seconds";
    }
    if (!(crossfadeSeconds >= 0 && crossfadeSeconds <= LongestCrossfade)) {
        return "the crossfade must be from 0 to " + number(LongestCrossfade) + " seconds";
    }
    if (gapSeconds > 0 && crossfadeSeconds > 0) {
        return "a gap and a crossfade cannot be used together";
    }
    return {};
}

uint64_t JoinOptions::frames(double seconds, uint32_t rate) {
    return seconds > 0 ? static_cast<uint64_t>(std::llround(seconds * rate)) : 0;
}
