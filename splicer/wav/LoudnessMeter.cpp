#include "wav/LoudnessMeter.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <limits>

namespace {
constexpr size_t ChunkFrames = 4096;
constexpr double LowestBlock = -70.0; // LUFS: the absolute gate
constexpr double BinWidth = 0.01;     // LU
constexpr size_t Bins = 8000;         // up to +10 LUFS; louder blocks go to the last bin
constexpr double Offset = -0.691;     // BS.1770: loudness = Offset + 10 log10(energy)

double loudnessOf(double energy) {
    return Offset + 10 * std::log10(energy);
}
double energyOf(double lufs) {
    return std::pow(10.0, (lufs - Offset) / 10);
}
} // namespace

struct LoudnessMeter::State {
    ebur128_state* meter;
    explicit State(ebur128_state* m) : meter(m) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (meter) {
            ebur128_destroy(&meter);
        }
    }
};

LoudnessMeter::LoudnessMeter(unsigned channels, uint32_t rate)
    : m_state(std::make_unique<State>(ebur128_init(channels, rate, EBUR128_MODE_M))),
      m_channels(channels), m_interleaved(ChunkFrames * channels), m_hop((rate + 5) / 10),
      m_energy(Bins), m_blocks(Bins), m_peaks(channels, TruePeak(rate)) {}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* const* planes, unsigned channels, size_t frames) {
    if (!m_state->meter || channels != m_channels) {
        return;
    }
    for (unsigned c = 0; c < channels; ++c) {
        m_peaks[c].add(planes[c], frames);
    }
    for (size_t done = 0; done < frames;) {
        // Pieces end where a 100 ms step ends, so the meter's last 400 ms are a gating block.
        const size_t n = std::min({ChunkFrames, frames - done, m_hop - m_intoHop});
        for (unsigned c = 0; c < channels; ++c) {
            const float* x = planes[c] + done;
            float* o = m_interleaved.data() + c;
            for (size_t i = 0; i < n; ++i, o += channels) {
                // NaN would poison the sums; it is quantised to silence anyway.
                *o = x[i] == x[i] ? x[i] : 0.0f;
            }
        }
        ebur128_add_frames_float(m_state->meter, m_interleaved.data(), n);
        done += n;
        m_intoHop += n;
        if (m_intoHop == m_hop) {
            m_intoHop = 0;
            if (++m_hops >= 4) {
                addBlock();
            }
        }
    }
    m_frames += frames;
}

void LoudnessMeter::addBlock() {
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_momentary(m_state->meter, &lufs) != EBUR128_SUCCESS ||
        !(lufs >= LowestBlock)) {
        return;
    }
    const size_t bin =
        std::min(Bins - 1, static_cast<size_t>(std::floor((lufs - LowestBlock) / BinWidth)));
    m_energy[bin] += energyOf(lufs);
    ++m_blocks[bin];
}

double LoudnessMeter::integrated() const {
    // Blocks above the absolute gate, then those above the relative gate 10 LU below them.
    double energy = 0;
    uint64_t blocks = 0;
    for (size_t b = 0; b < Bins; ++b) {
        energy += m_energy[b];
        blocks += m_blocks[b];
    }
    if (blocks == 0) {
        return -std::numeric_limits<double>::infinity();
    }
    const double relative = loudnessOf(energy / static_cast<double>(blocks)) - 10;
    const double first = std::ceil((relative - LowestBlock) / BinWidth);
    energy = 0;
    blocks = 0;
    for (size_t b = static_cast<size_t>(std::clamp(first, 0.0, double(Bins - 1))); b < Bins; ++b) {
        energy += m_energy[b];
        blocks += m_blocks[b];
    }
    return blocks ? loudnessOf(energy / static_cast<double>(blocks))
                  : -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::truePeak() const {
    double highest = 0;
    for (const TruePeak& p : m_peaks) {
        highest = std::max(highest, p.peak());
    }
    return highest > 0 ? 20 * std::log10(highest) : -std::numeric_limits<double>::infinity();
}
