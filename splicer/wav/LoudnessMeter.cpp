#include "wav/LoudnessMeter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {
constexpr size_t ChunkFrames = 4096;
constexpr double LowestBlock = -70.0; // LUFS: the absolute gate
constexpr double BinWidth = 0.01;     // LU
constexpr size_t Bins = 8000;         // up to +10 LUFS; louder blocks go to the last bin
constexpr double Offset = -0.691;     // BS.1770: loudness = Offset + 10 log10(energy)
// Filter state this small is let go to zero, so that silence does not leave the filters
// working on denormal numbers.
constexpr double Tiny = 1e-30;
// The share above the band edge is sampled: one 100 ms step in this many goes through the
// high pass (so one gating block in two holds one, and stands for the others), which starts
// Warm frames earlier, from rest, so that its start has died away when the step begins.
constexpr uint64_t SampledEvery = 8;
constexpr size_t Warm = 64;

// NaN would poison the sums; it is quantised to silence anyway.
float clean(float x) {
    return x == x ? x : 0.0f;
}

double loudnessOf(double energy) {
    return Offset + 10 * std::log10(energy);
}
} // namespace

LoudnessMeter::LoudnessMeter(unsigned channels, uint32_t rate, double bandEdge)
    : m_channels(channels), m_pairs((channels + 1) / 2), m_hop((rate + 5) / 10), m_energy(Bins),
      m_blocks(Bins), m_above(Bins), m_sampled(Bins), m_peaks(channels, TruePeak(rate)) {
    // The high shelf (+4 dB above about 1.7 kHz) and the high pass (about 38 Hz) of BS.1770,
    // from their analogue prototypes through the bilinear transform at this rate.
    const double fs = rate > 0 ? rate : 48000;
    {
        const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(std::numbers::pi * f0 / fs);
        const double vh = std::pow(10.0, gain / 20.0), vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        m_shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                   (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                   (1.0 - k / q + k * k) / a0};
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(std::numbers::pi * f0 / fs);
        const double a0 = 1.0 + k / q + k * k;
        m_pass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    }
    // Butterworth: four sections whose poles lie evenly on a half circle.
    if (bandEdge > 0 && bandEdge < fs / 2) {
        const double w0 = 2 * std::numbers::pi * bandEdge / fs, c = std::cos(w0);
        for (size_t k = 1; k <= EdgeSections; ++k) {
            const double q = 1 / (2 * std::cos(static_cast<double>(2 * k - 1) * std::numbers::pi /
                                               (4 * EdgeSections)));
            const double alpha = std::sin(w0) / (2 * q), a0 = 1 + alpha;
            m_edge.push_back(
                {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0});
        }
    }
}

// Both sections on a pair of channels, sample by sample; the squares of the result are
// summed. Each state is updated as (b1 x + s2) - a1 y: the part that does not wait for this
// sample's output is summed while the output is still being computed.
void LoudnessMeter::filter(PairState& s, const float* left, const float* right, size_t n) {
    const Section& h = m_shelf;
    const Section& p = m_pass;
    Pair s1 = s.shelf1, s2 = s.shelf2, p1 = s.pass1, p2 = s.pass2, squares = s.squares;
    for (size_t i = 0; i < n; ++i) {
        const Pair x = {clean(left[i]), clean(right[i])};
        const Pair y = h.b0 * x + s1;
        s1 = (h.b1 * x + s2) - h.a1 * y;
        s2 = h.b2 * x - h.a2 * y;
        const Pair z = p.b0 * y + p1;
        p1 = (p.b1 * y + p2) - p.a1 * z;
        p2 = p.b2 * y - p.a2 * z;
        squares += z * z;
    }
    s.shelf1 = s1;
    s.shelf2 = s2;
    s.pass1 = p1;
    s.pass2 = p2;
    s.squares = squares;
}

// The K-weighted sound of a pair of channels (as filter() makes it, again) through the high
// pass at the band edge.
void LoudnessMeter::filterAbove(PairState& s, const float* left, const float* right, size_t n) {
    const Section& h = m_shelf;
    const Section& p = m_pass;
    Pair s1 = s.shelf1, s2 = s.shelf2, p1 = s.pass1, p2 = s.pass2, squares = s.squares;
    Pair e1[EdgeSections], e2[EdgeSections];
    std::copy_n(s.edge1, EdgeSections, e1);
    std::copy_n(s.edge2, EdgeSections, e2);
    Pair above = s.aboveSquares;
    for (size_t i = 0; i < n; ++i) {
        const Pair x = {clean(left[i]), clean(right[i])};
        const Pair y = h.b0 * x + s1;
        s1 = (h.b1 * x + s2) - h.a1 * y;
        s2 = h.b2 * x - h.a2 * y;
        Pair z = p.b0 * y + p1;
        p1 = (p.b1 * y + p2) - p.a1 * z;
        p2 = p.b2 * y - p.a2 * z;
        squares += z * z;
        for (size_t k = 0; k < EdgeSections; ++k) {
            const Section& e = m_edge[k];
            const Pair u = e.b0 * z + e1[k];
            e1[k] = (e.b1 * z + e2[k]) - e.a1 * u;
            e2[k] = e.b2 * z - e.a2 * u;
            z = u;
        }
        above += z * z;
    }
    s.shelf1 = s1;
    s.shelf2 = s2;
    s.pass1 = p1;
    s.pass2 = p2;
    s.squares = squares;
    std::copy_n(e1, EdgeSections, s.edge1);
    std::copy_n(e2, EdgeSections, s.edge2);
    s.aboveSquares = above;
}

