#include "engine/MpvBackend.h"

#include <QPointer>

#include <mpv/client.h>

#include <algorithm>
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
    m_playhead.notify = Playhead::noticesOf(*this, m_error);
    // libmpv refuses to start under any other numeric locale; the user's decimal separator
    // comes from QLocale::system(), which this does not change.
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv) {
        return;
    }
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
        {"audio-client-name", TAVREL_APP_TITLE},
        // A real device when there is one; otherwise the null output, which keeps real time.
        {"ao", "pipewire,pulse,alsa,null"},
        {"af", kTempoFilter},
    };
    for (const auto& o : options) {
        mpv_set_option_string(m_mpv, o[0], o[1]);
    }
    for (const auto& [name, value] : overrides) {
        mpv_set_option_string(m_mpv, name.c_str(), value.c_str());
    }
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
}

MpvBackend::~MpvBackend() {
    if (!m_mpv) {
        return;
    }
    // No callback may post to this object once it is gone.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
}

bool MpvBackend::usable() const {
    return m_mpv && !m_path.isEmpty();
}

void MpvBackend::setPaused(bool paused) {
    int flag = paused ? 1 : 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvBackend::seekExact(double seconds) {
    // A stream that cannot seek (a pipe) never restarts after a seek: the seek ends where
    // playback stands, or the playhead would wait for it for ever.
    int seekable = 1;
    if (mpv_get_property(m_mpv, "seekable", MPV_FORMAT_FLAG, &seekable) >= 0 && !seekable) {
        QMetaObject::invokeMethod(
            this, [this] { m_playhead.restarted(m_playhead.length()); }, Qt::QueuedConnection);
        return;
    }
    const QByteArray target = QByteArray::number(seconds, 'f', 6);
    const char* cmd[] = {"seek", target.constData(), "absolute+exact", nullptr};
    mpv_command_async(m_mpv, 0, cmd);
}

void MpvBackend::unload() {
    const char* cmd[] = {"stop", nullptr};
    mpv_command(m_mpv, cmd);
}

double MpvBackend::time() const {
    double t = 0;
    if (!m_mpv || mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &t) < 0) {
        return 0;
    }
    return t;
}

double MpvBackend::readDuration() const {
    // Asked, not only awaited: libmpv announces a property only when its value changes, so a
    // track as long as the one before may never be announced at all.
    double d = 0;
    if (mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &d) < 0) {
        return 0;
    }
    return d;
}

void MpvBackend::load(const QString& path) {
    m_path = path;
    m_error.clear();
    m_entryStarted = false;
    if (!m_mpv) {
        m_playhead.load();
        m_playhead.fail(tr("The playback engine could not be started"));
        return;
    }
    m_playhead.load();
    // Nothing plays between two tracks: the chain can be rebuilt without a skip.
    if (m_pitchInChain || m_transpose != 0) {
        setFilterChain(m_transpose != 0);
    }

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
        m_playhead.fail(errorString(rc));
        return;
    }
    m_entryId = -1;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64) {
                m_entryId = result.u.list->values[i].u.int64;
            }
        }
    }
    mpv_free_node_contents(&result);
}

void MpvBackend::abandonOpen(const QString& reason) {
    if (usable()) {
        m_playhead.openTimedOut(reason);
    }
}

void MpvBackend::play() {
    if (usable()) {
        m_playhead.play();
    }
}

void MpvBackend::pause() {
    if (usable()) {
        m_playhead.pause();
    }
}

void MpvBackend::stop() {
    if (usable()) {
        m_playhead.stop();
    }
}

void MpvBackend::seek(double seconds) {
    if (usable()) {
        m_playhead.seek(seconds);
    }
}

void MpvBackend::setLoop(double from, double to) {
    if (usable()) {
        m_playhead.setLoop(from, to);
    }
}

void MpvBackend::clearLoop() {
    if (m_mpv) {
        m_playhead.clearLoop();
    }
}

void MpvBackend::setLoopProperties(const char* from, const char* to) {
    mpv_set_property_string(m_mpv, "ab-loop-a", from);
    mpv_set_property_string(m_mpv, "ab-loop-b", to);
}

void MpvBackend::setLoopPoints(double from, double to) {
    setLoopProperties(QByteArray::number(from, 'f', 6).constData(),
                      QByteArray::number(to, 'f', 6).constData());
}

void MpvBackend::clearLoopPoints() {
    setLoopProperties("no", "no");
}

QString MpvBackend::audioOutput() const {
    if (!m_mpv) {
        return {};
    }
    char* ao = mpv_get_property_string(m_mpv, "current-ao");
    const QString out = ao ? QString::fromUtf8(ao) : QString();
    mpv_free(ao);
    return out;
}

QMap<QString, QString> MpvBackend::tags() const {
    QMap<QString, QString> out;
    mpv_node node;
    if (!usable() || mpv_get_property(m_mpv, "metadata", MPV_FORMAT_NODE, &node) < 0) {
        return out;
    }
    if (node.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < node.u.list->num; ++i) {
            const mpv_node& value = node.u.list->values[i];
            if (value.format == MPV_FORMAT_STRING) {
                // Containers spell the names as they like ("TITLE" in Ogg, "title" in ID3).
                out.insert(QString::fromUtf8(node.u.list->keys[i]).toLower(),
                           QString::fromUtf8(value.u.string));
            }
        }
    }
    mpv_free_node_contents(&node);
    return out;
}

