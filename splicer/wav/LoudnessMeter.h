#pragma once
// Integrated loudness (EBU R128 / ITU-R BS.1770, gated, in LUFS) and true peak (dBTP) of one
// stream of float sound, fed piece by piece in planes. Each channel goes through the
// K-weighting filter (the high shelf and the high pass of BS.1770, designed for the stream's
// rate as the loudness library designs them), two channels side by side in one vector;
// the squares are summed per 100 ms step, and each 400 ms gating block (one every 100 ms) is
// the last four steps. Memory stays the same whatever the length: the blocks are kept as a
// histogram of 0.01 LU bins that sums each bin's energies exactly, so only blocks within
// 0.01 LU of the relative gate can be counted on the wrong side of it. The meter works on
// the caller's thread: a join measures several inputs side by side, and writes beside them.
// Given a band edge, the meter also tells what share of the gated energy lies above it (an
// eighth-order high pass at the edge on the K-weighted sound, in one 100 ms step in eight):
// how much a resampler that takes that band away would change the reading.

#include "wav/TruePeak.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class LoudnessMeter {
public:
    LoudnessMeter(unsigned channels, uint32_t rate, double bandEdge = 0);
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void add(const float* const* planes, unsigned channels, size_t frames);
    uint64_t frames() const;
    // LUFS; minus infinity for silence and for sound too short for one 400 ms block.
    double integrated() const;
    // The highest true peak over all channels in dBTP; minus infinity for silence.
    double truePeak() const;
    // The share of the energy that counts for integrated() above the band edge: 0 to 1 (0
    // without a band edge, 1 for sound too short to tell).
    double shareAboveBand() const;

private:
    // One pair of channels through the two filter sections, in transposed direct form II.
    typedef double Pair __attribute__((vector_size(16)));
    struct Section {
        double b0, b1, b2, a1, a2;
    };
    static constexpr size_t EdgeSections = 4;
    struct PairState {
        Pair shelf1{}, shelf2{}, pass1{}, pass2{};
        Pair edge1[EdgeSections]{}, edge2[EdgeSections]{};
        Pair squares{};      // the sum of squares of the step so far
        Pair aboveSquares{}; // the same above the band edge
    };
    void filter(PairState& s, const float* left, const float* right, size_t n);
    void filterAbove(PairState& s, const float* left, const float* right, size_t n);
    size_t firstGatedBin() const;
    void endStep();
    void addBlock(double energy, double above);

    unsigned m_channels;
    uint64_t m_frames = 0;
    Section m_shelf{}, m_pass{};
    std::vector<Section> m_edge; // the high pass at the band edge, when there is one
    std::vector<PairState> m_pairs;
    size_t m_hop;                    // frames in 100 ms
    size_t m_intoHop = 0;            // frames since the last step ended
    uint64_t m_hops = 0;             // 100 ms steps so far
    std::array<double, 4> m_steps{}; // the last four steps' mean squares, summed over channels
    std::array<double, 4> m_aboveSteps{};
    std::vector<float> m_silence;   // zeros beside a lone channel
    std::vector<double> m_energy;   // per bin: the sum of its blocks' energies
    std::vector<uint64_t> m_blocks; // per bin: how many blocks
    std::vector<double> m_above;    // per bin: the energy above the band edge, sampled
    std::vector<double> m_sampled;  // per bin: the energy of the blocks sampled
    std::vector<TruePeak> m_peaks;  // per channel
};
