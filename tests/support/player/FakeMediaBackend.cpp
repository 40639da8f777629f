#include "player/FakeMediaBackend.h"

#include <algorithm>

FakeMediaBackend::FakeMediaBackend(QObject* parent) : MediaBackend(parent) {
    m_playhead.notify = Playhead::noticesOf(*this, m_error);
}

double FakeMediaBackend::lengthOf(const QString& path) const {
    return m_durations.value(path, m_defaultDuration);
}

double FakeMediaBackend::duration() const {
    return m_playhead.length();
}

void FakeMediaBackend::load(const QString& path) {
    loads << path;
    m_path = path;
    m_error.clear();
    m_time = 0;
    m_seekPending = false;
    m_playhead.load();
    if (path.isEmpty()) {
        unload();
        m_playhead.fileEnded(true, QStringLiteral("No file."));
        return;
    }
    if (const auto it = m_failures.constFind(path); it != m_failures.constEnd()) {
        m_path.clear();
        m_playhead.fileEnded(true, *it);
        return;
    }
    if (opensAtOnce) {
        finishOpening();
    }
}

void FakeMediaBackend::abandonOpen(const QString& reason) {
    if (givesUpOpens) {
        m_playhead.openTimedOut(reason);
    }
}

void FakeMediaBackend::finishOpening() {
    if (m_playhead.phase() != Playhead::Phase::Opening || m_path.isEmpty()) {
        return;
    }
    const double length = lengthOf(m_path);
    m_playhead.fileLoaded(length);
    m_playhead.restarted(length);
    // A position asked for while opening is sought once the track has started.
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::play() {
    ++plays;
    m_playhead.play();
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::pause() {
    ++pauses;
    m_playhead.pause();
}

void FakeMediaBackend::stop() {
    ++stops;
    m_playhead.stop();
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::seek(double seconds) {
    seeks.push_back(seconds);
    m_playhead.seek(seconds);
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::seekExact(double seconds) {
    // The engine, like libmpv, goes no further than the end of the track.
    m_time = std::clamp(seconds, 0.0, std::max(0.0, m_playhead.length()));
    m_seekPending = true;
}

void FakeMediaBackend::completeSeek() {
    if (!m_seekPending) {
        return;
    }
    m_seekPending = false;
    m_playhead.restarted(m_playhead.length());
}

void FakeMediaBackend::unload() {
    m_path.clear();
    m_time = 0;
    m_seekPending = false;
}

void FakeMediaBackend::setVolume(int percent) {
    m_volume = std::clamp(percent, 0, 100);
}

void FakeMediaBackend::setLoop(double from, double to) {
    m_playhead.setLoop(from, to);
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::setLoopPoints(double from, double to) {
    m_loopFrom = from;
    m_loopTo = to;
}

void FakeMediaBackend::advance(double seconds) {
    if (m_playhead.phase() != Playhead::Phase::Playing) {
        return;
    }
    const double length = m_playhead.length();
    m_time += seconds;
    if (m_playhead.looping() && m_time >= std::min(m_loopTo, length)) {
        m_time = m_loopFrom;
        m_playhead.engineSeeked();
        m_playhead.restarted(length);
        return;
    }
    if (m_time >= length) {
        m_time = length;
        m_playhead.endOfFileReached();
    }
}

void FakeMediaBackend::setDuration(double seconds) {
    m_defaultDuration = seconds;
}

void FakeMediaBackend::setDurationFor(const QString& path, double seconds) {
    m_durations.insert(path, seconds);
}

void FakeMediaBackend::failLoadOf(const QString& path, const QString& reason) {
    m_failures.insert(path, reason);
}
