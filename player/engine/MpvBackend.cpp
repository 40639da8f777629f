#include "engine/MpvBackend.h"

#include <QPointer>

#include <mpv/client.h>

#include <clocale>
#include <cmath>
#include <cstring>

namespace {

enum ObservedProperty : uint64_t { propDuration = 1, propEof, propAudioOutput };

QString errorString(int error) {
    return QString::fromUtf8(mpv_error_string(error));
}

QByteArray pitchScale(int semitones) {
    return QByteArray::number(std::pow(2.0, semitones / 12.0), 'f', 6);
}

// The tempo stretcher comes last: libmpv hands the speed to the last filter of the chain that
// takes it, so the pitch shifter before it only ever changes the pitch.
constexpr const char* kTempoFilter = "@tempo:scaletempo2";

} // namespace

MpvBackend::MpvBackend(QObject* parent, const Options& overrides) : MediaBackend(parent) {
    // libmpv refuses to start under any other numeric locale; the user's decimal separator
    // comes from QLocale::system(), which this does not change.
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv)
        return;
    const char* options[][2] = {
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
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"resume-playback", "no"},
        {"audio-client-name", "Tavrel"},
        // A real device when there is one; otherwise the null output, which keeps real time.
        {"ao", "pipewire,pulse,alsa,null"},
        {"af", kTempoFilter},
    };
    for (const auto& o : options)
        mpv_set_option_string(m_mpv, o[0], o[1]);
    for (const auto& [name, value] : overrides)
        mpv_set_option_string(m_mpv, name.c_str(), value.c_str());
    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        return;
    }
    mpv_observe_property(m_mpv, propDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, propEof, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, propAudioOutput, "current-ao", MPV_FORMAT_STRING);
    mpv_set_wakeup_callback(
        m_mpv,
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvBackend*>(self), &MpvBackend::drainEvents,
                                      Qt::QueuedConnection);
        },
        this);

    m_openTimer.setSingleShot(true);
    m_openTimer.setInterval(openTimeoutMs);
    connect(&m_openTimer, &QTimer::timeout, this, [this] {
        if (m_state != State::Opening)
            return;
        const char* cmd[] = {"stop", nullptr};
        mpv_command(m_mpv, cmd);
        fail(tr("The track did not start playing within %1 seconds").arg(openTimeoutMs / 1000));
    });
}

MpvBackend::~MpvBackend() {
    if (!m_mpv)
        return;
    // No callback may post to this object once it is gone.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
}

void MpvBackend::setState(State s) {
    if (s == m_state)
        return;
    m_state = s;
    emit stateChanged(s);
}

void MpvBackend::fail(const QString& reason) {
    m_openTimer.stop();
    m_error = reason;
    m_started = false;
    m_seekPending = false;
    m_hold = false;
    setState(State::Failed);
    emit failed(reason);
}

