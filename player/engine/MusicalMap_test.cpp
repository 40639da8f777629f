// The musical map of generated sound whose tempo, beats and sections are known.

#include "engine/MusicalMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int Rate = 44100;

// A drum-like click: a burst of noise that dies away in about 30 ms.
void addClick(std::vector<float>& sound, double at, float level, std::mt19937& noise) {
    std::uniform_real_distribution<float> u(-1, 1);
    const size_t start = static_cast<size_t>(at * Rate);
    for (size_t i = 0; i < Rate / 20 && start + i < sound.size(); ++i) {
        sound[start + i] += level * u(noise) * std::exp(-static_cast<float>(i) / (Rate * 0.008f));
    }
}

// A chord of sine tones over a stretch, with a gentle attack and release.
void addChord(std::vector<float>& sound, double from, double to, std::vector<double> hz,
              float level) {
    const size_t a = static_cast<size_t>(from * Rate), b = static_cast<size_t>(to * Rate);
    for (size_t i = a; i < b && i < sound.size(); ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double edge = std::min({1.0, (t - from) / 0.05, (to - t) / 0.05});
        double v = 0;
        for (double f : hz) {
            v += std::sin(2 * M_PI * f * t);
        }
        sound[i] += static_cast<float>(level * edge * v / static_cast<double>(hz.size()));
    }
}

MusicalMap analyse(const std::vector<float>& sound, size_t piece = 4410) {
    MusicalMapFinder finder(Rate);
    for (size_t i = 0; i < sound.size(); i += piece) {
        finder.feed(sound.data() + i, std::min(piece, sound.size() - i));
    }
    return finder.finish();
}

// Share of the true beats (after the tracker has settled) with a found beat within 30 ms.
double beatsHit(const MusicalMap& map, double bpm, double seconds, double settle = 5) {
    size_t hit = 0, total = 0;
    for (double t = 0; t < seconds - 1; t += 60 / bpm) {
        if (t < settle) {
            continue;
        }
        ++total;
        hit += std::any_of(map.beats.begin(), map.beats.end(),
                           [&](double b) { return std::abs(b - t) <= 0.030; });
    }
    return total ? static_cast<double>(hit) / static_cast<double>(total) : 0;
}

} // namespace

// Kick on every beat and a softer hat between, at tempos across the range musicians play;
// the pieces the decoder hands over may be of any size.
TEST(MusicalMap, FindsTheTempoAndTheBeatsOfADrumPattern) {
    for (const double bpm : {72.0, 100.0, 128.0, 160.0}) {
        SCOPED_TRACE(bpm);
        std::mt19937 noise(7);
        const double seconds = 40;
        std::vector<float> sound(static_cast<size_t>(seconds * Rate));
        for (double t = 0; t < seconds; t += 60 / bpm) {
            addClick(sound, t, 0.8f, noise);
            addClick(sound, t + 30 / bpm, 0.2f, noise);
        }
        const MusicalMap map = analyse(sound, bpm == 100 ? 1000 : 4410);
        ASSERT_TRUE(map.steady());
        // Half or double the tempo counts as the same beat, as a musician would count it.
        const double ratio = map.bpm / bpm;
        const double nearest = ratio > 1.5 ? 2 : ratio < 0.75 ? 0.5 : 1;
        EXPECT_NEAR(ratio / nearest, 1.0, 0.02) << map.bpm;
        EXPECT_GE(beatsHit(map, bpm * nearest, seconds), 0.9);
        EXPECT_NEAR(map.analysedSeconds, seconds, 0.01);
    }
}

// Silence, and clicks at random times, have no steady beat: no tempo and no grid.
TEST(MusicalMap, SoundWithoutASteadyBeatHasNone) {
    const std::vector<float> silence(static_cast<size_t>(20 * Rate), 0.0f);
    const MusicalMap quiet = analyse(silence);
    EXPECT_FALSE(quiet.steady());
    EXPECT_TRUE(quiet.beats.empty());
    EXPECT_TRUE(quiet.sections.empty());

    std::mt19937 noise(3);
    std::exponential_distribution<double> wait(1.5);
    std::vector<float> scattered(static_cast<size_t>(40 * Rate));
    for (double t = wait(noise); t < 39; t += 0.15 + wait(noise)) {
        addClick(scattered, t, 0.8f, noise);
    }
    EXPECT_FALSE(analyse(scattered).steady());

    // Beats that are too few or too uneven make no tempo either.
    EXPECT_EQ(MusicalMapFinder::steadyTempo({0, 0.5, 1.0, 1.5}), 0);
    EXPECT_EQ(MusicalMapFinder::steadyTempo({0, 0.5, 1.3, 1.5, 2.2, 2.5, 3.7, 3.9, 4.0}), 0);
    EXPECT_NEAR(MusicalMapFinder::steadyTempo({0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0}), 120,
                1e-9);
}

// Three sections of a song: a verse on C major, a chorus on F sharp major with a brighter
// drum pattern, the verse again. The changes are found within 1.5 s; a steady stretch has none.
TEST(MusicalMap, FindsWhereTheSectionsChange) {
    std::mt19937 noise(11);
    const double bpm = 96, seconds = 75, changes[] = {24, 48};
    std::vector<float> sound(static_cast<size_t>(seconds * Rate));
    for (double t = 0; t < seconds; t += 60 / bpm) {
        const bool chorus = t >= changes[0] && t < changes[1];
        addClick(sound, t, 0.5f, noise);
        if (chorus) {
            addClick(sound, t + 15 / bpm, 0.3f, noise);
            addClick(sound, t + 30 / bpm, 0.4f, noise);
            addClick(sound, t + 45 / bpm, 0.3f, noise);
        }
    }
    addChord(sound, 0, changes[0], {261.63, 329.63, 392.00, 130.81}, 0.3f);
    addChord(sound, changes[0], changes[1], {369.99, 466.16, 554.37, 185.00}, 0.3f);
    addChord(sound, changes[1], seconds, {261.63, 329.63, 392.00, 130.81}, 0.3f);
    const MusicalMap map = analyse(sound);
    ASSERT_EQ(map.sections.size(), 2u) << (map.sections.empty() ? -1 : map.sections[0]);
    EXPECT_NEAR(map.sections[0], changes[0], 1.5);
    EXPECT_NEAR(map.sections[1], changes[1], 1.5);

    std::vector<float> steady(static_cast<size_t>(40 * Rate));
    addChord(steady, 0, 40, {261.63, 329.63, 392.00}, 0.3f);
    EXPECT_TRUE(analyse(steady).sections.empty());
}

// Peaks closer than the shortest section keep the higher one; none before the shortest
// section has passed.
TEST(MusicalMap, SectionsAreAtLeastTheShortestSectionApart) {
    std::vector<float> novelty(100, 0.0f);
    novelty[4] = 0.9f;   // 2 s: too early
    novelty[30] = 0.5f;  // 15 s
    novelty[34] = 0.7f;  // 17 s, higher and within 8 s of the one before
    novelty[70] = 0.05f; // too weak to be a change
    novelty[80] = 0.3f;  // 40 s
    const std::vector<double> got = MusicalMapFinder::pickSections(novelty, 0.5, 8);
    EXPECT_EQ(got, (std::vector<double>{17, 40}));
}
