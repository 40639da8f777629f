#include "marks/BeatMarks.h"

#include "base/AppIdentity.h"
#include "engine/PlayerInterface.h"
#include "marks/MarkPoints.h"
#include "marks/MarkSpeech.h"
#include "marks/StripBackdrop.h"
#include "marks/StripMath.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "settings/SettingsAccess.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {

namespace vk = VirtualKeys;

const QString kSystem = QStringLiteral("system");

double steadySeconds() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

BeatMarks::BeatMarks(PlayerInterface& player, MarkPoints& marks, StripBackdrop& backdrop,
                     MarkRepository& repository, SettingsAccess& settings, Platform& platform,
                     std::vector<MediaBackend*> backends, QObject* parent)
    : QObject(parent), clock(steadySeconds), m_player(player), m_marks(marks), m_backdrop(backdrop),
      m_repository(repository), m_settings(settings), m_platform(platform),
      m_backends(std::move(backends)) {
    auto option = [this](const QString& key) {
        return m_settings.read(AppIdentity::name(), kSystem, key, QString());
    };
    m_snap = option(kSnapKey) == QStringLiteral("1");
    m_metronome = option(kMetronomeKey) == QStringLiteral("1");
    bool ok = false;
    const int level = option(kMetronomeLevelKey).toInt(&ok);
    if (ok) {
        m_level = std::clamp(level, 25, 100);
    }
    const int count = option(kCountInKey).toInt(&ok);
    if (ok) {
        m_countIn = std::clamp(count, 0, kMaxCountIn);
    }
    m_marks.snapToBeat = [this](double seconds) -> std::optional<MarkPoints::Snapped> {
        if (!m_snap) {
            return std::nullopt;
        }
        const std::optional<double> beat = m_grid.nearestBeat(seconds);
        if (!beat) {
            return std::nullopt;
        }
        return MarkPoints::Snapped{*beat, m_grid.barAt(*beat)};
    };
    connect(&m_player, &PlayerInterface::trackOpened, this, &BeatMarks::trackOpened);
    m_countWatch.setInterval(100);
    connect(&m_countWatch, &QTimer::timeout, this, &BeatMarks::watchCount);
    connect(&m_player, &PlayerInterface::rateChanged, this,
            [this] { emit tempoChanged(tempoText()); });
}

void BeatMarks::trackOpened() {
    const QString track = m_player.currentTrack();
    if (track == m_track) {
        return;
    }
    m_track = track;
    m_mapKnown = false;
    m_map = {};
    m_grid = {};
    m_taps.reset();
    m_correction = m_repository.readBeat(track);
    m_duration = m_player.length();
    applyGrid();
}

void BeatMarks::mapReady(const QString& track, const MusicalMap& map, double durationSeconds) {
    if (track != m_player.currentTrack()) {
        return;
    }
    if (track != m_track) {
        trackOpened();
    }
    const bool news = !m_mapKnown;
    m_map = map;
    m_mapKnown = true;
    if (durationSeconds > 0) {
        m_duration = durationSeconds;
    }
    applyGrid();
    if (news) {
        m_platform.announce(mapNews());
    }
}

QString BeatMarks::mapNews() const {
    QString text = m_grid.steady()
                       ? QStringLiteral("Tempo %1 beats a minute").arg(std::lround(m_grid.bpm()))
                       : QStringLiteral("No steady beat");
    const size_t n = m_map.sections.size();
    if (n == 1) {
        text += QStringLiteral(", 1 section start suggested");
    } else if (n > 1) {
        text += QStringLiteral(", %1 section starts suggested").arg(n);
    }
    return text;
}

void BeatMarks::applyGrid() {
    if (m_correction.bpm > 0 && m_duration > 0) {
        m_grid = BeatGrid::even(m_correction.bpm, std::max(0.0, m_correction.barStart), m_duration);
        if (m_correction.barStart < 0 && m_mapKnown) {
            // A tapped tempo keeps the analysed beats' phase where there were any.
            if (!m_map.beats.empty()) {
                m_grid = BeatGrid::even(m_correction.bpm, m_map.beats.front(), m_duration);
            }
        }
    } else if (m_mapKnown) {
        m_grid = BeatGrid::fromMap(m_map, m_duration);
        if (m_correction.barStart >= 0) {
            m_grid = m_grid.withBarAt(m_correction.barStart, m_duration);
        }
    } else {
        m_grid = {};
    }
    std::vector<bool> bars(m_grid.beats().size());
    for (size_t i = 0; i < bars.size(); ++i) {
        bars[i] = m_grid.isDownbeat(i);
    }
    m_backdrop.setBeats(m_grid.beats(), std::move(bars));
    m_backdrop.setSections(m_mapKnown ? m_map.sections : std::vector<double>{});
    applyClicks();
    if (m_countIn > 0) {
        emit countInChanged();
    }
    emit tempoChanged(tempoText());
}

