#include "wav/Resampler.h"

#include <gtest/gtest.h>

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

TEST(Resampler, AnswersWhetherItTakesAPairOfRates) {
    std::string why;
    EXPECT_TRUE(Resampler::accepts(1, 44100, why)) << why;
    EXPECT_TRUE(Resampler::accepts(4'000'000, 44100, why)) << why;
    EXPECT_FALSE(Resampler::accepts(3'000'000'000u, 44100, why));
    EXPECT_NE(why.find("3000000000 Hz"), std::string::npos) << why;
}

} // namespace
