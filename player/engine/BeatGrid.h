#pragma once
// The beats a musician counts along a track: the analysed beats of its musical map, or, when
// the player was told the tempo by tapping, an even grid at that tempo. "The bar starts here"
// moves the grid so that a beat (and a bar) begins at the given time; bars are counted in
// fours from there, or from the first beat when no bar start was given.

#include "engine/MusicalMap.h"

#include <optional>
#include <vector>

class BeatGrid {
public:
    static constexpr int kBeatsPerBar = 4;

    BeatGrid() = default;
    // The analysed beats; none when the analysis found no steady beat.
    static BeatGrid fromMap(const MusicalMap& map, double durationSeconds);
    // An even grid at `bpm` over the whole track, one beat at `phaseSeconds`.
    static BeatGrid even(double bpm, double phaseSeconds, double durationSeconds);

    bool steady() const { return m_bpm > 0 && !m_beats.empty(); }
    double bpm() const { return m_bpm; }
    const std::vector<double>& beats() const { return m_beats; }
    // Index into beats() of the beat that starts the first whole bar.
    size_t firstDownbeat() const { return m_firstDownbeat; }
    bool isDownbeat(size_t beat) const {
        return beat >= m_firstDownbeat && (beat - m_firstDownbeat) % kBeatsPerBar == 0;
    }

    // The beat nearest to `seconds`, when it lies within `fraction` of a beat's length.
    std::optional<double> nearestBeat(double seconds, double fraction = 0.25) const;
    // The first beat after `seconds` (by more than a millisecond), or before it.
    std::optional<double> beatAfter(double seconds) const;
    std::optional<double> beatBefore(double seconds) const;
    // Where a loop from `from` to `to` turns back so that it holds whole beats, when both ends
    // lie within a quarter beat of a beat: as many beats after `from` as the ends are apart,
    // rounded to whole bars when that is within a beat of them. None when an end is off the
    // beat, or the turn would lie past the last beat.
    std::optional<double> loopEnd(double from, double to) const;
    // The bar (1 for the first whole bar) that holds `seconds`; 0 before it.
    int barAt(double seconds) const;

    // The same beats with a bar starting at the beat nearest to `seconds`; a grid made by
    // `even` is shifted so that a beat falls exactly there.
    BeatGrid withBarAt(double seconds, double durationSeconds) const;

    bool operator==(const BeatGrid&) const = default;

private:
    std::optional<size_t> nearestIndex(double seconds, double fraction) const;

    double m_bpm = 0;
    std::vector<double> m_beats;
    size_t m_firstDownbeat = 0;
    bool m_even = false;
};

// Tempo from a key tapped in time: the pace of the last taps, once four or more came at an
// even pace. A pause of more than two seconds starts a new count.
class TapTempo {
public:
    static constexpr int kTapsNeeded = 4;
    static constexpr double kPauseSeconds = 2.0;

    // One tap at `seconds` on any steady clock; returns the tempo once the taps agree.
    std::optional<double> tap(double seconds);
    void reset() { m_taps.clear(); }
    int count() const { return static_cast<int>(m_taps.size()); }

private:
    std::vector<double> m_taps;
};
