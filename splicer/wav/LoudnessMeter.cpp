#include "wav/LoudnessMeter.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <limits>

namespace {
constexpr size_t ChunkFrames = 4096;
}

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
    : m_state(std::make_unique<State>(ebur128_init(
          channels, rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_HISTOGRAM))),
      m_channels(channels), m_interleaved(ChunkFrames * channels) {}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* const* planes, unsigned channels, size_t frames) {
    if (!m_state->meter || channels != m_channels) {
        return;
    }
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(ChunkFrames, frames - done);
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
    }
    m_frames += frames;
}

double LoudnessMeter::integrated() const {
    double lufs = -std::numeric_limits<double>::infinity();
    if (!m_state->meter || ebur128_loudness_global(m_state->meter, &lufs) != EBUR128_SUCCESS) {
        return -std::numeric_limits<double>::infinity();
    }
    return lufs;
}

double LoudnessMeter::truePeak() const {
    double highest = 0;
    for (unsigned c = 0; m_state->meter && c < m_channels; ++c) {
        double peak = 0;
        if (ebur128_true_peak(m_state->meter, c, &peak) == EBUR128_SUCCESS) {
            highest = std::max(highest, peak);
        }
    }
    return highest > 0 ? 20 * std::log10(highest) : -std::numeric_limits<double>::infinity();
}
