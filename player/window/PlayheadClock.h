#pragma once
// The playing position between two readings of the engine: the engine's position moves in
// steps of its output buffer and is read only now and then, so the position in between is
// carried on from the last reading at the playback speed. A reading close to the carried
// position corrects it gently, so the playhead neither jumps nor runs backwards; a reading
// far from it (a seek, a loop restart) is taken as it is.

#include <QElapsedTimer>

#include <functional>

class PlayheadClock {
public:
    // Nanoseconds of a monotonic clock; tests put their own in.
    using Now = std::function<qint64()>;

    PlayheadClock();
    explicit PlayheadClock(Now now) : m_now(std::move(now)) {}

    // A reading of the engine: its position, whether it plays and at what speed.
    void sample(double position, bool playing, double speed);
    // The position now.
    double position() const;
    bool playing() const { return m_playing; }

    // Further than this from the carried position, a reading is a jump, not drift.
    static constexpr double kJumpSeconds = 0.25;
    // Share of a lead of the engine taken up by each reading.
    static constexpr double kCorrection = 0.3;
    // Rate, as a share of the speed, at which the playhead lets a lagging engine catch up.
    static constexpr double kCatchUp = 0.5;

private:
    Now m_now;
    QElapsedTimer m_elapsed;
    double m_base = 0;
    qint64 m_baseTime = 0;
    double m_rate = 1.0;
    bool m_playing = false;
};