void LoudnessMeter::add(const float* const* planes, unsigned channels, size_t frames) {
    if (channels != m_channels) {
        return;
    }
    for (unsigned c = 0; c < channels; ++c) {
        m_peaks[c].add(planes[c], frames);
    }
    // The partner of a lone channel is silence.
    m_silence.resize(channels % 2 ? ChunkFrames : 0);
    for (size_t done = 0; done < frames;) {
        // Pieces end where a 100 ms step ends, so that each step's squares are its own, and
        // where the high pass starts.
        size_t end = m_hop;
        bool above = false;
        if (!m_edge.empty()) {
            const uint64_t phase = m_hops % SampledEvery;
            const size_t warmFrom = m_hop > Warm ? m_hop - Warm : 0;
            if (phase == SampledEvery - 1) {
                above = true;
            } else if (phase == SampledEvery - 2 && m_intoHop < warmFrom) {
                end = warmFrom;
            } else if (phase == SampledEvery - 2) {
                above = true;
                if (m_intoHop == warmFrom) {
                    for (PairState& s : m_pairs) {
                        std::fill_n(s.edge1, EdgeSections, Pair{});
                        std::fill_n(s.edge2, EdgeSections, Pair{});
                    }
                }
            }
        }
        const size_t n = std::min({ChunkFrames, frames - done, end - m_intoHop});
        for (unsigned c = 0; c < channels; c += 2) {
            const float* right = c + 1 < channels ? planes[c + 1] + done : m_silence.data();
            if (!above) {
                filter(m_pairs[c / 2], planes[c] + done, right, n);
            } else {
                filterAbove(m_pairs[c / 2], planes[c] + done, right, n);
            }
        }
        done += n;
        m_intoHop += n;
        if (m_intoHop == m_hop) {
            endStep();
        }
    }
    m_frames += frames;
}

uint64_t LoudnessMeter::frames() const {
    return m_frames;
}

// The end of a 100 ms step: its mean squares over the channels, and from the fourth step on,
// the block of the last four.
void LoudnessMeter::endStep() {
    double sum = 0, above = 0;
    const auto settle = [](Pair& v) {
        for (int k = 0; k < 2; ++k) {
            if (std::fabs(v[k]) < Tiny) {
                v[k] = 0;
            }
        }
    };
    for (PairState& s : m_pairs) {
        sum += s.squares[0] + s.squares[1];
        above += s.aboveSquares[0] + s.aboveSquares[1];
        s.squares = s.aboveSquares = Pair{};
        for (Pair* v : {&s.shelf1, &s.shelf2, &s.pass1, &s.pass2}) {
            settle(*v);
        }
        for (size_t k = 0; k < EdgeSections; ++k) {
            settle(s.edge1[k]);
            settle(s.edge2[k]);
        }
    }
    m_intoHop = 0;
    m_steps[m_hops % 4] = sum;
    // A block with a sampled step: that step's share stands for all four of its steps.
    const bool sampled = m_hops % SampledEvery == SampledEvery - 1;
    m_aboveSteps[m_hops % 4] = sampled ? above * 4 : -1;
    if (++m_hops >= 4) {
        const double frames = static_cast<double>(4 * m_hop);
        double blockAbove = -1;
        for (double a : m_aboveSteps) {
            blockAbove = std::max(blockAbove, a);
        }
        addBlock((m_steps[0] + m_steps[1] + m_steps[2] + m_steps[3]) / frames,
                 blockAbove < 0 ? -1 : blockAbove / frames);
    }
}

// `above` is negative for a block without a sampled step.
void LoudnessMeter::addBlock(double energy, double above) {
    const double lufs = energy > 0 ? loudnessOf(energy) : -HUGE_VAL;
    if (!(lufs >= LowestBlock)) {
        return;
    }
    const size_t bin =
        std::min(Bins - 1, static_cast<size_t>(std::floor((lufs - LowestBlock) / BinWidth)));
    m_energy[bin] += energy;
    if (above >= 0) {
        m_above[bin] += above;
        m_sampled[bin] += energy;
    }
    ++m_blocks[bin];
}

// The first bin above the relative gate, 10 LU below the blocks above the absolute gate;
// Bins when there are none.
size_t LoudnessMeter::firstGatedBin() const {
    double energy = 0;
    uint64_t blocks = 0;
    for (size_t b = 0; b < Bins; ++b) {
        energy += m_energy[b];
        blocks += m_blocks[b];
    }
    if (blocks == 0) {
        return Bins;
    }
    const double relative = loudnessOf(energy / static_cast<double>(blocks)) - 10;
    const double first = std::ceil((relative - LowestBlock) / BinWidth);
    return static_cast<size_t>(std::clamp(first, 0.0, double(Bins - 1)));
}

double LoudnessMeter::integrated() const {
    double energy = 0;
    uint64_t blocks = 0;
    for (size_t b = firstGatedBin(); b < Bins; ++b) {
        energy += m_energy[b];
        blocks += m_blocks[b];
    }
    return blocks ? loudnessOf(energy / static_cast<double>(blocks))
                  : -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::shareAboveBand() const {
    if (m_edge.empty()) {
        return 0;
    }
    double energy = 0, above = 0;
    for (size_t b = firstGatedBin(); b < Bins; ++b) {
        energy += m_sampled[b];
        above += m_above[b];
    }
    // Sound too short for a sampled block is taken to be all above the band.
    return energy > 0 ? std::min(1.0, above / energy) : 1.0;
}

double LoudnessMeter::truePeak() const {
    double highest = 0;
    for (const TruePeak& p : m_peaks) {
        highest = std::max(highest, p.peak());
    }
    return highest > 0 ? 20 * std::log10(highest) : -std::numeric_limits<double>::infinity();
}
