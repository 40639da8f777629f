#pragma once
// The practice tempo: playback speed (50 to 150 % in 5 % steps, the pitch kept) and
// transposition (-12 to +12 semitones, whatever the speed). One setting for the whole player,
// applied to the back ends of both media components, so switching between a WAV and another
// track keeps it.

#include <QObject>
#include <QString>

#include <vector>

class MediaBackend;

class PracticeTempo : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinSpeed = 50;
    static constexpr int kMaxSpeed = 150;
    static constexpr int kSpeedStep = 5;
    static constexpr int kNormalSpeed = 100;
    static constexpr int kMaxTranspose = 12;

    explicit PracticeTempo(std::vector<MediaBackend*> backends, QObject* parent = nullptr);

    int speedPercent() const { return m_speed; }
    int transpose() const { return m_transpose; }

    // Out-of-range values are held at the nearest end; speeds snap to the nearest step.
    void setSpeedPercent(int percent);
    void slower() { setSpeedPercent(m_speed - kSpeedStep); }
    void faster() { setSpeedPercent(m_speed + kSpeedStep); }
    void resetSpeed() { setSpeedPercent(kNormalSpeed); }
    void setTranspose(int semitones);
    void transposeDown() { setTranspose(m_transpose - 1); }
    void transposeUp() { setTranspose(m_transpose + 1); }
    void resetTranspose() { setTranspose(0); }

    // "75%"; "+2", "0", "−3" (with a real minus sign).
    static QString speedText(int percent);
    static QString transposeText(int semitones);

signals:
    void changed();

private:
    std::vector<MediaBackend*> m_backends;
    int m_speed = kNormalSpeed;
    int m_transpose = 0;
};
