#include "engine/MusicalMap.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace {

constexpr int Chroma = 12;
constexpr int Bands = 8;
constexpr int Features = Chroma + Bands;
constexpr double SegmentSeconds = 0.5;   // features are averaged over this much sound
constexpr double KernelSeconds = 6.0;    // each side of a change that is compared
constexpr float NoveltyThreshold = 0.12f; // of the largest possible change (1)

// The power of two nearest to `seconds` of sound.
unsigned powerOfTwoFor(int rate, double seconds) {
    unsigned n = 256;
    while (n * 2 <= rate * seconds * 1.5 && n < 65536) {
        n *= 2;
    }
    return n;
}

struct FvecDel {
    void operator()(fvec_t* v) const { del_fvec(v); }
};
struct CvecDel {
    void operator()(cvec_t* v) const { del_cvec(v); }
};
struct TempoDel {
    void operator()(aubio_tempo_t* t) const { del_aubio_tempo(t); }
};
struct FftDel {
    void operator()(aubio_fft_t* f) const { del_aubio_fft(f); }
};

} // namespace

struct MusicalMapFinder::Impl {
    int rate;
    // The beat tracker, fed `hop` samples at a time.
    unsigned hop;
    std::unique_ptr<aubio_tempo_t, TempoDel> tempo;
    std::unique_ptr<fvec_t, FvecDel> hopIn, beatOut;
    unsigned hopFill = 0;
    std::vector<double> beats;

    // Features, one block of `block` samples at a time, averaged into segments.
    unsigned block;
    std::unique_ptr<aubio_fft_t, FftDel> fft;
    std::unique_ptr<fvec_t, FvecDel> blockIn;
    std::unique_ptr<cvec_t, CvecDel> spectrum;
    std::vector<float> window;
    std::vector<int> binChroma, binBand; // -1: the bin counts for neither
    unsigned blockFill = 0;
    unsigned blocksPerSegment;
    unsigned blocksInSegment = 0;
    std::array<double, Features> sum{};
    std::vector<std::array<float, Features>> segments;
    size_t samples = 0;

