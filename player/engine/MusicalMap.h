#pragma once
// What a musician counts in: a track's tempo, its beats and where its sections change, found
// from its sound in one pass. `MusicalMapFinder` takes the sound as it is decoded (mono, any
// rate, any piece size) and keeps only small summaries of it, so a track of any length costs
// little memory: beats come from libaubio's beat tracker; sections are where the harmony
// (chroma) and the colour of the sound (band energies) change, found as peaks of a novelty
// curve over the self-similarity of those features, at least `MinSectionSeconds` apart.

#include <cstddef>
#include <memory>
#include <vector>

struct MusicalMap {
    double bpm = 0;                // 0 when no steady beat was found
    std::vector<double> beats;     // seconds from the start, in order
    std::vector<double> sections;  // suggested section starts (seconds), after the start
    double analysedSeconds = 0;    // how much sound was looked at

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

    // The tempo of beats found by the tracker, which misses some: each gap between two found
    // beats is taken as a whole number of beats at about `hintBpm`; 0 when the beats are too
    // few, or too many gaps fit no such number, to call it a steady beat.
    static double steadyTempo(const std::vector<double>& found, double hintBpm);
    // Every beat from the start to `end`: the found ones, the missed ones evenly between them,
    // and the grid carried on before the first and after the last at `bpm`.
    static std::vector<double> beatGrid(const std::vector<double>& found, double bpm, double end);
    // Section starts from a novelty curve of one value per `step` seconds: its highest peaks
    // that stand out from their surroundings, at least `minGap` seconds apart and from the ends.
    static std::vector<double> pickSections(const std::vector<float>& novelty, double step,
                                            double minGap);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
