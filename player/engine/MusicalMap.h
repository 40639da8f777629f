#pragma once
// What a musician counts in: a track's tempo, its beats and where its sections change, found
// from its sound in one pass. `MusicalMapFinder` takes the sound as it is decoded (mono, any
// rate, any piece size) and keeps only small summaries of it, so a track of any length costs
// little memory: beats follow the onset strength (libaubio's spectral flux); sections are where the
// harmony (chroma) and the colour of the sound (band energies) change, found as peaks of a novelty
// curve over the self-similarity of those features, at least `MinSectionSeconds` apart.

#include <cstddef>
#include <memory>
#include <vector>

struct MusicalMap {
    double bpm = 0;               // 0 when no steady beat was found
    std::vector<double> beats;    // seconds from the start, in order
    std::vector<double> sections; // suggested section starts (seconds), after the start
    double analysedSeconds = 0;   // how much sound was looked at

    bool steady() const { return bpm > 0; }
    bool operator==(const MusicalMap&) const = default;
};

class MusicalMapFinder {
public:
    static constexpr double MinSectionSeconds = 8.0;

    explicit MusicalMapFinder(int sampleRate);
    MusicalMapFinder(const MusicalMapFinder&) = delete;
    MusicalMapFinder& operator=(const MusicalMapFinder&) = delete;
    ~MusicalMapFinder();

    // The next `n` samples of the track, mixed to one channel, full scale at +-1.
    void feed(const float* samples, size_t n);
    // The map of everything fed so far.
    MusicalMap finish();

    // Beats (seconds) from an onset strength of one value per `frameSeconds`: nothing when
    // nothing in it repeats at a pace between 40 and 240 a minute.
    static std::vector<double> trackBeats(const std::vector<float>& onsets, double frameSeconds);
    // The tempo the beats keep; 0 when they are too few, or too uneven, to call it a steady beat.
    static double steadyTempo(const std::vector<double>& beats);
    // Section starts from a novelty curve of one value per `step` seconds: its highest peaks,
    // strong enough beside the largest, at least `minGap` seconds apart and from the start.
    static std::vector<double> pickSections(const std::vector<float>& novelty, double step,
                                            double minGap);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