    explicit Impl(int sampleRate) : rate(std::max(sampleRate, 1000)) {
        const unsigned win = powerOfTwoFor(rate, 0.023);
        hop = win / 2;
        tempo.reset(new_aubio_tempo("default", win, hop, static_cast<uint_t>(rate)));
        hopIn.reset(new_fvec(hop));
        beatOut.reset(new_fvec(1));

        block = powerOfTwoFor(rate, 0.093);
        fft.reset(new_aubio_fft(block));
        blockIn.reset(new_fvec(block));
        spectrum.reset(new_cvec(block));
        window.resize(block);
        for (unsigned i = 0; i < block; ++i) {
            window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / block));
        }
        const unsigned bins = block / 2 + 1;
        binChroma.assign(bins, -1);
        binBand.assign(bins, -1);
        const double top = std::min(11000.0, rate / 2.0);
        for (unsigned k = 1; k < bins; ++k) {
            const double hz = static_cast<double>(k) * rate / block;
            if (hz >= 55 && hz <= 5000) {
                // C is 0; A 440 Hz is 9.
                const long semitone = std::lround(12 * std::log2(hz / 440.0)) + 9;
                binChroma[k] = static_cast<int>(((semitone % 12) + 12) % 12);
            }
            if (hz >= 60 && hz < top) {
                binBand[k] = std::min(Bands - 1, static_cast<int>(Bands * std::log(hz / 60) /
                                                                  std::log(top / 60)));
            }
        }
        blocksPerSegment =
            std::max(1u, static_cast<unsigned>(std::lround(SegmentSeconds * rate / block)));
    }

    void beatHop() {
        aubio_tempo_do(tempo.get(), hopIn.get(), beatOut.get());
        if (beatOut->data[0] != 0) {
            const double at = aubio_tempo_get_last_s(tempo.get());
            if (at >= 0 && (beats.empty() || at > beats.back())) {
                beats.push_back(at);
            }
        }
    }

    void featureBlock() {
        for (unsigned i = 0; i < block; ++i) {
            blockIn->data[i] *= window[i];
        }
        aubio_fft_do(fft.get(), blockIn.get(), spectrum.get());
        std::array<double, Features> f{};
        for (unsigned k = 0; k < spectrum->length; ++k) {
            const double power = static_cast<double>(spectrum->norm[k]) * spectrum->norm[k];
            if (binChroma[k] >= 0) {
                f[static_cast<size_t>(binChroma[k])] += power;
            }
            if (binBand[k] >= 0) {
                f[static_cast<size_t>(Chroma + binBand[k])] += power;
            }
        }
        for (int i = 0; i < Features; ++i) {
            sum[static_cast<size_t>(i)] += f[static_cast<size_t>(i)];
        }
        if (++blocksInSegment == blocksPerSegment) {
            closeSegment();
        }
    }

    // A segment's features: the harmony as shares of its energy per pitch class, the colour
    // as the shape of its band energies in decibels (its loudness taken out).
    void closeSegment() {
        std::array<float, Features> f{};
        const double chromaTotal = std::accumulate(sum.begin(), sum.begin() + Chroma, 0.0);
        double norm = 0;
        for (int i = 0; i < Chroma; ++i) {
            const double v = chromaTotal > 1e-9 ? sum[static_cast<size_t>(i)] / chromaTotal : 0;
            f[static_cast<size_t>(i)] = static_cast<float>(v);
            norm += v * v;
        }
        norm = std::sqrt(norm);
        for (int i = 0; i < Chroma && norm > 0; ++i) {
            f[static_cast<size_t>(i)] = static_cast<float>(f[static_cast<size_t>(i)] / norm);
        }
        std::array<double, Bands> db{};
        double mean = 0;
        for (int b = 0; b < Bands; ++b) {
            db[static_cast<size_t>(b)] = 10 * std::log10(sum[static_cast<size_t>(Chroma + b)] + 1e-6);
            mean += db[static_cast<size_t>(b)] / Bands;
        }
        double shape = 0;
        for (int b = 0; b < Bands; ++b) {
            db[static_cast<size_t>(b)] -= mean;
            shape += db[static_cast<size_t>(b)] * db[static_cast<size_t>(b)];
        }
        shape = std::sqrt(shape);
        for (int b = 0; b < Bands; ++b) {
            f[static_cast<size_t>(Chroma + b)] =
                shape > 1e-9 ? static_cast<float>(db[static_cast<size_t>(b)] / shape) : 0.0f;
        }
        // Harmony and colour weigh alike; the whole vector has length 1 (or 0 for silence).
        const float scale = 1.0f / std::sqrt(2.0f);
        for (float& v : f) {
            v *= scale;
        }
        segments.push_back(f);
        sum.fill(0);
        blocksInSegment = 0;
    }

    std::vector<float> novelty() const {
        const size_t n = segments.size();
        const int half = std::max(2, static_cast<int>(std::lround(KernelSeconds / step())));
        std::vector<float> curve(n, 0.0f);
        if (n < static_cast<size_t>(2 * half + 1)) {
            return curve;
        }
        // A checkerboard kernel, tapered by a Gaussian: alike within each side of t and
        // unlike across it make a high value.
        std::vector<double> taper(static_cast<size_t>(2 * half));
        for (int i = -half; i < half; ++i) {
            const double x = (i + 0.5) / half;
            taper[static_cast<size_t>(i + half)] = std::exp(-2.0 * x * x);
        }
        double weight = 0;
        for (int i = -half; i < half; ++i) {
            for (int j = -half; j < half; ++j) {
                if ((i < 0) == (j < 0)) {
                    weight += taper[static_cast<size_t>(i + half)] * taper[static_cast<size_t>(j + half)];
                }
            }
        }
        const auto similarity = [&](size_t a, size_t b) {
            float s = 0;
            for (int k = 0; k < Features; ++k) {
                s += segments[a][static_cast<size_t>(k)] * segments[b][static_cast<size_t>(k)];
            }
            return static_cast<double>(s);
        };
        for (size_t t = static_cast<size_t>(half); t + static_cast<size_t>(half) <= n; ++t) {
            double v = 0;
            for (int i = -half; i < half; ++i) {
                for (int j = i + 1; j < half; ++j) {
                    const double k = taper[static_cast<size_t>(i + half)] *
                                     taper[static_cast<size_t>(j + half)] *
                                     ((i < 0) == (j < 0) ? 1.0 : -1.0);
                    v += 2 * k * similarity(t + static_cast<size_t>(i), t + static_cast<size_t>(j));
                }
            }
            // Within-side pairs alike (1) and across-side pairs unlike (0) give 1.
            curve[t] = static_cast<float>(std::max(0.0, v / weight));
        }
        return curve;
    }

    double step() const { return static_cast<double>(blocksPerSegment) * block / rate; }
};

