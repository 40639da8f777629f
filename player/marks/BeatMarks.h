#pragma once
// The track's beat where the musician meets it: the beat ticks and suggested section starts
// on the strip, the tempo beside the speed, and the commands that use the beat:
//   T   tap four or more times in time: the track's tempo is what was tapped
//   G   a bar starts here (at the player's position): the grid moves so a beat falls here
//   M   the metronome on or off: a click on every beat, mixed into what plays
// Marks can snap to the nearest beat when set, be nudged one beat, and the suggested section
// starts can fill the marks that are not set. The analysed beat comes from the track's
// musical map; a tapped tempo and a bar start are kept with the track's marks.

#include "engine/BeatGrid.h"
#include "engine/MediaBackend.h"
#include "engine/MusicalMap.h"
#include "models/MarkRepository.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class MarkPoints;
class Platform;
class PlayerInterface;
class StripBackdrop;
class SettingsAccess;

class BeatMarks : public QObject {
    Q_OBJECT
public:
    static inline const QString kSnapKey = QStringLiteral("SnapToBeat");
    static inline const QString kMetronomeKey = QStringLiteral("Metronome");
    static inline const QString kMetronomeLevelKey = QStringLiteral("MetronomeLevel");
    static inline const QString kCountInKey = QStringLiteral("CountIn");
    static constexpr int kMaxCountIn = 8;

    // `backends`: where the metronome's clicks are mixed in (both media components).
    BeatMarks(PlayerInterface& player, MarkPoints& marks, StripBackdrop& backdrop,
              MarkRepository& repository, SettingsAccess& settings, Platform& platform,
              std::vector<MediaBackend*> backends, QObject* parent = nullptr);

    // Seconds on a steady clock, for telling taps apart; a test gives its own.
    std::function<double()> clock;

    // The analysed map of `track` has arrived (from the overview's pass).
    void mapReady(const QString& track, const MusicalMap& map, double durationSeconds);
    // True when the key is one of the beat keys (and has been acted on).
    bool keyCommand(int16_t KeyCode);

    const BeatGrid& grid() const { return m_grid; }
    // "96 BPM", "82 BPM at 85 %", "No steady beat"; empty before the track's map is known.
    QString tempoText() const;

    bool snapping() const { return m_snap; }
    void setSnapping(bool on);

    // The metronome and its level in percent (25 to 100); both kept between runs.
    bool metronome() const { return m_metronome; }
    void setMetronome(bool on);
    int metronomeLevel() const { return m_level; }
    void setMetronomeLevel(int percent);

    // Beats counted in (clicks at the track's tempo, the track silent) before each pass of the
    // loop between marks, 0 to 8, kept between runs; none while the track has no steady beat.
    int countInBeats() const { return m_countIn; }
    void setCountInBeats(int beats);
    double countInSeconds() const;
    // Where the running loop counts in: from `from` to `to` seconds of the track; from >= to
    // when it does not.
    void setCountWindow(double from, double to);
    // Going to a mark at `seconds` counts in before it: the seconds to start earlier (never
    // before 0 s), clicks and the track silent until the mark. The count-in is over once the
    // player passes the mark or leaves for elsewhere.
    double countInBefore(double seconds);

    // The mark moved to the beat before (or after) where it stands; false when there is none.
    bool nudgeOneBeat(int index, bool ahead);
    bool canNudgeOneBeat(int index) const;
    // Asks, then gives the marks that are not set the suggested section starts.
    void fillMarksFromSections();
    // A suggested start taken as the first mark that is not set.
    void takeSection(double seconds);

signals:
    // The tempo beside the speed changed (tempoText()).
    void tempoChanged(const QString& text);
    void snappingChanged(bool on);
    void metronomeChanged(bool on, int level);
    // The count-in's length changed: in beats, or because the tempo did.
    void countInChanged();

private:
    void trackOpened();
    void applyGrid();
    // What a screen reader hears once the track's beat and sections are known.
    QString mapNews() const;
    void storeCorrection();
    bool storeOption(const QString& key, const QString& value);
    void applyClicks();
    void showCountWindow(double from, double to);
    void watchCount();

    PlayerInterface& m_player;
    MarkPoints& m_marks;
    StripBackdrop& m_backdrop;
    MarkRepository& m_repository;
    SettingsAccess& m_settings;
    Platform& m_platform;

    QString m_track;
    double m_duration = 0;
    bool m_mapKnown = false;
    MusicalMap m_map;
    MarkRepository::BeatCorrection m_correction;
    BeatGrid m_grid;
    TapTempo m_taps;
    bool m_snap = false;
    std::vector<MediaBackend*> m_backends;
    bool m_metronome = false;
    int m_level = 50;
    int m_countIn = 0;
    double m_countFrom = 0;
    double m_countTo = 0;
    // Watches the player through a count-in before a mark it went to.
    QTimer m_countWatch;
};
