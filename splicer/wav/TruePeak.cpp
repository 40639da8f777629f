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

// Four floats side by side: the baseline x86-64 (and most other) vector width.
typedef float Four __attribute__((vector_size(16)));
typedef int32_t FourBits __attribute__((vector_size(16)));

Four load(const float* p) {
    Four v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Four magnitude(Four v) {
    FourBits bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits &= 0x7FFFFFFF;
    std::memcpy(&v, &bits, sizeof v);
    return v;
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
        const float* w = m_window.data() + history;
        // Phase p at sample i: the sum over k of tap k times the sample k before i; four
        // samples at a time, then the rest one by one.
        Four highest = {peak, peak, peak, peak};
        for (const std::vector<float>& taps : m_phases) {
            // Only the taps that are not zero (one alone in the phase on the samples).
            size_t first = 0, last = m_length;
            while (first + 1 < last && taps[first] == 0.0f) {
                ++first;
            }
            while (last - 1 > first && taps[last - 1] == 0.0f) {
                --last;
            }
            size_t i = 0;
            for (; i + 4 <= count; i += 4) {
                Four sum = {0, 0, 0, 0};
                for (size_t k = first; k < last; ++k) {
                    sum +=
                        taps[k] *
                        load(w + (static_cast<std::ptrdiff_t>(i) - static_cast<std::ptrdiff_t>(k)));
                }
                const Four m = magnitude(sum);
                highest = m > highest ? m : highest;
            }
            for (; i < count; ++i) {
                float sum = 0;
                for (size_t k = 0; k < m_length; ++k) {
                    sum += taps[k] *
                           w[static_cast<std::ptrdiff_t>(i) - static_cast<std::ptrdiff_t>(k)];
                }
                peak = std::max(peak, std::fabs(sum));
            }
        }
        for (int lane = 0; lane < 4; ++lane) {
            peak = std::max(peak, highest[lane]);
        }
        std::copy(m_window.end() - static_cast<std::ptrdiff_t>(history), m_window.end(),
                  m_window.begin());
        m_window.resize(history);
        done += count;
    }
    m_peak = peak;
}
