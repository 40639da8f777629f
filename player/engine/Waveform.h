#pragma once
// The overview of a whole track: its peak envelope in equal stretches of the track, and its
// musical map, both found in the same pass over the sound.

#include "engine/MusicalMap.h"

#include <vector>

struct Waveform {
    // The loudest absolute sample of each stretch, 0 (silence) to 1 (full scale).
    std::vector<float> peaks;
    double duration = 0;
    MusicalMap map;
};
