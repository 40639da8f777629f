#include "engine/BeatGrid.h"

#include <algorithm>
#include <cmath>

BeatGrid BeatGrid::fromMap(const MusicalMap& map, double durationSeconds) {
    BeatGrid g;
    if (!map.steady() || map.beats.size() < 2) {
        return g;
    }
    g.m_bpm = map.bpm;
    for (double b : map.beats) {
        if (b >= 0 && (durationSeconds <= 0 || b <= durationSeconds)) {
            g.m_beats.push_back(b);
        }
    }
    if (g.m_beats.empty()) {
        g.m_bpm = 0;
    }
    return g;
}

BeatGrid BeatGrid::even(double bpm, double phaseSeconds, double durationSeconds) {
    BeatGrid g;
    if (!(bpm > 0) || !(durationSeconds > 0)) {
        return g;
    }
    const double period = 60.0 / bpm;
    double first = std::fmod(phaseSeconds, period);
    if (first < 0) {
        first += period;
    }
    for (double t = first; t <= durationSeconds + 1e-9; t += period) {
        g.m_beats.push_back(t);
    }
    g.m_bpm = bpm;
    g.m_even = true;
    // The bar that holds the phase beat starts there.
    const auto phaseBeat = static_cast<size_t>(std::llround((phaseSeconds - first) / period));
    g.m_firstDownbeat = phaseBeat % kBeatsPerBar;
    return g;
}

std::optional<size_t> BeatGrid::nearestIndex(double seconds, double fraction) const {
    if (!steady()) {
        return std::nullopt;
    }
    const auto after = std::lower_bound(m_beats.begin(), m_beats.end(), seconds);
    size_t best = after == m_beats.end() ? m_beats.size() - 1 : size_t(after - m_beats.begin());
    if (best > 0 && std::abs(m_beats[best - 1] - seconds) < std::abs(m_beats[best] - seconds)) {
        --best;
    }
    if (std::abs(m_beats[best] - seconds) > fraction * 60.0 / m_bpm) {
        return std::nullopt;
    }
    return best;
}

std::optional<double> BeatGrid::nearestBeat(double seconds, double fraction) const {
    const std::optional<size_t> at = nearestIndex(seconds, fraction);
    return at ? std::optional<double>(m_beats[*at]) : std::nullopt;
}

std::optional<double> BeatGrid::loopEnd(double from, double to) const {
    const std::optional<size_t> first = nearestIndex(from, 0.25);
    const std::optional<size_t> last = nearestIndex(to, 0.25);
    if (!first || !last || *last <= *first) {
        return std::nullopt;
    }
    size_t beats = *last - *first;
    const size_t bars = (beats + kBeatsPerBar / 2) / kBeatsPerBar;
    if (bars > 0 && std::abs(static_cast<double>(beats) - double(bars * kBeatsPerBar)) <= 1.0) {
        beats = bars * kBeatsPerBar;
    }
    if (*first + beats >= m_beats.size()) {
        return std::nullopt;
    }
    return from + (m_beats[*first + beats] - m_beats[*first]);
}

std::optional<double> BeatGrid::beatAfter(double seconds) const {
    const auto it = std::upper_bound(m_beats.begin(), m_beats.end(), seconds + 0.001);
    return it == m_beats.end() ? std::nullopt : std::optional<double>(*it);
}

std::optional<double> BeatGrid::beatBefore(double seconds) const {
    const auto it = std::lower_bound(m_beats.begin(), m_beats.end(), seconds - 0.001);
    return it == m_beats.begin() ? std::nullopt : std::optional<double>(*(it - 1));
}

int BeatGrid::barAt(double seconds) const {
    if (!steady() || m_firstDownbeat >= m_beats.size() ||
        seconds < m_beats[m_firstDownbeat] - 0.001) {
        return 0;
    }
    const auto it = std::upper_bound(m_beats.begin(), m_beats.end(), seconds + 0.001);
    const auto beat = static_cast<size_t>(it - m_beats.begin()) - 1;
    return static_cast<int>((beat - m_firstDownbeat) / kBeatsPerBar) + 1;
}

BeatGrid BeatGrid::withBarAt(double seconds, double durationSeconds) const {
    if (!steady()) {
        return *this;
    }
    if (m_even) {
        return even(m_bpm, seconds, durationSeconds);
    }
    BeatGrid g = *this;
    const auto after = std::lower_bound(m_beats.begin(), m_beats.end(), seconds);
    size_t at = after == m_beats.end() ? m_beats.size() - 1 : size_t(after - m_beats.begin());
    if (at > 0 && std::abs(m_beats[at - 1] - seconds) < std::abs(m_beats[at] - seconds)) {
        --at;
    }
    g.m_firstDownbeat = at % kBeatsPerBar;
    return g;
}

std::optional<double> TapTempo::tap(double seconds) {
    if (!m_taps.empty() && (seconds - m_taps.back() > kPauseSeconds || seconds <= m_taps.back())) {
        m_taps.clear();
    }
    m_taps.push_back(seconds);
    if (m_taps.size() > 8) {
        m_taps.erase(m_taps.begin());
    }
    if (static_cast<int>(m_taps.size()) < kTapsNeeded) {
        return std::nullopt;
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < m_taps.size(); ++i) {
        gaps.push_back(m_taps[i] - m_taps[i - 1]);
    }
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    // Taps in time: every gap within a fifth of the others' middle.
    for (double g : gaps) {
        if (std::abs(g - median) > 0.2 * median) {
            return std::nullopt;
        }
    }
    const double mean = (m_taps.back() - m_taps.front()) / double(gaps.size());
    const double bpm = 60.0 / mean;
    return std::clamp(std::round(bpm * 10) / 10, 20.0, 300.0);
}
