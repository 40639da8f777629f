#include "window/PlayheadClock.h"

#include <cmath>

PlayheadClock::PlayheadClock() {
    m_elapsed.start();
    m_now = [this] { return m_elapsed.nsecsElapsed(); };
}

void PlayheadClock::sample(double position, bool playing, double speed) {
    const qint64 now = m_now();
    if (!std::isfinite(position)) {
        position = 0;
    }
    if (!std::isfinite(speed) || speed <= 0) {
        speed = 1.0;
    }
    const double carried = this->position();
    const double drift = position - carried;
    m_base = position;
    m_rate = speed;
    if (playing && m_playing && std::abs(drift) <= kJumpSeconds) {
        // Ahead of the engine the playhead waits for it by going slower, never backwards.
        m_base = drift >= 0 ? carried + drift * kCorrection : carried;
        if (drift < 0) {
            m_rate = speed * kCatchUp;
        }
    }
    m_baseTime = now;
    m_playing = playing;
}

double PlayheadClock::position() const {
    if (!m_playing) {
        return m_base;
    }
    return m_base + m_rate * double(m_now() - m_baseTime) / 1e9;
}
