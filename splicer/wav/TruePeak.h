#pragma once
// The true peak of one channel (ITU-R BS.1770 Annex 2): the highest magnitude of the sound
// oversampled 4 times (2 times from 96 kHz, not at all from 192 kHz) through a 49-tap
// Hann-windowed sinc, the same interpolation the loudness library uses, computed phase by
// phase over whole pieces so that it costs a small part of a conversion.

#include <cstddef>
#include <cstdint>
#include <vector>

class TruePeak {
public:
    explicit TruePeak(uint32_t rate);
    void add(const float* x, size_t n);
    // Linear, 1 = full scale.
    double peak() const { return m_peak; }

private:
    unsigned m_factor;
    size_t m_length = 1;                      // taps of the longest phase
    std::vector<std::vector<float>> m_phases; // each phase's taps, padded to m_length
    std::vector<float> m_window;              // the last m_length - 1 samples, then the piece
    float m_peak = 0;
};
