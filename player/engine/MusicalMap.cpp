#include "engine/MusicalMap.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace {

constexpr int Chroma = 12;
constexpr int Bands = 8;
constexpr int Features = Chroma + Bands;
constexpr double SegmentSeconds = 0.5; // features are averaged over this much sound
constexpr double KernelSeconds = 6.0;  // each side of a change that is compared
// A change counts when it is at least this share of the largest possible change (1), and at
// least `RelativeThreshold` of the track's largest change.
constexpr float NoveltyThreshold = 0.025f;
constexpr float RelativeThreshold = 0.25f;

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
struct PvocDel {
    void operator()(aubio_pvoc_t* p) const { del_aubio_pvoc(p); }
};
constexpr int OnsetBands = 36; // from 30 Hz up, each about a third of an octave wide
struct FftDel {
    void operator()(aubio_fft_t* f) const { del_aubio_fft(f); }
};

} // namespace

struct MusicalMapFinder::Impl {
    int rate;
    // The onset strength, one value per `hop` samples: how much the level of bands a third of
    // an octave wide rose since the hop before, from libaubio's phase vocoder. Bands rather
    // than bins, so that a kick drum counts as much as a hi-hat.
    unsigned hop;
    std::unique_ptr<aubio_pvoc_t, PvocDel> pvoc;
    std::unique_ptr<fvec_t, FvecDel> hopIn;
    std::unique_ptr<cvec_t, CvecDel> grain;
    std::vector<int> binOnsetBand;
    std::array<float, OnsetBands> lastBands{};
    unsigned hopFill = 0;
    std::vector<float> onsets;

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
        hop = win / 4;
        pvoc.reset(new_aubio_pvoc(win, hop));
        hopIn.reset(new_fvec(hop));
        grain.reset(new_cvec(win));
        binOnsetBand.assign(win / 2 + 1, -1);
        for (unsigned k = 1; k <= win / 2; ++k) {
            const double hz = static_cast<double>(k) * rate / win;
            const int band = static_cast<int>(std::floor(3 * std::log2(hz / 30)));
            if (hz >= 30 && band < OnsetBands) {
                binOnsetBand[k] = band;
            }
        }

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
                binBand[k] = std::min(
                    Bands - 1, static_cast<int>(Bands * std::log(hz / 60) / std::log(top / 60)));
            }
        }
        blocksPerSegment =
            std::max(1u, static_cast<unsigned>(std::lround(SegmentSeconds * rate / block)));
    }

    void onsetHop() {
        aubio_pvoc_do(pvoc.get(), hopIn.get(), grain.get());
        std::array<float, OnsetBands> bands{};
        for (unsigned k = 0; k < grain->length; ++k) {
            if (binOnsetBand[k] >= 0) {
                bands[static_cast<size_t>(binOnsetBand[k])] += grain->norm[k] * grain->norm[k];
            }
        }
        float rise = 0;
        for (size_t b = 0; b < bands.size(); ++b) {
            const float level = std::sqrt(bands[b]);
            rise += std::max(0.0f, level - lastBands[b]);
            lastBands[b] = level;
        }
        onsets.push_back(std::isfinite(rise) ? rise : 0.0f);
    }
    double frameSeconds() const { return static_cast<double>(hop) / rate; }

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
            db[static_cast<size_t>(b)] =
                10 * std::log10(sum[static_cast<size_t>(Chroma + b)] + 1e-6);
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
                    weight +=
                        taper[static_cast<size_t>(i + half)] * taper[static_cast<size_t>(j + half)];
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
            d->onsetHop();
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
    map.beats = trackBeats(d->onsets, d->frameSeconds());
    map.bpm = steadyTempo(map.beats);
    if (!map.steady()) {
        map.beats.clear();
    }
    map.sections = pickSections(d->novelty(), d->step(), MinSectionSeconds);
    // A change in the last stretch would make a section too short to practise.
    while (!map.sections.empty() && map.sections.back() > map.analysedSeconds - MinSectionSeconds) {
        map.sections.pop_back();
    }
    return map;
}

namespace {

// The onset strength with its slow changes taken out and scaled to unit spread, so that
// loud and quiet passages count alike.
std::vector<float> normalised(const std::vector<float>& onsets, size_t span) {
    std::vector<float> out(onsets.size());
    double sum = 0;
    std::vector<double> prefix(onsets.size() + 1, 0);
    for (size_t i = 0; i < onsets.size(); ++i) {
        prefix[i + 1] = prefix[i] + onsets[i];
    }
    for (size_t i = 0; i < onsets.size(); ++i) {
        const size_t a = i > span ? i - span : 0, b = std::min(onsets.size(), i + span + 1);
        const double local = (prefix[b] - prefix[a]) / static_cast<double>(b - a);
        out[i] = static_cast<float>(std::max(0.0, onsets[i] - local));
        sum += static_cast<double>(out[i]) * out[i];
    }
    const double spread = std::sqrt(sum / std::max<size_t>(1, out.size()));
    if (spread > 0) {
        for (float& v : out) {
            v = static_cast<float>(v / spread);
        }
    }
    return out;
}

} // namespace

