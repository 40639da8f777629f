#include "wav/Resampler.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Fed in uneven pieces and flushed, a resampler gives about in x out / in frames, and a
// tone keeps its level in the pass band.
TEST(Resampler, KeepsLengthAndLevelWhateverThePieces) {
    const struct {
        uint32_t in, out;
    } pairs[] = {{48000, 44100}, {44100, 44100}, {8000, 44100}, {192000, 44100}, {3, 44100}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(std::to_string(p.in) + " Hz");
        Resampler r;
        std::string why;
        ASSERT_TRUE(r.open(p.in, p.out, why)) << why;
        const size_t total = p.in < 100 ? 12 : p.in;
        std::vector<float> tone(total);
        const double hz = p.in < 100 ? 0.5 : 1000;
        for (size_t i = 0; i < total; ++i) {
            tone[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * hz * i / p.in));
        }
        std::vector<float> result;
        size_t at = 0;
        for (size_t step = 1; at < total; step = step * 3 + 1) {
            const size_t n = std::min(step, total - at);
            const float* out = nullptr;
            size_t produced = 0;
            ASSERT_TRUE(r.process(tone.data() + at, n, out, produced));
            result.insert(result.end(), out, out + produced);
            at += n;
        }
        const float* out = nullptr;
        size_t produced = 0;
        do {
            ASSERT_TRUE(r.process(nullptr, 0, out, produced));
            result.insert(result.end(), out, out + produced);
        } while (produced > 0);
        const double expected = static_cast<double>(total) * p.out / p.in;
        EXPECT_NEAR(static_cast<double>(result.size()), expected, 2);
        if (p.in < 100) {
            // Far below recording rates: straight lines through every input sample.
            for (size_t i = 0; i < total; ++i) {
                EXPECT_NEAR(result[i * p.out / p.in], tone[i], 1e-6) << i;
            }
        } else {
            double peak = 0;
            for (size_t i = result.size() / 4; i < result.size() * 3 / 4; ++i) {
                peak = std::max(peak, std::abs(static_cast<double>(result[i])));
            }
            EXPECT_NEAR(peak, 0.5, 0.001);
        }
    }
}

std::vector<double> resampled(const std::vector<float>& in, uint32_t inRate, uint32_t outRate) {
    Resampler r;
    std::string why;
    EXPECT_TRUE(r.open(inRate, outRate, why)) << why;
    std::vector<double> result;
    const float* out = nullptr;
    size_t produced = 0;
    EXPECT_TRUE(r.process(in.data(), in.size(), out, produced));
    result.insert(result.end(), out, out + produced);
    do {
        EXPECT_TRUE(r.process(nullptr, 0, out, produced));
        result.insert(result.end(), out, out + produced);
    } while (produced > 0);
    return result;
}

// Far below the output's rate the same filters keep the images of a tone (at multiples of
// the input rate, plus and minus the tone) out of the result, on either side of the rate
// where one stage no longer reaches: quality does not jump there.
TEST(Resampler, LowRatesLeaveNoImagesOfTheirTones) {
    const struct {
        uint32_t in;
        double hz;
    } cases[] = {{2000, 800}, {2755, 1000}, {2757, 1000}, {400, 150}, {180, 60}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.in) + " Hz");
        std::vector<float> tone(c.in * 2);
        for (size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * c.hz * i / c.in));
        }
        const std::vector<double> out = resampled(tone, c.in, 44100);
        ASSERT_NEAR(static_cast<double>(out.size()), 2 * 44100, 2);
        // The middle second, away from the filters' start and end.
        const std::vector<double> middle(out.begin() + 22050, out.begin() + 66150);
        const double level = testmedia::toneLevelDb(middle, 44100, c.hz);
        EXPECT_NEAR(level, 20 * std::log10(0.5), 0.1);
        for (double image : {c.in - c.hz, c.in + c.hz, 2 * c.in - c.hz, 2 * c.in + c.hz}) {
            EXPECT_LT(testmedia::toneLevelDb(middle, 44100, image) - level, -70) << image << " Hz";
        }
    }
}

// Sound fed a few samples at a time, as a decoder of short frames at a low rate gives it,
// comes out as it goes in: nothing piles up inside the filters until the end, and no call
// hands back more than a few megabytes at once.
TEST(Resampler, SmallPiecesComeOutAsTheyGoIn) {
    const struct {
        uint32_t in;
        size_t piece;
    } cases[] = {{7, 2}, {100, 1}, {180, 2}, {2000, 3}, {8000, 1}, {48000, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.in) + " Hz");
        Resampler r;
        std::string why;
        ASSERT_TRUE(r.open(c.in, 44100, why)) << why;
        const std::vector<float> piece(c.piece, 0.25f);
        const size_t pieces = 200 * c.in / c.piece; // two hundred seconds
        size_t total = 0, largest = 0;
        for (size_t i = 0; i < pieces; ++i) {
            const float* out = nullptr;
            size_t produced = 0;
            ASSERT_TRUE(r.process(piece.data(), piece.size(), out, produced));
            total += produced;
            largest = std::max(largest, produced);
        }
        EXPECT_LT(largest, 1'000'000u);
        // All but some seconds (the filters' own delay) is out before the end.
        EXPECT_GT(static_cast<double>(total), 180 * 44100.0);
    }
}

TEST(Resampler, AnswersWhetherItTakesAPairOfRates) {
    std::string why;
    EXPECT_TRUE(Resampler::accepts(1, 44100, why)) << why;
    EXPECT_TRUE(Resampler::accepts(4'000'000, 44100, why)) << why;
    EXPECT_FALSE(Resampler::accepts(3'000'000'000u, 44100, why));
    EXPECT_NE(why.find("3000000000 Hz"), std::string::npos) << why;
}

} // namespace
