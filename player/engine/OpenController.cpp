#include "engine/OpenController.h"

#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"

#include <QFileInfo>

#include <exception>
#include <utility>

OpenController::OpenController(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                               QObject* parent)
    : QObject(parent), m_hybrid(hybrid), m_wmp(WMP1), m_mp(mp1) {
    m_limit.setSingleShot(true);
    m_limit.setInterval(kTimeLimitMs);
    connect(&m_limit, &QTimer::timeout, this, &OpenController::timedOut);
}

MediaComponent& OpenController::component(bool wmp) {
    return wmp ? static_cast<MediaComponent&>(m_wmp) : static_cast<MediaComponent&>(m_mp);
}

void OpenController::assign(bool wmp, const QString& path) {
    if (wmp) {
        m_wmp.setURL(path);
    } else {
        m_mp.setFileName(path);
    }
}

void OpenController::open(const QString& path) {
    const bool wmp = modHybrid::choosesWmp(path);
    ++m_serial;
    stopWatching();
    if (m_phase != Phase::Idle && m_watchedWmp != wmp) {
        // The track taken over from must not start behind the new one's back.
        MediaComponent& earlier = component(m_watchedWmp);
        if (earlier.backend().state() == MediaBackend::State::Opening) {
            earlier.stop();
        }
    }
    if (m_phase == Phase::Idle) {
        m_previous = {};
        m_previous.wmp = m_hybrid.WmpActive;
        m_previous.track = m_hybrid.CurrentTrack;
        m_previous.position = m_previous.track.isEmpty() ? 0 : m_hybrid.position();
        // Paused, not stopped: a track that cannot be played leaves this one where it was.
        for (bool w : {true, false}) {
            m_previous.playing[w] = component(w).isPlaying();
            if (m_previous.playing[w]) {
                component(w).pause();
            }
        }
    }
    m_phase = Phase::Waiting;
    m_path = path;
    m_wantWmp = wmp;
    m_failure.clear();
    const int serial = m_serial;
    emit openStarted(path);
    if (serial != m_serial) {
        return;
    }
    // libmpv would play a folder as a list of its files, and the folder would then be
    // remembered as the last track; only a file is a track.
    if (QFileInfo(path).isDir()) {
        fail(QStringLiteral("It is a folder, not a track."));
        return;
    }
    assign(wmp, path);
    if (serial == m_serial && m_phase == Phase::Waiting) {
        watch(wmp);
    }
}

void OpenController::watch(bool wmp) {
    stopWatching();
    m_watchedWmp = wmp;
    m_watching = true;
    ++m_watchCount;
    m_reason.clear();
    m_watch = connect(&component(wmp), &MediaComponent::stateChanged, this,
                      [this](MediaBackend::State) { check(); });
    // The back end tells why just after it has turned to Failed.
    m_watchFailure =
        connect(&component(wmp), &MediaComponent::failed, this, [this](const QString& reason) {
            m_reason = reason;
            check();
        });
    m_limit.start();
    check();
}

void OpenController::check() {
    MediaBackend& backend = component(m_watchedWmp).backend();
    const MediaBackend::State s = backend.state();
    if (s == MediaBackend::State::Opening || s == MediaBackend::State::Empty) {
        return;
    }
    const bool started = s != MediaBackend::State::Failed;
    const QString reason = backend.errorText().isEmpty() ? m_reason : backend.errorText();
    if (!started && reason.isEmpty()) {
        return;
    }
    stopWatching();
    if (m_phase == Phase::Restoring) {
        if (started) {
            MediaComponent& home = component(m_watchedWmp);
            home.pause();
            home.setPosition(m_previous.position);
            if (!m_previous.position) {
                home.stop();
            }
        }
        finishRestore();
        return;
    }
    if (started) {
        succeed();
    } else {
        fail(reason);
    }
}

void OpenController::timedOut() {
    MediaComponent& c = component(m_watchedWmp);
    const QString reason = QStringLiteral("It did not start playing within %1 seconds.")
                               .arg(m_limit.interval() / 1000);
    const int watched = m_watchCount;
    // The back end fails the track, which check() takes as the outcome.
    c.backend().abandonOpen(reason);
    if (!m_watching || watched != m_watchCount) {
        return;
    }
    // The back end did not give the track up, or gave no reason: the open ends here anyway.
    stopWatching();
    if (c.backend().state() == MediaBackend::State::Opening) {
        c.stop();
    }
    if (m_phase == Phase::Restoring) {
        finishRestore();
    } else {
        fail(reason);
    }
}

void OpenController::stopWatching() {
    QObject::disconnect(m_watch);
    QObject::disconnect(m_watchFailure);
    m_limit.stop();
    m_watching = false;
}

void OpenController::succeed() {
    const bool wmp = m_wantWmp;
    MediaComponent& chosen = component(wmp);
    chosen.stop();
    // The other component may still hold the track that played, or one that never came up:
    // neither may go on behind the new one's back.
    MediaComponent& other = component(!wmp);
    const MediaBackend::State otherState = other.backend().state();
    if (m_previous.playing[!wmp] || otherState == MediaBackend::State::Opening ||
        otherState == MediaBackend::State::Playing) {
        other.stop();
    }
    const bool replaced = !m_previous.track.isEmpty();
    m_hybrid.WmpActive = wmp;
    m_hybrid.CurrentTrack = m_path;
    m_phase = Phase::Idle;
    const int serial = m_serial;
    emit opened(m_path, replaced);
    if (serial == m_serial) {
        drain();
    }
}

void OpenController::fail(const QString& reason) {
    m_failure = reason.isEmpty() ? QStringLiteral("It cannot be played.") : reason;
    m_phase = Phase::Restoring;
    m_hybrid.WmpActive = m_previous.wmp;
    m_hybrid.CurrentTrack = m_previous.track;
    MediaComponent& home = component(m_previous.wmp);
    // The other component may hold a track that never came up: it must not start later.
    MediaComponent& other = component(!m_previous.wmp);
    if (other.backend().state() == MediaBackend::State::Opening) {
        other.stop();
    }
    if (m_previous.track.isEmpty()) {
        if (home.hasTrack()) {
            assign(m_previous.wmp, QString());
        }
        finishRestore();
        return;
    }
    if (home.backend().path() == m_previous.track) {
        finishRestore();
        return;
    }
    // The new track took the previous one's place in its component: load it again.
    const int serial = m_serial;
    assign(m_previous.wmp, m_previous.track);
    if (serial == m_serial && m_phase == Phase::Restoring) {
        watch(m_previous.wmp);
    }
}

void OpenController::finishRestore() {
    m_phase = Phase::Idle;
    const int serial = m_serial;
    emit failed(m_path, m_failure);
    if (serial == m_serial) {
        drain();
    }
}

void OpenController::endChoice() {
    if (m_choosing > 0 && --m_choosing == 0 && !busy()) {
        drain();
    }
}

void OpenController::whenSettled(std::function<void()> command) {
    if (!holding()) {
        try {
            command();
        } catch (const std::exception&) {
        }
        return;
    }
    m_held.push_back(std::move(command));
}

void OpenController::drain() {
    if (m_draining) {
        return;
    }
    m_draining = true;
    // A held command may start another open (its commands then wait for that one) or open a
    // modal box (commands that come meanwhile join the end of the line).
    while (!busy() && m_choosing == 0 && !m_held.empty()) {
        std::function<void()> command = std::move(m_held.front());
        m_held.pop_front();
        try {
            command();
        } catch (const std::exception&) {
        }
    }
    m_draining = false;
    if (!busy() && m_choosing == 0) {
        emit settled();
    }
}
