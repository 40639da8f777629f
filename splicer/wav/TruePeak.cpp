#include "wav/TruePeak.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {
constexpr size_t ChunkFrames = 4096;
}

TruePeak::TruePeak(uint32_t rate) : m_factor(rate < 96000 ? 4 : rate < 192000 ? 2 : 1) {
    if (m_factor == 1) {
        return;
    }
    const unsigned taps = 49;
    m_length = (taps + m_factor - 1) / m_factor;
    m_phases.assign(m_factor, std::vector<float>(m_length, 0.0f));
    for (unsigned j = 0; j < taps; ++j) {
        const double m = static_cast<double>(j) - (taps - 1) / 2.0;
        double c = 1.0;
        if (std::fabs(m) > 1e-9) {
            const double a = m * std::numbers::pi / m_factor;
            c = std::sin(a) / a;
        }
        c *= 0.5 * (1 - std::cos(2 * std::numbers::pi * j / (taps - 1)));
        // The sinc's zeros fall on whole samples: those taps are dropped.
        m_phases[j % m_factor][j / m_factor] = std::fabs(c) > 1e-6 ? static_cast<float>(c) : 0.0f;
    }
    m_window.assign(m_length - 1, 0.0f);
}

namespace {

// Eight floats side by side: two of the baseline x86-64 vectors, or one where the processor
// has the wider ones.
typedef float Eight __attribute__((vector_size(32)));
typedef int32_t EightBits __attribute__((vector_size(32)));
constexpr size_t Width = 8;

// Phase p at sample i: the sum over k of tap k times the sample k before i; eight samples at
// a time, then the rest one by one. `w` holds `history` samples before the `count` of the
// piece. Built twice, for the baseline processor and for one with the wider vectors, and the
// one that suits is picked when the program starts; the sums are the same in both (no fused
// multiply-add).
__attribute__((target_clones("avx2", "default"))) float
chunkPeak(const std::vector<std::vector<float>>& phases, size_t length, const float* w,
          size_t count, float peak) {
    Eight highest;
    for (size_t lane = 0; lane < Width; ++lane) {
        highest[lane] = peak;
    }
    for (const std::vector<float>& taps : phases) {
        // Only the taps that are not zero (one alone in the phase on the samples).
        size_t first = 0, last = length;
        while (first + 1 < last && taps[first] == 0.0f) {
            ++first;
        }
        while (last - 1 > first && taps[last - 1] == 0.0f) {
            --last;
        }
        // Eight samples from `k` before sample i, into `v` (a vector is not returned: the
        // two builds would pass it differently).
        const auto at = [w](Eight& v, size_t i, size_t k) {
            std::memcpy(&v, w + (static_cast<std::ptrdiff_t>(i) - static_cast<std::ptrdiff_t>(k)),
                        sizeof v);
        };
        const auto keepHighest = [&highest](const Eight& sum) {
            EightBits bits;
            std::memcpy(&bits, &sum, sizeof bits);
            bits &= 0x7FFFFFFF;
            Eight m;
            std::memcpy(&m, &bits, sizeof m);
            highest = m > highest ? m : highest;
        };
        size_t i = 0;
        // Four runs of eight side by side: each sum waits for its own last addition only, so
        // the four keep the processor's adders busy.
        for (; i + 4 * Width <= count; i += 4 * Width) {
            Eight a = {}, b = {}, c = {}, d = {};
            for (size_t k = first; k < last; ++k) {
                const float t = taps[k];
                Eight v;
                at(v, i, k);
                a += t * v;
                at(v, i + Width, k);
                b += t * v;
                at(v, i + 2 * Width, k);
                c += t * v;
                at(v, i + 3 * Width, k);
                d += t * v;
            }
            keepHighest(a);
            keepHighest(b);
            keepHighest(c);
            keepHighest(d);
        }
        for (; i + Width <= count; i += Width) {
            Eight sum = {};
            for (size_t k = first; k < last; ++k) {
                Eight v;
                at(v, i, k);
                sum += taps[k] * v;
            }
            keepHighest(sum);
        }
        for (; i < count; ++i) {
            float sum = 0;
            for (size_t k = 0; k < length; ++k) {
                sum += taps[k] * w[static_cast<std::ptrdiff_t>(i) - static_cast<std::ptrdiff_t>(k)];
            }
            peak = std::max(peak, std::fabs(sum));
        }
    }
    for (size_t lane = 0; lane < Width; ++lane) {
        peak = std::max(peak, highest[lane]);
    }
    return peak;
}

} // namespace

void TruePeak::add(const float* x, size_t n) {
    float peak = m_peak;
    if (m_factor == 1) {
        for (size_t i = 0; i < n; ++i) {
            peak = std::max(peak, std::fabs(x[i]));
        }
        m_peak = peak;
        return;
    }
    const size_t history = m_length - 1;
    for (size_t done = 0; done < n;) {
        const size_t count = std::min(ChunkFrames, n - done);
        m_window.resize(history + count);
        std::copy_n(x + done, count, m_window.begin() + static_cast<std::ptrdiff_t>(history));
        peak = chunkPeak(m_phases, m_length, m_window.data() + history, count, peak);
        std::copy(m_window.end() - static_cast<std::ptrdiff_t>(history), m_window.end(),
                  m_window.begin());
        m_window.resize(history);
        done += count;
    }
    m_peak = peak;
}
