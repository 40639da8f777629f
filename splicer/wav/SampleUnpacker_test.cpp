#include "wav/SampleUnpacker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Two frames of two channels in each stored form, and the values they stand for.
TEST(SampleUnpacker, EveryStoredFormReadsAsFullScaleFloat) {
    const auto bytesOf = [](auto... v) {
        std::vector<uint8_t> b;
        (
            [&] {
                uint8_t raw[sizeof v];
                std::memcpy(raw, &v, sizeof v);
                b.insert(b.end(), raw, raw + sizeof v);
            }(),
            ...);
        return b;
    };
    const struct {
        const char* name;
        WaveFormatEx record;
        std::vector<uint8_t> bytes;
        float values[4]; // frame 0 left, right, frame 1 left, right
    } cases[] = {
        {"8-bit", {1, 2, 8000, 0, 2, 8}, {0, 128, 255, 192}, {-1, 0, 127 / 128.f, 0.5f}},
        {"16-bit",
         {1, 2, 8000, 0, 4, 16},
         bytesOf(int16_t{-32768}, int16_t{16384}, int16_t{1}, int16_t{32767}),
         {-1, 0.5f, 1 / 32768.f, 32767 / 32768.f}},
        {"24-bit",
         {1, 2, 8000, 0, 6, 24},
         {0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x7F},
         {-1, -1 / 8388608.f, 1 / 8388608.f, 8388607 / 8388608.f}},
        {"24-bit in 7-byte frames",
         {1, 2, 8000, 0, 7, 24},
         {0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xEE, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x7F, 0xEE},
         {-1, 0.5f, 1 / 8388608.f, 8388607 / 8388608.f}},
        {"32-bit",
         {1, 2, 8000, 0, 8, 32},
         bytesOf(INT32_MIN, int32_t{1 << 30}, int32_t{0}, int32_t{-(1 << 29)}),
         {-1, 0.5f, 0, -0.25f}},
        {"40-bit, in five bytes",
         {1, 2, 8000, 0, 10, 40},
         {0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0x40, 0x01, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xDF},
         {-1, 0.5f, 0x1p-39f, -0.25f - 0x1p-39f}},
        {"45 bits in six bytes",
         {1, 2, 8000, 0, 12, 45},
         {0,    0,    0,    0,    0,    0xC0, 0, 0, 0, 0, 0, 0x20,
          0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0},
         {-0.5f, 0.25f, 1, 0}},
        {"56-bit, in seven bytes",
         {1, 2, 8000, 0, 14, 56},
         {0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0,    0x10,
          0, 0, 0, 0, 0, 0, 0,    0, 0, 0, 0, 0, 0xFF, 0xFF},
         {-1, 0.125f, 0, -0x1p-15f}},
        {"64-bit",
         {1, 2, 8000, 0, 16, 64},
         bytesOf(INT64_MIN, int64_t{1} << 62, int64_t{0}, -(int64_t{1} << 61)),
         {-1, 0.5f, 0, -0.25f}},
        {"float, above full scale kept",
         {3, 2, 8000, 0, 8, 32},
         bytesOf(1.5f, -0.25f, 0.0f, -2.0f),
         {1.5f, -0.25f, 0, -2}},
        {"double",
         {3, 2, 8000, 0, 16, 64},
         bytesOf(0.5, -0.125, 1.0, -1.0),
         {0.5f, -0.125f, 1, -1}},
        {"A-law",
         {6, 2, 8000, 0, 2, 8},
         {0xD5, 0x55, 0xAA, 0x2A},
         {8 / 32768.f, -8 / 32768.f, 32256 / 32768.f, -32256 / 32768.f}},
        {"mu-law",
         {7, 2, 8000, 0, 2, 8},
         {0xFF, 0x7F, 0x80, 0x00},
         {0, 0, 32124 / 32768.f, -32124 / 32768.f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFormat f;
        std::string why;
        ASSERT_TRUE(SourceFormat::resolve(c.record, {}, f, why)) << why;
        float left[2], right[2];
        float* planes[] = {left, right};
        SampleUnpacker(f).unpack(c.bytes.data(), 2, planes);
        EXPECT_FLOAT_EQ(left[0], c.values[0]);
        EXPECT_FLOAT_EQ(right[0], c.values[1]);
        EXPECT_FLOAT_EQ(left[1], c.values[2]);
        EXPECT_FLOAT_EQ(right[1], c.values[3]);
    }
}

} // namespace