void MpvBackend::setVolume(int percent) {
    m_volume = qBound(0, percent, 100);
    if (!m_mpv) {
        return;
    }
    double v = m_volume;
    mpv_set_property_async(m_mpv, 0, "volume", MPV_FORMAT_DOUBLE, &v);
}

void MpvBackend::setSpeed(double factor) {
    m_speed = factor;
    if (m_mpv) {
        mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &factor);
    }
}

double MpvBackend::speed() const {
    double v = m_speed;
    if (m_mpv) {
        mpv_get_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &v);
    }
    return v;
}

QByteArray MpvBackend::clickFilter() const {
    if (!m_clicks.on()) {
        return {};
    }
    // Each click: a short decaying tone that starts on the beat, higher on a bar's first beat.
    // `t` is the time of the track the sample belongs to, so the clicks follow seeks and loops,
    // and the tempo stretcher after them keeps them in time at any speed.
    const QByteArray period = QByteArray::number(60.0 / m_clicks.bpm, 'f', 6);
    const QByteArray first = QByteArray::number(m_clicks.firstBar, 'f', 6);
    const QByteArray level = QByteArray::number(std::clamp(m_clicks.level, 0.0, 1.0) * 0.5, 'f', 4);
    auto click = [&](const QByteArray& from) {
        const QByteArray beat = "mod(t-" + from + "," + period + ")";
        const QByteArray bar = "mod(t-" + from + ",4*" + period + ")";
        return level + "*lt(" + beat + ",0.04)*exp(-80*" + beat + ")*sin(2*PI*if(lt(" + bar +
               ",0.04),1760,1175)*" + beat + ")";
    };
    QByteArray music = "val(ch)";
    QByteArray clicks = m_clicks.everyBeat ? click(first) : QByteArray();
    if (m_clicks.counting()) {
        // The count: the track silent, clicks that lead to where it comes in (a bar's first
        // beat four clicks before it).
        const QByteArray to = QByteArray::number(m_clicks.countTo, 'f', 6);
        const QByteArray in =
            "(gte(t," + QByteArray::number(m_clicks.countFrom, 'f', 6) + ")*lt(t," + to + "))";
        music = "val(ch)*(1-" + in + ")";
        clicks = m_clicks.everyBeat ? "if(" + in + "," + click(to) + "," + clicks + ")"
                                    : in + "*" + click(to);
    }
    return "@click:lavfi=[aeval=exprs='" + music + "+" + clicks + "':c=same]";
}

void MpvBackend::setClicks(const Clicks& clicks) {
    if (clicks == m_clicks) {
        return;
    }
    m_clicks = clicks;
    if (m_mpv) {
        setFilterChain(m_pitchInChain || m_transpose != 0);
    }
}

void MpvBackend::setFilterChain(bool withPitch) {
    QByteArray chain = kTempoFilter;
    const QByteArray click = clickFilter();
    if (!click.isEmpty()) {
        chain = click + "," + chain;
    }
    if (withPitch) {
        chain = "@pitch:rubberband=pitch-scale=" + pitchScale(m_transpose) + "," + chain;
    }
    mpv_set_property_string(m_mpv, "af", chain.constData());
    m_pitchInChain = withPitch;
}

void MpvBackend::setTranspose(int semitones) {
    m_transpose = semitones;
    if (!m_mpv) {
        return;
    }
    if (!m_pitchInChain) {
        if (semitones != 0) {
            setFilterChain(true);
        }
        return;
    }
    const QByteArray scale = pitchScale(semitones);
    const char* cmd[] = {"af-command", "pitch", "set-pitch", scale.constData(), nullptr};
    if (mpv_command(m_mpv, cmd) < 0) {
        setFilterChain(true);
    }
}

QString MpvBackend::audioFilters() const {
    if (!m_mpv) {
        return {};
    }
    char* af = mpv_get_property_string(m_mpv, "af");
    const QString out = af ? QString::fromUtf8(af) : QString();
    mpv_free(af);
    return out;
}

QString MpvBackend::loopPoints() const {
    if (!m_mpv) {
        return {};
    }
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
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        handleEvent(*event);
    }
}

// Translates libmpv's events of the current playlist entry into the playhead's events.
void MpvBackend::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (start->playlist_entry_id == m_entryId) {
            m_entryStarted = true;
        }
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (m_entryStarted) {
            m_playhead.fileLoaded(readDuration());
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (end->playlist_entry_id != m_entryId) {
            break;
        }
        if (end->reason == MPV_END_FILE_REASON_ERROR) {
            m_playhead.fileEnded(true, errorString(end->error));
        } else if (end->reason == MPV_END_FILE_REASON_EOF) {
            m_playhead.fileEnded(false, errorString(MPV_ERROR_NOTHING_TO_PLAY));
        }
        break;
    }
    case MPV_EVENT_SEEK:
        m_playhead.engineSeeked();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_entryStarted) {
            m_playhead.restarted(readDuration());
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        if (event.reply_userdata == propDuration) {
            if (m_entryStarted) {
                m_playhead.lengthReported(prop->format == MPV_FORMAT_DOUBLE
                                              ? *static_cast<const double*>(prop->data)
                                              : 0);
            }
        } else if (event.reply_userdata == propEof && prop->format == MPV_FORMAT_FLAG) {
            // Signalled a little before the output has played the last sound.
            if (*static_cast<const int*>(prop->data)) {
                m_playhead.endOfFileReached();
            }
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