MusicalMapFinder::MusicalMapFinder(int sampleRate) : d(std::make_unique<Impl>(sampleRate)) {}
MusicalMapFinder::~MusicalMapFinder() = default;

void MusicalMapFinder::feed(const float* samples, size_t n) {
    d->samples += n;
    for (size_t i = 0; i < n; ++i) {
        const float v = std::isfinite(samples[i]) ? samples[i] : 0.0f;
        d->hopIn->data[d->hopFill] = v;
        if (++d->hopFill == d->hop) {
            d->beatHop();
            d->hopFill = 0;
        }
        d->blockIn->data[d->blockFill] = v;
        if (++d->blockFill == d->block) {
            d->featureBlock();
            d->blockFill = 0;
        }
    }
}

MusicalMap MusicalMapFinder::finish() {
    MusicalMap map;
    map.analysedSeconds = static_cast<double>(d->samples) / d->rate;
    map.bpm = steadyTempo(d->beats, aubio_tempo_get_bpm(d->tempo.get()));
    if (map.steady()) {
        map.beats = beatGrid(d->beats, map.bpm, map.analysedSeconds);
    }
    map.sections = pickSections(d->novelty(), d->step(), MinSectionSeconds);
    // A change in the last stretch would make a section too short to practise.
    while (!map.sections.empty() && map.sections.back() > map.analysedSeconds - MinSectionSeconds) {
        map.sections.pop_back();
    }
    return map;
}

double MusicalMapFinder::steadyTempo(const std::vector<double>& found, double hintBpm) {
    if (found.size() < 8 || !(hintBpm >= 30 && hintBpm <= 300)) {
        return 0;
    }
    const double guess = 60 / hintBpm;
    std::vector<double> periods;
    size_t gaps = 0;
    for (size_t i = 1; i < found.size(); ++i) {
        const double gap = found[i] - found[i - 1];
        ++gaps;
        const double beats = std::round(gap / guess);
        if (beats >= 1 && beats <= 8 && std::abs(gap / beats - guess) <= 0.08 * guess) {
            periods.push_back(gap / beats);
        }
    }
    // Most gaps must be whole numbers of beats for it to be a beat at all.
    if (periods.size() < 7 || static_cast<double>(periods.size()) < 0.7 * static_cast<double>(gaps)) {
        return 0;
    }
    std::nth_element(periods.begin(), periods.begin() + static_cast<long>(periods.size() / 2),
                     periods.end());
    const double bpm = 60 / periods[periods.size() / 2];
    return bpm >= 30 && bpm <= 300 ? bpm : 0;
}

std::vector<double> MusicalMapFinder::beatGrid(const std::vector<double>& found, double bpm,
                                               double end) {
    std::vector<double> grid;
    if (found.empty() || bpm <= 0) {
        return grid;
    }
    const double period = 60 / bpm;
    const double first = found.front() - std::floor(found.front() / period) * period;
    for (double t = first; t < found.front() - period / 2; t += period) {
        grid.push_back(t);
    }
    for (size_t i = 0; i < found.size(); ++i) {
        grid.push_back(found[i]);
        if (i + 1 < found.size()) {
            const double gap = found[i + 1] - found[i];
            const double beats = std::max(1.0, std::round(gap / period));
            for (int k = 1; k < static_cast<int>(beats); ++k) {
                grid.push_back(found[i] + gap * k / beats);
            }
        }
    }
    for (double t = found.back() + period; t < end; t += period) {
        grid.push_back(t);
    }
    return grid;
}

std::vector<double> MusicalMapFinder::pickSections(const std::vector<float>& novelty, double step,
                                                   double minGap) {
    std::vector<size_t> peaks;
    for (size_t i = 1; i + 1 < novelty.size(); ++i) {
        if (novelty[i] >= NoveltyThreshold && novelty[i] >= novelty[i - 1] &&
            novelty[i] > novelty[i + 1]) {
            peaks.push_back(i);
        }
    }
    // The highest first; a lower one too near a chosen one is left out.
    std::sort(peaks.begin(), peaks.end(),
              [&](size_t a, size_t b) { return novelty[a] > novelty[b]; });
    std::vector<double> chosen;
    for (size_t p : peaks) {
        const double at = static_cast<double>(p) * step;
        if (at < minGap) {
            continue;
        }
        const bool clear = std::none_of(chosen.begin(), chosen.end(), [&](double c) {
            return std::abs(c - at) < minGap;
        });
        if (clear) {
            chosen.push_back(at);
        }
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}
