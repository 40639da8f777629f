#include "engine/PracticeTempo.h"

#include "engine/MediaBackend.h"

#include <algorithm>
#include <cmath>

PracticeTempo::PracticeTempo(std::vector<MediaBackend*> backends, QObject* parent)
    : QObject(parent), m_backends(std::move(backends)) {}

void PracticeTempo::setSpeedPercent(int percent) {
    const int snapped =
        static_cast<int>(std::lround(percent / static_cast<double>(kSpeedStep))) * kSpeedStep;
    const int v = std::clamp(snapped, kMinSpeed, kMaxSpeed);
    if (v == m_speed) {
        return;
    }
    m_speed = v;
    for (MediaBackend* b : m_backends) {
        b->setSpeed(v / 100.0);
    }
    emit changed();
}

void PracticeTempo::setTranspose(int semitones) {
    const int v = std::clamp(semitones, -kMaxTranspose, kMaxTranspose);
    if (v == m_transpose) {
        return;
    }
    m_transpose = v;
    for (MediaBackend* b : m_backends) {
        b->setTranspose(v);
    }
    emit changed();
}

QString PracticeTempo::speedText(int percent) {
    return QStringLiteral("%1%").arg(percent);
}

QString PracticeTempo::transposeText(int semitones) {
    if (semitones > 0) {
        return QStringLiteral("+%1").arg(semitones);
    }
    if (semitones < 0) {
        return QStringLiteral("\u2212%1").arg(-semitones);
    }
    return QStringLiteral("0");
}
