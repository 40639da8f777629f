// How well and how fast a track's musical map is found, on generated songs whose tempo, beats
// and section changes are known: drum patterns of kick, snare and hats from 60 to 180 beats a
// minute, straight and swung, with and without chords, 1 to 5 minutes; songs of four sections
// that differ in chords and drum pattern; and the time and memory for 5 and 60 minutes.

#include "engine/MusicalMap.h"
#include "engine/WaveformDecoder.h"

#include "WavWriter.h"

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;

struct Section {
    double seconds;
    std::vector<double> chord; // Hz; empty: drums only
    bool busy;                 // sixteenth hats and a second snare instead of eighth hats
};

// A song made on demand, a piece at a time, so that an hour of it needs no memory.
class Song {
public:
    Song(double bpm, bool swing, std::vector<Section> sections, unsigned seed)
        : m_bpm(bpm), m_swing(swing), m_sections(std::move(sections)), m_noise(seed) {
        double t = 0;
        for (const Section& s : m_sections) {
            m_starts.push_back(t);
            t += s.seconds;
        }
        m_length = t;
    }
    double length() const { return m_length; }
    const std::vector<double>& starts() const { return m_starts; }

    // The next `n` samples from sample `from`.
    void render(size_t from, size_t n, std::vector<float>& out) {
        out.assign(n, 0.0f);
        std::uniform_real_distribution<float> u(-1, 1);
        const double beat = 60 / m_bpm;
        for (size_t k = 0; k < n; ++k) {
            const double t = static_cast<double>(from + k) / Rate;
            size_t si = 0;
            while (si + 1 < m_sections.size() && t >= m_starts[si + 1]) {
                ++si;
            }
            const Section& sec = m_sections[si];
            const double inBar = std::fmod(t, 4 * beat);
            const double inBeat = std::fmod(t, beat);
            const int beatOfBar = static_cast<int>(inBar / beat);
            double v = 0;
            // Kick on 1 and 3: a falling low tone.
            if (beatOfBar % 2 == 0) {
                v += 0.9 * std::exp(-inBeat / 0.07) *
                     std::sin(2 * M_PI * (50 + 60 * std::exp(-inBeat / 0.02)) * inBeat);
            }
            // Snare on 2 and 4 (and on the "and" of 4 when busy): noise that dies in 0.1 s.
            const double snareAt = beatOfBar % 2 == 1 ? inBeat : 1e9;
            const double extra = sec.busy && beatOfBar == 3 ? inBeat - beat / 2 : 1e9;
            const double noise = u(m_noise);
            if (snareAt < 0.2) {
                v += 0.5 * noise * std::exp(-snareAt / 0.04);
            }
            if (extra >= 0 && extra < 0.2) {
                v += 0.3 * noise * std::exp(-extra / 0.04);
            }
            // Hats on eighths (the second of each pair late when swung) or sixteenths.
            const double step = sec.busy ? beat / 4 : beat / 2;
            double sinceHat = std::fmod(inBeat, step);
            if (!sec.busy && m_swing && inBeat >= beat / 2) {
                sinceHat = inBeat - beat * 2 / 3;
            }
            if (sinceHat >= 0 && sinceHat < 0.03) {
                const float hiss = noise - m_last;
                v += 0.15 * hiss * std::exp(-sinceHat / 0.008);
            }
            m_last = noise;
            for (double hz : sec.chord) {
                v += 0.25 / static_cast<double>(sec.chord.size()) * std::sin(2 * M_PI * hz * t);
            }
            out[k] = static_cast<float>(v * 0.7);
        }
    }

private:
    double m_bpm;
    bool m_swing;
    std::vector<Section> m_sections;
    std::vector<double> m_starts;
    double m_length = 0;
    std::mt19937 m_noise;
    float m_last = 0;
};

