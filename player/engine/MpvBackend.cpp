#include "engine/MpvBackend.h"

#include <QMetaObject>

#include <mpv/client.h>

#include <clocale>
#include <cstring>
#include <vector>

namespace {

enum Observed : uint64_t { kTimePos = 1, kDuration, kPause, kEofReached, kCurrentAo };

void wakeup(void* ctx) {
    QMetaObject::invokeMethod(static_cast<QObject*>(ctx), "drainEvents", Qt::QueuedConnection);
}

} // namespace

MpvBackend::MpvBackend(QObject* parent) : MediaBackend(parent) {
    // libmpv refuses to start unless numbers are written the C way.
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv) {
        m_error = QStringLiteral("The playback library could not be started.");
        m_state = State::Failed;
        return;
    }
    const std::pair<const char*, const char*> options[] = {
        {"vo", "null"},
        {"video", "no"},
        {"audio-display", "no"},
        {"keep-open", "yes"},
        {"hr-seek", "yes"},
        {"hr-seek-demuxer-offset", "0.1"},
        {"idle", "yes"},
        {"terminal", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"osc", "no"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"config", "no"},
        {"resume-playback", "no"},
        {"audio-fallback-to-null", "yes"},
        {"audio-client-name", "Tavrel"},
    };
    for (const auto& [name, value] : options)
        mpv_set_option_string(m_mpv, name, value);
    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        m_error = QStringLiteral("The playback library could not be started.");
        m_state = State::Failed;
        return;
    }
    mpv_request_log_messages(m_mpv, "error");
    mpv_observe_property(m_mpv, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, kPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, kCurrentAo, "current-ao", MPV_FORMAT_STRING);
    mpv_set_wakeup_callback(m_mpv, wakeup, this);
}

MpvBackend::~MpvBackend() {
    if (!m_mpv)
        return;
    // No wakeup may reach this object once it is gone.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
}

void MpvBackend::command(std::initializer_list<const char*> args) {
    if (!m_mpv)
        return;
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(m_mpv, 0, argv.data());
}

void MpvBackend::load(const QString& path) {
    if (!m_mpv)
        return;
    m_path = path;
    m_error.clear();
    m_lastLogError.clear();
    m_timePos = 0;
    m_duration = 0;
    m_loaded = m_started = m_stopped = m_ended = false;
    m_seekTarget.reset();
    m_seekPending = false;
    if (path.isEmpty()) {
        command({"stop"});
        setState(State::Empty);
        return;
    }
    int no = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &no);
    m_paused = false;
    const QByteArray file = path.toUtf8();
    command({"loadfile", file.constData(), "replace"});
    setState(State::Opening);
}

void MpvBackend::play() {
    if (!m_mpv || !m_loaded)
        return;
    if (m_ended)
        seek(0);
    int no = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &no);
}

void MpvBackend::pause() {
    if (!m_mpv || !m_loaded)
        return;
    int yes = 1;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &yes);
}

void MpvBackend::stop() {
    if (!m_mpv || !m_loaded)
        return;
    // libmpv's own stop unloads the file; stopped here means waiting at 0 s, still loaded.
    pause();
    m_stopped = true;
    seek(0);
    m_paused = true;
    updatePlayingState();
}

void MpvBackend::seek(double seconds) {
    if (!m_mpv || !m_loaded)
        return;
    // A negative absolute time would count from the end of the track.
    const double target = seconds < 0 ? 0 : seconds;
    m_seekFrom = position();
    m_seekTarget = seconds;
    m_seekPending = true;
    m_ended = false;
    const QByteArray t = QByteArray::number(target, 'f', 6);
    command({"seek", t.constData(), "absolute+exact"});
}

double MpvBackend::position() const {
    if (!m_started)
        return 0;
    if (m_seekTarget)
        return *m_seekTarget;
    if (m_mpv && m_state == State::Playing) {
        double t = 0;
        if (mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &t) >= 0)
            return t;
    }
    return m_timePos;
}

void MpvBackend::setVolume(int percent) {
    m_volume = percent;
    if (!m_mpv)
        return;
    double v = percent;
    mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &v);
}

QString MpvBackend::property(const char* name) const {
    if (!m_mpv)
        return {};
    char* value = mpv_get_property_string(m_mpv, name);
    if (!value)
        return {};
    QString s = QString::fromUtf8(value);
    mpv_free(value);
    return s;
}

void MpvBackend::setProperty(const char* name, const QString& value) {
    if (m_mpv)
        mpv_set_property_string(m_mpv, name, value.toUtf8().constData());
}

void MpvBackend::drainEvents() {
    while (m_mpv) {
        mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handle(*event);
    }
}

void MpvBackend::setState(State s) {
    if (s == m_state)
        return;
    m_state = s;
    emit stateChanged(s);
}

void MpvBackend::fail(const QString& reason) {
    m_error = reason;
    m_loaded = m_started = false;
    setState(State::Failed);
    emit failed(reason);
}

void MpvBackend::updatePlayingState() {
    if (!m_loaded || !m_started)
        return;
    if (m_ended)
        setState(State::Ended);
    else if (!m_paused)
        setState(State::Playing);
    else
        setState(m_stopped ? State::Stopped : State::Paused);
}

void MpvBackend::handle(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* msg = static_cast<const mpv_event_log_message*>(event.data);
        m_lastLogError = QString::fromUtf8(msg->text).trimmed();
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        m_loaded = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!m_loaded)
            break;
        if (!m_started) {
            m_started = true;
            m_timePos = 0;
        }
        if (m_seekPending) {
            m_seekPending = false;
            const double target = m_seekTarget.value_or(m_timePos);
            if (!m_paused)
                m_seekTarget.reset();
            emit seekCompleted(m_seekFrom, target);
        }
        updatePlayingState();
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (end->reason == MPV_END_FILE_REASON_ERROR) {
            QString reason = m_lastLogError;
            if (reason.isEmpty())
                reason = QString::fromUtf8(mpv_error_string(end->error));
            if (!reason.isEmpty())
                reason[0] = reason[0].toUpper();
            fail(reason);
        }
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* p = static_cast<const mpv_event_property*>(event.data);
        switch (event.reply_userdata) {
        case kTimePos:
            if (p->format == MPV_FORMAT_DOUBLE)
                m_timePos = *static_cast<double*>(p->data);
            break;
        case kDuration:
            if (p->format == MPV_FORMAT_DOUBLE) {
                m_duration = *static_cast<double*>(p->data);
                emit durationChanged(m_duration);
            }
            break;
        case kPause:
            if (p->format == MPV_FORMAT_FLAG) {
                m_paused = *static_cast<int*>(p->data) != 0;
                if (!m_paused) {
                    // Playing again: libmpv's own time is right from here on.
                    m_stopped = false;
                    if (!m_seekPending)
                        m_seekTarget.reset();
                }
                updatePlayingState();
            }
            break;
        case kEofReached:
            if (p->format == MPV_FORMAT_FLAG) {
                m_ended = *static_cast<int*>(p->data) != 0;
                updatePlayingState();
            }
            break;
        case kCurrentAo:
            if (p->format == MPV_FORMAT_STRING && !m_toldNoAudio) {
                const char* ao = *static_cast<char**>(p->data);
                if (ao && std::strcmp(ao, "null") == 0) {
                    m_toldNoAudio = true;
                    emit noAudioDevice();
                }
            }
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}
