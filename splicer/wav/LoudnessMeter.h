#pragma once
// Integrated loudness (EBU R128 / ITU-R BS.1770, gated, in LUFS) and true peak (dBTP) of one
// stream of float sound, fed piece by piece in planes. Memory stays the same whatever the
// length: the 400 ms gating blocks (one every 100 ms) are kept as a histogram of 0.01 LU
// bins that sums each bin's energies exactly, so only blocks within 0.01 LU of the relative
// gate can be counted on the wrong side of it.

#include "wav/TruePeak.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class LoudnessMeter {
public:
    LoudnessMeter(unsigned channels, uint32_t rate);
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;
    ~LoudnessMeter();

    void add(const float* const* planes, unsigned channels, size_t frames);
    uint64_t frames() const { return m_frames; }
    // LUFS; minus infinity for silence and for sound too short for one 400 ms block.
    double integrated() const;
    // The highest true peak over all channels in dBTP; minus infinity for silence.
    double truePeak() const;

private:
    void addBlock();
    struct State;
    std::unique_ptr<State> m_state;
    unsigned m_channels;
    uint64_t m_frames = 0;
    std::vector<float> m_interleaved;
    size_t m_hop;                   // frames in 100 ms
    size_t m_intoHop = 0;           // frames since the last block ended
    uint64_t m_hops = 0;            // 100 ms steps so far
    std::vector<double> m_energy;   // per bin: the sum of its blocks' energies
    std::vector<uint64_t> m_blocks; // per bin: how many blocks
    std::vector<TruePeak> m_peaks;  // per channel
};
