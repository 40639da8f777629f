#include "wav/SourceFormat.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

namespace {

using S = SourceFormat::Sample;

WaveFormatEx record(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg, uint16_t align,
                    uint16_t bits) {
    return WaveFormatEx{tag, channels, rate, avg, align, bits, 0};
}

TEST(SourceFormat, ResolvesHowEachSampleIsStored) {
    const struct {
        const char* name;
        WaveFormatEx record;
        std::vector<uint8_t> extra;
        S sample;
        uint16_t tag;
    } cases[] = {
        {"8-bit", record(1, 1, 8000, 8000, 1, 8), {}, S::U8, 1},
        {"24-bit", record(1, 2, 48000, 288000, 6, 24), {}, S::S24, 1},
        {"20 bits in 24", record(1, 2, 48000, 288000, 6, 20), {}, S::S24, 1},
        {"24 bits in 32", record(1, 2, 48000, 384000, 8, 24), {}, S::S32, 1},
        {"padded frames", record(1, 2, 44100, 308700, 7, 24), {}, S::S24, 1},
        {"64-bit float", record(3, 2, 48000, 768000, 16, 64), {}, S::F64, 3},
        {"36 bits in 40", record(1, 3, 8000, 120000, 15, 36), {}, S::S40, 1},
        {"45 bits in 48", record(1, 3, 8000, 144000, 18, 45), {}, S::S48, 1},
        {"53 bits in 56", record(1, 3, 8000, 168000, 21, 53), {}, S::S56, 1},
        {"5 bits in 8, five channels", record(1, 5, 8000, 40000, 5, 5), {}, S::U8, 1},
        {"A-law", record(6, 1, 8000, 8000, 1, 8), {}, S::ALaw, 6},
        {"extensible float", record(0xFFFE, 2, 48000, 384000, 8, 32),
         testmedia::extensibleExtra(32, 3, 3), S::F32, 3},
        {"IMA ADPCM", record(0x11, 1, 8000, 4055, 256, 4), {0xF9, 0x01}, S::None, 0x11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFormat f;
        std::string why;
        ASSERT_TRUE(SourceFormat::resolve(c.record, c.extra, f, why)) << why;
        EXPECT_EQ(f.sample, c.sample);
        EXPECT_EQ(f.tag, c.tag);
    }
}

TEST(SourceFormat, RefusesRecordsThatDescribeNoSound) {
    const struct {
        WaveFormatEx record;
        std::vector<uint8_t> extra;
        const char* reason;
    } cases[] = {
        {record(1, 0, 44100, 0, 0, 16), {}, "channel count"},
        {record(1, 65, 44100, 0, 130, 16), {}, "channel count"},
        {record(1, 2, 0, 0, 4, 16), {}, "sample rate"},
        {record(1, 2, 44100, 176400, 0, 16), {}, "block align"},
        {record(0x11, 1, 8000, 0, 256, 4), {}, "data rate"},
        {record(1, 3, 8000, 32000, 4, 24), {}, "block align 4 does not fit 3 channels of 24 bits"},
        {record(3, 2, 8000, 32000, 4, 32), {}, "block align 4 does not fit 2 channels of 32 bits"},
        {record(0xFFFE, 2, 8000, 32000, 6, 32), testmedia::extensibleExtra(24, 3, 1),
         "block align 6 does not fit 2 channels of 32 bits"},
        {record(0xFFFE, 2, 44100, 176400, 4, 16), {1, 2, 3}, "extensible"},
        // Containers wider than eight bytes hold no sample format: where the 16 bits lie in
        // 23 bytes is anyone's guess (the general decoder read the padding as sound).
        {record(1, 2, 1, 46, 46, 16), {}, "block align 46 does not fit 2 channels of 16 bits"},
        {record(0xFFFE, 1, 8000, 80000, 10, 16), testmedia::extensibleExtra(16, 4, 1),
         "block align 10 does not fit 1 channels of 16 bits"},
    };
    for (const auto& c : cases) {
        SourceFormat f;
        std::string why;
        EXPECT_FALSE(SourceFormat::resolve(c.record, c.extra, f, why)) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(SourceFormat, CountsTheFramesInABlockOfBytes) {
    const struct {
        const char* name;
        WaveFormatEx record;
        std::vector<uint8_t> extra;
        uint64_t bytes, frames;
    } cases[] = {
        {"16-bit stereo, partial frame", record(1, 2, 44100, 176400, 4, 16), {}, 4003, 1000},
        {"IMA ADPCM, frames per block given",
         record(0x11, 1, 44100, 22125, 1024, 4),
         {0xF9, 0x07},
         409'600'000,
         400'000ull * 2041},
        {"IMA ADPCM stereo, worked out",
         record(0x11, 2, 44100, 44202, 2048, 4),
         {},
         2048 * 10,
         2041 * 10},
        {"MS ADPCM", record(2, 1, 8000, 4096, 256, 4), {0xF4, 0x01}, 256 * 3, 500 * 3},
        {"GSM 6.10", record(0x31, 1, 8000, 1625, 65, 0), {}, 65 * 100, 32000},
        {"by data rate", record(0x55, 2, 44100, 16000, 1, 0), {}, 160000, 441000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFormat f;
        std::string why;
        ASSERT_TRUE(SourceFormat::resolve(c.record, c.extra, f, why)) << why;
        EXPECT_EQ(f.framesIn(c.bytes), c.frames);
    }
}

TEST(SourceFormat, OnlyTheOutputsOwnLayoutIsCopied) {
    const WaveFormatEx cd = record(1, 2, 44100, 176400, 4, 16);
    const struct {
        const char* name;
        WaveFormatEx record;
        std::vector<uint8_t> extra;
        bool copied;
    } cases[] = {
        {"the same", cd, {}, true},
        {"extensible front pair", record(0xFFFE, 2, 44100, 176400, 4, 16),
         testmedia::extensibleExtra(16, 3, 1), true},
        {"extensible rear pair", record(0xFFFE, 2, 44100, 176400, 4, 16),
         testmedia::extensibleExtra(16, 0x30, 1), false},
        {"12 bits in 16", record(1, 2, 44100, 176400, 4, 12), {}, false},
        {"48 kHz", record(1, 2, 48000, 192000, 4, 16), {}, false},
        {"mono", record(1, 1, 44100, 88200, 2, 16), {}, false},
    };
    for (const auto& c : cases) {
        SourceFormat f;
        std::string why;
        ASSERT_TRUE(SourceFormat::resolve(c.record, c.extra, f, why)) << why;
        EXPECT_EQ(f.sameBytesAs(cd), c.copied) << c.name;
    }
}

} // namespace