void BeatMarks::applyClicks() {
    MediaBackend::Clicks clicks;
    if (m_grid.steady() && m_grid.firstDownbeat() < m_grid.beats().size()) {
        clicks = {m_grid.bpm(), m_grid.beats()[m_grid.firstDownbeat()], m_level / 100.0,
                  m_metronome};
        if (m_countIn > 0 && m_countTo > m_countFrom) {
            clicks.countFrom = m_countFrom;
            clicks.countTo = m_countTo;
        }
    }
    if (!clicks.on()) {
        clicks = {};
    }
    for (MediaBackend* b : m_backends) {
        b->setClicks(clicks);
    }
}

bool BeatMarks::storeOption(const QString& key, const QString& value) {
    return m_settings.write(AppIdentity::name(), kSystem, key, value);
}

void BeatMarks::setMetronome(bool on) {
    if (!storeOption(kMetronomeKey, on ? QStringLiteral("1") : QStringLiteral("0"))) {
        emit metronomeChanged(m_metronome, m_level);
        return;
    }
    m_metronome = on;
    applyClicks();
    emit metronomeChanged(m_metronome, m_level);
    if (on && !m_track.isEmpty() && !m_grid.steady()) {
        m_platform.announce(
            QStringLiteral("Metronome on; this track has no steady beat to follow"));
    } else {
        m_platform.announce(on ? QStringLiteral("Metronome on") : QStringLiteral("Metronome off"));
    }
}

double BeatMarks::countInSeconds() const {
    return m_countIn > 0 && m_grid.steady() ? m_countIn * 60.0 / m_grid.bpm() : 0.0;
}

void BeatMarks::setCountInBeats(int beats) {
    beats = std::clamp(beats, 0, kMaxCountIn);
    if (beats == m_countIn || !storeOption(kCountInKey, QString::number(beats))) {
        return;
    }
    m_countIn = beats;
    emit countInChanged();
    applyClicks();
}

void BeatMarks::setCountWindow(double from, double to) {
    m_countWatch.stop();
    showCountWindow(from, to);
}

void BeatMarks::showCountWindow(double from, double to) {
    if (from == m_countFrom && to == m_countTo) {
        return;
    }
    m_countFrom = from;
    m_countTo = to;
    applyClicks();
}

double BeatMarks::countInBefore(double seconds) {
    const double lead = std::min(countInSeconds(), std::max(0.0, seconds));
    m_countWatch.stop();
    // One change of the clicks: the window before this mark, or none.
    if (lead <= 0) {
        showCountWindow(0, 0);
        return 0;
    }
    showCountWindow(seconds - lead, seconds);
    m_countWatch.start();
    return lead;
}

void BeatMarks::watchCount() {
    // Over once the music at the mark has begun, or the player went elsewhere or stopped (a
    // seek under way reads as where it goes).
    const MediaBackend::State state = m_player.state();
    const double at = m_player.position();
    const bool moving =
        state == MediaBackend::State::Playing || state == MediaBackend::State::Paused;
    if (!moving || at < m_countFrom - 0.25 || at >= m_countTo + 0.05) {
        setCountWindow(0, 0);
    }
}

void BeatMarks::setMetronomeLevel(int percent) {
    percent = std::clamp(percent, 25, 100);
    if (!storeOption(kMetronomeLevelKey, QString::number(percent))) {
        return;
    }
    m_level = percent;
    applyClicks();
    emit metronomeChanged(m_metronome, m_level);
}

QString BeatMarks::tempoText() const {
    if (m_track.isEmpty() || (!m_mapKnown && m_correction.bpm <= 0)) {
        return {};
    }
    if (!m_grid.steady()) {
        return QStringLiteral("No steady beat");
    }
    const double rate = m_player.rate();
    const int percent = static_cast<int>(std::lround(rate * 100));
    const auto bpm = static_cast<int>(std::lround(m_grid.bpm() * rate));
    if (percent == 100) {
        return QStringLiteral("%1 BPM").arg(bpm);
    }
    return QStringLiteral("%1 BPM at %2 %").arg(bpm).arg(percent);
}

