#pragma once
// How the inputs of a join meet: matched loudness, a silence between them or a crossfade.
// All off by default: the inputs are joined back to back at their own level.

#include <cstdint>
#include <string>

struct JoinOptions {
    static constexpr double DefaultTarget = -16.0; // LUFS
    static constexpr double LowestTarget = -23.0, HighestTarget = -9.0;
    static constexpr double LongestGap = 10.0, LongestCrossfade = 5.0; // seconds
    // The ceiling a matched input's true peak is kept under, in dBTP.
    static constexpr double PeakCeiling = -1.0;
    // Below this an input has no gated loudness and keeps its level (seconds).
    static constexpr double ShortestMeasured = 0.4;

    bool matchLoudness = false;
    double targetLufs = DefaultTarget;
    double gapSeconds = 0;
    double crossfadeSeconds = 0;

    bool plain() const { return !matchLoudness && gapSeconds == 0 && crossfadeSeconds == 0; }
    // Empty when the options can be used; otherwise what is wrong with them, as a sentence.
    std::string problem() const;
    // Seconds as output frames at `rate`, to the nearest frame.
    static uint64_t frames(double seconds, uint32_t rate);
};

// What a join found out about one input and did with it.
struct InputLoudness {
    double lufs = 0;     // integrated loudness as converted (minus infinity: none, see `kept`)
    double truePeak = 0; // dBTP as converted
    double gainDb = 0;   // applied to it
    bool measured = false;
    // Silence or shorter than ShortestMeasured: it keeps its level.
    bool kept = false;
    // Its gain was lowered to keep its true peak under the ceiling.
    bool limitedByPeak = false;
    // Shorter than twice the crossfade: it meets its neighbours without one.
    bool crossfadeSkipped = false;
    uint64_t frames = 0; // output frames it gave
};