void MpvBackend::setPaused(bool paused) {
    int flag = paused ? 1 : 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvBackend::commandSeek(double seconds) {
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const char* cmd[] = {"seek", target.constData(), "absolute+exact", nullptr};
    mpv_command_async(m_mpv, 0, cmd);
}

void MpvBackend::load(const QString& path) {
    m_path = path;
    m_error.clear();
    m_started = false;
    m_entryStarted = false;
    m_fileLoaded = false;
    m_stateOnStart = State::Playing;
    m_pendingStartSeek = false;
    m_seekPending = false;
    m_hold = false;
    m_floorActive = false;
    if (m_duration != 0) {
        m_duration = 0;
        emit durationChanged(0);
    }
    if (!m_mpv) {
        fail(tr("The playback engine could not be started"));
        return;
    }
    setState(State::Opening);
    setPaused(false);
    m_loopInside = false;
    if (m_loop) {
        m_loop = false;
        setLoopPoints("no", "no");
    }
    // Nothing plays between two tracks: the chain can be rebuilt without a skip.
    if (m_pitchInChain || m_transpose != 0)
        setFilterChain(m_transpose != 0);

    const QByteArray file = path.toUtf8();
    mpv_node args[3];
    const char* words[] = {"loadfile", file.constData(), "replace"};
    for (int i = 0; i < 3; ++i) {
        args[i].format = MPV_FORMAT_STRING;
        args[i].u.string = const_cast<char*>(words[i]);
    }
    mpv_node_list list{3, args, nullptr};
    mpv_node command;
    command.format = MPV_FORMAT_NODE_ARRAY;
    command.u.list = &list;
    mpv_node result;
    const int rc = mpv_command_node(m_mpv, &command, &result);
    if (rc < 0) {
        fail(errorString(rc));
        return;
    }
    m_entryId = -1;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                m_entryId = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    m_openTimer.start();
}

void MpvBackend::play() {
    if (!m_mpv || m_path.isEmpty() || m_state == State::Failed)
        return;
    if (m_state == State::Opening) {
        m_stateOnStart = State::Playing;
        setPaused(false);
        return;
    }
    if (m_state == State::Ended) {
        m_seekFrom = position();
        m_seekPending = true;
        m_seekReported = false;
        m_hold = true;
        m_holdValue = 0;
        commandSeek(0);
    }
    if (m_hold && !m_seekPending) {
        m_hold = false;
        m_floorActive = true;
        m_floor = m_holdValue;
    }
    setPaused(false);
    setState(State::Playing);
}

void MpvBackend::pause() {
    if (!m_mpv || m_path.isEmpty())
        return;
    if (m_state == State::Opening) {
        m_stateOnStart = State::Paused;
        setPaused(true);
        return;
    }
    if (m_state != State::Playing)
        return;
    const double here = position();
    setPaused(true);
    // Paused, the reading would drift back by what the output still buffered: hold it.
    if (!m_hold) {
        m_hold = true;
        m_holdValue = here;
    }
    m_floorActive = false;
    setState(State::Paused);
}

void MpvBackend::stop() {
    if (!m_mpv || m_path.isEmpty() || m_state == State::Failed)
        return;
    setPaused(true);
    if (m_state == State::Opening) {
        m_stateOnStart = State::Stopped;
        m_pendingStartSeek = false;
        return;
    }
    // libmpv's own stop unloads the track; stopped here means paused at 0 with it loaded.
    m_seekPending = true;
    m_seekReported = false; // no seek notification for a stop
    m_hold = true;
    m_holdValue = 0;
    m_floorActive = false;
    commandSeek(0);
    setState(State::Stopped);
}

void MpvBackend::seek(double seconds) {
    if (!m_mpv || m_path.isEmpty() || m_state == State::Failed)
        return;
    if (seconds < 0)
        seconds = 0;
    if (m_state == State::Opening) {
        m_pendingStartSeek = true;
        m_startSeek = seconds;
        return;
    }
    if (!m_seekPending || !m_seekReported)
        m_seekFrom = position();
    m_seekPending = true;
    m_seekReported = true;
    m_hold = true;
    m_holdValue = seconds;
    m_floorActive = false;
    m_loopInside = false;
    commandSeek(seconds);
    if (m_state == State::Ended)
        setState(State::Paused);
}

double MpvBackend::enginePosition() const {
    double t = 0;
    if (!m_mpv || mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &t) < 0)
        return 0;
    return t;
}

double MpvBackend::position() const {
    if (!m_started)
        return m_pendingStartSeek ? m_startSeek : 0;
    if (m_hold)
        return m_holdValue;
    const double t = enginePosition();
    if (m_loop) {
        // libmpv's A-B loop turns back without dropping the sound already buffered: until
        // that has played, libmpv reads the start minus the buffer, while what is heard is
        // still the end of the loop. A playhead inside the loop never goes before its start
        // by itself.
        if (t >= m_loopFrom)
            m_loopInside = true;
        else if (m_loopInside)
            return std::max(m_loopFrom, m_loopTo - (m_loopFrom - t));
    }
    if (m_floorActive) {
        if (t < m_floor)
            return m_floor;
        m_floorActive = false;
    }
    return t < 0 ? 0 : t;
}

QString MpvBackend::audioOutput() const {
    if (!m_mpv)
        return {};
    char* ao = mpv_get_property_string(m_mpv, "current-ao");
    const QString out = ao ? QString::fromUtf8(ao) : QString();
    mpv_free(ao);
    return out;
}

void MpvBackend::setVolume(int percent) {
    m_volume = qBound(0, percent, 100);
    if (!m_mpv)
        return;
    double v = m_volume;
    mpv_set_property_async(m_mpv, 0, "volume", MPV_FORMAT_DOUBLE, &v);
}

void MpvBackend::setSpeed(double factor) {
    m_speed = factor;
    if (m_mpv)
        mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &factor);
}

double MpvBackend::speed() const {
    double v = m_speed;
    if (m_mpv)
        mpv_get_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &v);
    return v;
}

void MpvBackend::setFilterChain(bool withPitch) {
    QByteArray chain = kTempoFilter;
    if (withPitch)
        chain = "@pitch:rubberband=pitch-scale=" + pitchScale(m_transpose) + "," + chain;
    mpv_set_property_string(m_mpv, "af", chain.constData());
    m_pitchInChain = withPitch;
}

void MpvBackend::setTranspose(int semitones) {
    m_transpose = semitones;
    if (!m_mpv)
        return;
    if (!m_pitchInChain) {
        if (semitones != 0)
            setFilterChain(true);
        return;
    }
    const QByteArray scale = pitchScale(semitones);
    const char* cmd[] = {"af-command", "pitch", "set-pitch", scale.constData(), nullptr};
    if (mpv_command(m_mpv, cmd) < 0)
        setFilterChain(true);
}

void MpvBackend::setLoopPoints(const QByteArray& from, const QByteArray& to) {
    mpv_set_property_string(m_mpv, "ab-loop-a", from.constData());
    mpv_set_property_string(m_mpv, "ab-loop-b", to.constData());
}