bool BeatMarks::keyCommand(int16_t KeyCode) {
    if (KeyCode == vk::KeyM) {
        setMetronome(!m_metronome);
        return true;
    }
    if (KeyCode != vk::KeyT && KeyCode != vk::KeyG) {
        return false;
    }
    if (m_track.isEmpty() || m_duration <= 0) {
        return true;
    }
    if (KeyCode == vk::KeyT) {
        const std::optional<double> bpm = m_taps.tap(clock());
        if (!bpm) {
            return true;
        }
        // The tap that completed the count is a beat: the grid runs through it.
        m_correction.bpm = *bpm;
        if (m_correction.barStart < 0) {
            m_correction.barStart = m_player.position();
        }
        storeCorrection();
        m_platform.announce(QStringLiteral("Tempo %1 beats a minute").arg(std::lround(*bpm)));
        return true;
    }
    if (m_correction.bpm <= 0 && !m_grid.steady()) {
        m_platform.announce(QStringLiteral("No steady beat: tap the tempo first"));
        return true;
    }
    m_correction.barStart = m_player.position();
    storeCorrection();
    m_platform.announce(
        QStringLiteral("A bar starts at %1").arg(MarkSpeech::spokenTime(m_correction.barStart)));
    return true;
}

void BeatMarks::storeCorrection() {
    // Shown only once stored, as the marks are.
    if (!m_repository.writeBeat(m_track, m_correction)) {
        m_correction = m_repository.readBeat(m_track);
        return;
    }
    applyGrid();
}

void BeatMarks::setSnapping(bool on) {
    if (!storeOption(kSnapKey, on ? QStringLiteral("1") : QStringLiteral("0"))) {
        emit snappingChanged(m_snap);
        return;
    }
    m_snap = on;
    emit snappingChanged(on);
}

bool BeatMarks::canNudgeOneBeat(int index) const {
    return m_grid.steady() && m_marks.isSet(index);
}

bool BeatMarks::nudgeOneBeat(int index, bool ahead) {
    if (!canNudgeOneBeat(index)) {
        return false;
    }
    double at = 0;
    try {
        at = StripMath::positionValue(m_marks.positionText(index));
    } catch (const std::exception&) {
        return false;
    }
    const std::optional<double> to = ahead ? m_grid.beatAfter(at) : m_grid.beatBefore(at);
    if (!to) {
        return false;
    }
    m_marks.MoveMarkTo(index, *to);
    return true;
}

void BeatMarks::fillMarksFromSections() {
    if (m_track.isEmpty()) {
        return;
    }
    const std::vector<double>& sections = m_backdrop.sections();
    int unset = 0;
    for (int i = 0; i < MarkRepository::kMarks; ++i) {
        unset += m_marks.isSet(i) ? 0 : 1;
    }
    if (sections.empty() || unset == 0) {
        m_platform.messageBox(sections.empty()
                                  ? QStringLiteral("No section changes were found in this track.")
                                  : QStringLiteral("Every mark is set already."),
                              AppIdentity::name(), MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const int n = std::min<int>(unset, static_cast<int>(sections.size()));
    const QString question =
        QStringLiteral("Set %1 of the marks that are not set at the suggested section starts?\n"
                       "Ctrl+Z puts the marks back as they are now.")
            .arg(n);
    if (m_platform.messageBox(question, AppIdentity::name(), MsgButtons::YesNo,
                              MsgIcon::Question) != MsgAnswer::Yes) {
        return;
    }
    const int given = m_marks.FillUnsetMarks(sections);
    m_platform.announce(given == 1 ? QStringLiteral("1 mark set at a section start")
                                   : QStringLiteral("%1 marks set at section starts").arg(given));
}

void BeatMarks::takeSection(double seconds) {
    if (m_track.isEmpty()) {
        return;
    }
    if (m_marks.FillUnsetMarks({seconds}) == 1) {
        m_platform.announce(QStringLiteral("Section start at %1 taken as a mark")
                                .arg(MarkSpeech::spokenTime(seconds)));
    }
}