const std::vector<double> C{130.81, 261.63, 329.63, 392.00};
const std::vector<double> Am{110.00, 220.00, 261.63, 329.63};
const std::vector<double> F{87.31, 174.61, 220.00, 261.63};
const std::vector<double> G{98.00, 196.00, 246.94, 293.66};
const std::vector<double> Fs{92.50, 185.00, 233.08, 277.18};

struct Timing {
    double seconds = 0;
};

MusicalMap analyse(Song& song, Timing* timing = nullptr) {
    MusicalMapFinder finder(Rate);
    std::vector<float> piece;
    const size_t total = static_cast<size_t>(song.length() * Rate);
    double spent = 0;
    for (size_t at = 0; at < total; at += 4096) {
        song.render(at, std::min<size_t>(4096, total - at), piece);
        const auto t0 = std::chrono::steady_clock::now();
        finder.feed(piece.data(), piece.size());
        spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const auto t0 = std::chrono::steady_clock::now();
    MusicalMap map = finder.finish();
    spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (timing) {
        timing->seconds = spent;
    }
    return map;
}

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

} // namespace

int main() {
    std::printf("\nMusical map: tempo and beats on 12 generated drum tracks (and each at 85 %% and "
                "115 %% pace)\n");
    std::printf("%-8s %-6s %-7s %-6s %9s %-10s %11s\n", "bpm", "swing", "chords", "min", "found",
                "verdict", "beats<30ms");
    const double tempos[] = {60, 72, 84, 90, 100, 110, 120, 128, 140, 150, 165, 180};
    int right = 0, octave = 0, wrong = 0, tracks = 0;
    size_t beatsHit = 0, beatsTotal = 0;
    for (int i = 0; i < 12; ++i) {
        for (const double pace : {1.0, 0.85, 1.15}) {
            const double bpm = tempos[i] * pace;
            const double minutes = 1 + i % 5;
            const bool swing = i % 2 == 1, chords = i % 3 != 2;
            Song song(bpm, swing,
                      {{minutes * 60, chords ? (i % 2 ? Am : C) : std::vector<double>{}, false}},
                      static_cast<unsigned>(i * 7 + 1));
            const MusicalMap map = analyse(song);
            ++tracks;
            const double ratio = map.bpm / bpm;
            const char* verdict = "no beat";
            double grid = 0;
            if (map.steady() && std::abs(ratio - 1) <= 0.02) {
                ++right;
                verdict = "right";
                grid = bpm;
            } else if (map.steady() &&
                       (std::abs(ratio / 2 - 1) <= 0.02 || std::abs(ratio * 2 - 1) <= 0.02)) {
                ++octave;
                verdict = ratio > 1 ? "double" : "half";
                grid = map.bpm;
            } else {
                ++wrong;
                verdict = map.steady() ? "wrong" : "no beat";
            }
            size_t hit = 0, total = 0;
            if (grid > 0) {
                // Every true beat after the first five seconds.
                const double period = 60 / grid;
                for (double t = std::ceil(5 / period) * period; t < song.length() - 1;
                     t += period) {
                    ++total;
                    const auto it = std::lower_bound(map.beats.begin(), map.beats.end(), t - 0.03);
                    hit += it != map.beats.end() && *it <= t + 0.03;
                }
            }
            beatsHit += hit;
            beatsTotal += total;
            if (pace == 1.0) {
                std::printf("%-8.1f %-6s %-7s %-6.0f %9.2f %-10s %10.1f%%\n", bpm,
                            swing ? "yes" : "no", chords ? "yes" : "no", minutes, map.bpm, verdict,
                            total ? 100.0 * static_cast<double>(hit) / static_cast<double>(total)
                                  : 0);
            }
        }
    }
    std::printf("tempo within 2 %%: %d of %d tracks; half or double: %d; wrong or none: %d\n",
                right, tracks, octave, wrong);
    std::printf("beats within 30 ms: %.1f %% of %zu\n",
                beatsTotal ? 100.0 * static_cast<double>(beatsHit) / static_cast<double>(beatsTotal)
                           : 0,
                beatsTotal);

    std::printf(
        "\nSections: songs of verse, chorus, verse, bridge (changes in chords and drums)\n");
    size_t changes = 0, found = 0, extra = 0;
    const std::vector<std::vector<Section>> songs{
        {{24, C, false}, {24, Fs, true}, {24, C, false}, {20, G, false}},
        {{32, Am, false}, {28, F, true}, {32, Am, false}, {24, Fs, true}},
        {{20, G, false}, {30, C, true}, {20, G, false}, {30, Am, true}},
        {{40, F, false}, {20, G, true}, {40, F, false}, {20, C, true}},
        {{28, C, true}, {28, Am, false}, {28, C, true}, {28, F, false}},
        {{36, Fs, false}, {24, C, true}, {36, Fs, false}, {24, G, false}},
    };
    for (size_t s = 0; s < songs.size(); ++s) {
        Song song(84 + 12 * static_cast<double>(s), s % 2 == 1, songs[s],
                  static_cast<unsigned>(100 + s));
        const MusicalMap map = analyse(song);
        std::printf("song %zu: changes at", s + 1);
        for (size_t k = 1; k < song.starts().size(); ++k) {
            std::printf(" %.0f", song.starts()[k]);
        }
        std::printf(" s; found at");
        for (double t : map.sections) {
            std::printf(" %.1f", t);
        }
        std::printf(" s\n");
        for (size_t k = 1; k < song.starts().size(); ++k) {
            ++changes;
            found += std::any_of(map.sections.begin(), map.sections.end(),
                                 [&](double t) { return std::abs(t - song.starts()[k]) <= 1.5; });
        }
        for (double t : map.sections) {
            extra += std::none_of(song.starts().begin() + 1, song.starts().end(),
                                  [&](double c) { return std::abs(t - c) <= 1.5; });
        }
    }
    std::printf("section changes found within 1.5 s: %zu of %zu (%.0f %%); suggestions off any "
                "change: %zu\n",
                found, changes, 100.0 * static_cast<double>(found) / static_cast<double>(changes),
                extra);

    std::printf("\nTime and memory of the analysis alone (one core, generation not counted)\n");
    for (const double minutes : {5.0, 60.0}) {
        const long before = peakKiB();
        Song song(120, false, {{minutes * 60, C, false}}, 5);
        Timing timing;
        analyse(song, &timing);
        std::printf("%4.0f min: %.2f s (%.1f %% of the track's length); peak memory grew by %.1f "
                    "MiB\n",
                    minutes, timing.seconds, 100 * timing.seconds / (minutes * 60),
                    static_cast<double>(peakKiB() - before) / 1024);
    }

    // The whole background pass (decoding, overview and map) on a 5-minute WAV file.
    QTemporaryDir dir;
    const std::string path = dir.filePath("five.wav").toStdString();
    {
        Song song(120, false, {{300, C, false}}, 9);
        std::vector<float> piece;
        std::vector<uint8_t> data;
        const size_t total = static_cast<size_t>(300.0 * Rate);
        for (size_t at = 0; at < total; at += 4096) {
            song.render(at, std::min<size_t>(4096, total - at), piece);
            for (float v : piece) {
                const auto s16 =
                    static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767));
                for (int ch = 0; ch < 2; ++ch) {
                    data.push_back(static_cast<uint8_t>(s16 & 0xFF));
                    data.push_back(static_cast<uint8_t>((s16 >> 8) & 0xFF));
                }
            }
        }
        testmedia::writeFile(path, testmedia::canonicalWav(testmedia::WavFormat{}, data));
    }
    std::atomic_bool keepGoing{false};
    const auto t0 = std::chrono::steady_clock::now();
    const auto w = WaveformDecoder::compute(QString::fromStdString(path), 800, keepGoing);
    const double pass =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf(
        "   5 min WAV, decoding + overview + map: %.2f s (%.1f %% of its length), %.1f BPM\n", pass,
        100 * pass / 300, w ? w->map.bpm : 0.0);
    return 0;
}