void MpvBackend::setLoop(double from, double to) {
    if (!m_mpv || m_path.isEmpty() || m_state == State::Failed || to <= from)
        return;
    m_loop = true;
    m_loopInside = false;
    m_loopFrom = from;
    m_loopTo = to;
    setLoopPoints(QByteArray::number(from, 'f', 6), QByteArray::number(to, 'f', 6));
    // libmpv only loops a playhead that has not passed the end point yet.
    if (position() >= to)
        seek(from);
}

void MpvBackend::clearLoop() {
    if (!m_loop)
        return;
    m_loop = false;
    m_loopInside = false;
    if (m_mpv)
        setLoopPoints("no", "no");
}

QString MpvBackend::audioFilters() const {
    if (!m_mpv)
        return {};
    char* af = mpv_get_property_string(m_mpv, "af");
    const QString out = af ? QString::fromUtf8(af) : QString();
    mpv_free(af);
    return out;
}

QString MpvBackend::loopPoints() const {
    if (!m_mpv)
        return {};
    char* a = mpv_get_property_string(m_mpv, "ab-loop-a");
    char* b = mpv_get_property_string(m_mpv, "ab-loop-b");
    const QString out =
        QString::fromUtf8(a ? a : "") + QLatin1Char(' ') + QString::fromUtf8(b ? b : "");
    mpv_free(a);
    mpv_free(b);
    return out;
}

void MpvBackend::drainEvents() {
    // A handler may delete this back end or drain re-entrantly (a nested event loop); each
    // event is read fully before anything is emitted.
    QPointer<MpvBackend> self(this);
    while (self && m_mpv) {
        mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvBackend::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (start->playlist_entry_id == m_entryId)
            m_entryStarted = true;
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (m_entryStarted) {
            m_fileLoaded = true;
            readDuration();
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (end->playlist_entry_id != m_entryId || m_state == State::Failed)
            break;
        if (end->reason == MPV_END_FILE_REASON_ERROR)
            fail(errorString(end->error));
        else if (end->reason == MPV_END_FILE_REASON_EOF && m_started)
            setState(State::Ended);
        else if (end->reason == MPV_END_FILE_REASON_EOF)
            fail(errorString(MPV_ERROR_NOTHING_TO_PLAY));
        break;
    }
    case MPV_EVENT_SEEK:
        if (m_loop && m_started && !m_seekPending)
            m_loopInside = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_fileLoaded)
            onPlaybackRestart();
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        if (event.reply_userdata == propDuration && m_fileLoaded) {
            const double d =
                prop->format == MPV_FORMAT_DOUBLE ? *static_cast<const double*>(prop->data) : 0;
            if (d != m_duration) {
                m_duration = d;
                emit durationChanged(d);
            }
        } else if (event.reply_userdata == propEof && prop->format == MPV_FORMAT_FLAG) {
            // Signalled a little before the output has played the last sound.
            if (*static_cast<const int*>(prop->data) && m_started && m_state == State::Playing &&
                !m_seekPending)
                setState(State::Ended);
        } else if (event.reply_userdata == propAudioOutput && prop->format == MPV_FORMAT_STRING) {
            const char* ao = *static_cast<char* const*>(prop->data);
            if (ao && std::strcmp(ao, "null") == 0 && !m_noDeviceAnnounced) {
                m_noDeviceAnnounced = true;
                emit noAudioDevice();
            }
        }
        break;
    }
    default:
        break;
    }
}

void MpvBackend::readDuration() {
    // Asked, not waited for: libmpv announces a property only when its value changes, so a
    // track as long as the one before may never be announced at all.
    double d = 0;
    if (mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &d) < 0 || !(d > 0))
        return;
    if (d != m_duration) {
        m_duration = d;
        emit durationChanged(d);
    }
}

void MpvBackend::onPlaybackRestart() {
    if (!m_started) {
        readDuration();
        if (m_duration <= 0) {
            const char* cmd[] = {"stop", nullptr};
            mpv_command(m_mpv, cmd);
            fail(tr("Its length cannot be read."));
            return;
        }
        m_started = true;
        m_openTimer.stop();
        const State first = m_stateOnStart;
        if (m_pendingStartSeek && first != State::Stopped) {
            m_pendingStartSeek = false;
            m_seekFrom = 0;
            m_seekPending = true;
            m_seekReported = true;
            m_hold = true;
            m_holdValue = m_startSeek;
            commandSeek(m_startSeek);
        } else if (first != State::Playing) {
            m_hold = true;
            m_holdValue = 0;
        }
        m_pendingStartSeek = false;
        setState(first);
        return;
    }
    if (!m_seekPending) {
        // Only libmpv's own A-B loop seeks without being asked.
        if (m_loop)
            emit loopRestarted();
        return;
    }
    m_seekPending = false;
    const double target = m_holdValue;
    if (m_state == State::Playing) {
        m_hold = false;
        m_floorActive = true;
        m_floor = target;
    }
    if (m_seekReported)
        emit seekCompleted(m_seekFrom, target);
}
