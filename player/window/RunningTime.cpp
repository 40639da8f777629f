#include "window/RunningTime.h"

#include "base/Runtime.h"
#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modAdmin.h"
#include "engine/modHybrid.h"
#include "platform/Platform.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

RunningTime::RunningTime(const Parts& parts, QObject* parent) : QObject(parent), m_parts(parts) {
    m_parts.tmrTime.setInterval(100);
    m_parts.tmrFast.setInterval(200);
    connect(&m_parts.tmrTime, &QTimer::timeout, this, &RunningTime::tmrTime_Timer);
    connect(&m_parts.tmrFast, &QTimer::timeout, this, &RunningTime::tmrFast_Timer);

    connect(&m_parts.WMP1, &WindowsMediaPlayer::PlayStateChange, this, [this](int NewState) {
        if (NewState == 3) {
            m_parts.tmrTime.start();
        } else if (m_parts.tmrTime.isActive()) {
            m_parts.tmrTime.stop();
            showStoppedTime();
        }
    });
    connect(&m_parts.WMP1, &WindowsMediaPlayer::PositionChange, this,
            [this](double, double newPosition) {
                setRunningTime(newPosition);
                m_parts.cmdPlay.setFocus();
            });
    connect(&m_parts.mp1, &MediaComponent::playingChanged, this, [this](bool playing) {
        if (m_parts.hybrid.WmpActive) {
            return;
        }
        if (playing) {
            m_parts.tmrTime.start();
        } else {
            m_parts.tmrTime.stop();
            showStoppedTime();
        }
    });
    // A go-to on a WAV track shows the mark's time at once too, as it does for other tracks.
    connect(&m_parts.mp1, &MediaComponent::seeked, this, [this](double, double newPosition) {
        if (!m_parts.hybrid.WmpActive) {
            setRunningTime(newPosition);
        }
    });
}

void RunningTime::startFast(const QString& tag) {
    m_parts.tmrFastTag = tag;
    if (!m_parts.tmrFast.isActive()) {
        m_parts.tmrFast.start();
    }
}

void RunningTime::stopFast() {
    m_parts.tmrFastTag.clear();
    m_parts.tmrFast.stop();
}

void RunningTime::setRunningTime(double seconds) {
    try {
        m_parts.lblCount.setText(modAdmin::FormatPlayTime(seconds));
    } catch (const RuntimeError&) {
        // A position beyond the 32-bit range of whole seconds leaves the last time shown.
    }
}

void RunningTime::showStoppedTime() {
    // The last tick may be up to 100 ms old, and a stop from the component's own button moves
    // the position without a seek notification: show where playback came to rest.
    if (m_parts.hybrid.activeHasTrack()) {
        setRunningTime(m_parts.hybrid.position());
    }
}

void RunningTime::tmrTime_Timer() {
    static bool inTick = false;
    if (inTick) {
        return;
    }
    inTick = true;
    setRunningTime(m_parts.hybrid.position());
    m_parts.platform.processPendingEvents();
    inTick = false;
}

void RunningTime::tmrFast_Timer() {
    try {
        const int16_t p = nearestInt16(m_parts.hybrid.position());
        if (p <= 0) {
            m_parts.tmrFast.stop();
            return;
        }
        if (m_parts.tmrFastTag == QLatin1String("ff")) {
            m_parts.hybrid.setPosition(add16(p, 1));
        } else if (m_parts.tmrFastTag == QLatin1String("rw")) {
            m_parts.hybrid.setPosition(add16(p, -2));
        }
    } catch (const RuntimeError&) {
        // Past 32767 s the whole-second arithmetic ends; winding stops there.
        m_parts.tmrFast.stop();
    }
}