// The beat period: the lag at which the onset strength best repeats, weighed towards the
// pace people tap to (around 120 a minute); then the beats, each chosen for its onset and
// for keeping that period with the one before (dynamic programming over the whole track).
std::vector<double> MusicalMapFinder::trackBeats(const std::vector<float>& onsets,
                                                 double frameSeconds) {
    const double fps = 1 / frameSeconds;
    const size_t shortest = static_cast<size_t>(std::floor(fps * 60 / 240));
    const size_t longest = static_cast<size_t>(std::ceil(fps * 60 / 40));
    if (onsets.size() < 4 * longest) {
        return {};
    }
    const std::vector<float> env = normalised(onsets, static_cast<size_t>(fps));
    std::vector<double> acf(longest + 2, 0);
    for (size_t lag = shortest; lag <= longest + 1; ++lag) {
        double s = 0;
        for (size_t i = lag; i < env.size(); ++i) {
            s += static_cast<double>(env[i]) * env[i - lag];
        }
        acf[lag] = s / static_cast<double>(env.size() - lag);
    }
    double zero = 0;
    for (float v : env) {
        zero += static_cast<double>(v) * v;
    }
    zero /= static_cast<double>(env.size());
    size_t best = 0;
    double bestScore = -1;
    const double center = fps * 60 / 120;
    for (size_t lag = shortest + 1; lag <= longest; ++lag) {
        const double octaves = std::log2(static_cast<double>(lag) / center);
        const double score = acf[lag] * std::exp(-0.5 * octaves * octaves / (0.9 * 0.9));
        if (acf[lag] >= acf[lag - 1] && acf[lag] >= acf[lag + 1] && score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    // Too little repeats at any pace: no beat to follow.
    if (best == 0 || zero <= 0 || acf[best] / zero < 0.15) {
        return {};
    }
    // The period between frames, from the peak's neighbours.
    const double a = acf[best - 1], b = acf[best], c = acf[best + 1];
    const double denom = a - 2 * b + c;
    const double period = static_cast<double>(best) + (denom < 0 ? 0.5 * (a - c) / denom : 0);

    // score[t]: the onset at t plus the best chain of beats ending there; a beat before it
    // is looked for from half a period to two periods back, the further from one period
    // (on a log scale) the dearer.
    const size_t n = env.size();
    const size_t nearest = static_cast<size_t>(std::max(1.0, std::round(period / 2)));
    const size_t furthest = static_cast<size_t>(std::round(2 * period));
    std::vector<double> penalty(furthest + 1, 0);
    for (size_t gap = nearest; gap <= furthest; ++gap) {
        const double x = std::log(static_cast<double>(gap) / period);
        penalty[gap] = 100 * x * x;
    }
    std::vector<double> score(n);
    std::vector<int32_t> previous(n, -1);
    for (size_t t = 0; t < n; ++t) {
        double chain = 0;
        int32_t from = -1;
        for (size_t gap = nearest; gap <= furthest && gap <= t; ++gap) {
            const double v = score[t - gap] - penalty[gap];
            if (from < 0 || v > chain) {
                chain = v;
                from = static_cast<int32_t>(t - gap);
            }
        }
        const bool chained = from >= 0 && chain > 0;
        score[t] = env[t] + (chained ? chain : 0.0);
        previous[t] = chained ? from : -1;
    }
    // The chain ends at the best score of the last period.
    size_t end = n - 1;
    for (size_t t = n - static_cast<size_t>(period); t < n; ++t) {
        if (score[t] > score[end]) {
            end = t;
        }
    }
    std::vector<double> beats;
    for (int64_t t = static_cast<int64_t>(end); t >= 0; t = previous[static_cast<size_t>(t)]) {
        beats.push_back(static_cast<double>(t) * frameSeconds);
    }
    std::reverse(beats.begin(), beats.end());
    return beats;
}

double MusicalMapFinder::steadyTempo(const std::vector<double>& beats) {
    if (beats.size() < 8) {
        return 0;
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < beats.size(); ++i) {
        gaps.push_back(beats[i] - beats[i - 1]);
    }
    std::vector<double> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                     sorted.end());
    const double median = sorted[sorted.size() / 2];
    size_t kept = 0;
    for (double g : gaps) {
        kept += std::abs(g - median) <= 0.1 * median;
    }
    // Most beats must keep the pace for it to be a beat at all.
    if (median <= 0 || static_cast<double>(kept) < 0.8 * static_cast<double>(gaps.size())) {
        return 0;
    }
    // The pace over the whole run of beats: a least-squares line through them.
    const double count = static_cast<double>(beats.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < beats.size(); ++i) {
        const double x = static_cast<double>(i);
        sx += x;
        sy += beats[i];
        sxx += x * x;
        sxy += x * beats[i];
    }
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    const double bpm = slope > 0 ? 60 / slope : 0;
    return bpm >= 30 && bpm <= 300 ? bpm : 0;
}

std::vector<double> MusicalMapFinder::pickSections(const std::vector<float>& novelty, double step,
                                                   double minGap) {
    std::vector<size_t> peaks;
    const float largest =
        novelty.empty() ? 0.0f : *std::max_element(novelty.begin(), novelty.end());
    const float threshold = std::max(NoveltyThreshold, RelativeThreshold * largest);
    for (size_t i = 1; i + 1 < novelty.size(); ++i) {
        if (novelty[i] >= threshold && novelty[i] >= novelty[i - 1] &&
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
        const bool clear = std::none_of(chosen.begin(), chosen.end(),
                                        [&](double c) { return std::abs(c - at) < minGap; });
        if (clear) {
            chosen.push_back(at);
        }
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}
