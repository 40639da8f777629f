#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testmedia;

namespace {

const WaveFormatEx Cd{1, 2, 44100, 176400, 4, 16, 0};

struct TempFolder {
    TempFolder() {
        std::string t = (fs::temp_directory_path() / "wavjoin.XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

void putLE32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t le32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class Joiner : public ::testing::Test {
protected:
    Joiner() { engine.setOutputFormat(Cd); }
    std::string cdFile(const std::string& name, double seconds, double hz = 440.0) {
        const std::string p = dir.file(name);
        writeSineWav(p, seconds, {}, hz);
        return p;
    }
    TempFolder dir;
    clsWavConcatenate engine;
};

TEST(OutputFormat, StartsAllZeroAndTakesAllEighteenBytes) {
    clsWavConcatenate engine;
    EXPECT_EQ(engine.OutputFormat(), WaveFormatEx{});
    const WaveFormatEx f{1, 2, 44100, 176400, 4, 16, 7};
    engine.setOutputFormat(f);
    EXPECT_EQ(engine.OutputFormat(), f);
    engine.OutputFormat().nChannels = 1;
    EXPECT_EQ(engine.OutputFormat().nChannels, 1);
}

TEST_F(Joiner, InputAlreadyInOutputFormatIsCopiedByteForByte) {
    const std::vector<uint8_t> sound = sineData({}, 3.0, 440.0);
    writeFile(dir.file("a.wav"), canonicalWav({}, sound));
    ASSERT_TRUE(engine.WaveAdd(dir.file("a.wav")));
    EXPECT_EQ(engine.queueSlots()[0].DataStart, 45);
    EXPECT_EQ(engine.queueSlots()[0].DataSize, static_cast<int64_t>(sound.size()));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();

    const std::vector<uint8_t> out = readFile(dir.file("out.wav"));
    ASSERT_EQ(out.size(), 44 + sound.size());
    std::vector<uint8_t> expected = canonicalWav({}, sound);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(le32At(out, 4), sound.size() + 36);
    EXPECT_EQ(le32At(out, 40), sound.size());
    EXPECT_EQ(le32At(out, 28), 176400u);
}

TEST_F(Joiner, WithoutHeaderTheFileIsTheSoundAlone) {
    const std::vector<uint8_t> a = sineData({}, 1.0, 440.0), b = sineData({}, 2.0, 880.0);
    writeFile(dir.file("a.wav"), canonicalWav({}, a));
    writeFile(dir.file("b.wav"), canonicalWav({}, b));
    ASSERT_TRUE(engine.WaveAdd(dir.file("a.wav")));
    ASSERT_TRUE(engine.WaveAdd(dir.file("b.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.raw"), false));
    std::vector<uint8_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(readFile(dir.file("out.raw")), expected);
}

TEST_F(Joiner, EventsComeInQueueOrderWithProgressForFullBlocksOnly) {
    // 25 s: two full blocks and a tail; 3 s: tail only; exactly 20 s: two blocks, empty tail.
    const std::string a = cdFile("a.wav", 25), b = cdFile("b.wav", 3), c = cdFile("c.wav", 20);
    for (const auto& f : {a, b, c}) {
        ASSERT_TRUE(engine.WaveAdd(f));
    }
    std::vector<std::string> events;
    engine.FileChanged = [&](std::string& name) {
        events.push_back("file " + fs::path(name).filename().string());
    };
    engine.Progress = [&](int16_t& p) { events.push_back("progress " + std::to_string(p)); };
    engine.ProcessEvents = [&] { events.push_back("events"); };
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true));
    // The figures are the share of input consumed: 10, 20, 38 and 48 of 48 seconds.
    const std::vector<std::string> expected{
        "file a.wav", "progress 21", "events", "progress 42",  "events", "file b.wav",
        "file c.wav", "progress 79", "events", "progress 100", "events"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(readFile(dir.file("out.wav")).size(), 44u + 48u * 176400u);
}

TEST_F(Joiner, EmptyQueueReturnsFalseAndCreatesNothing) {
    const std::string out = dir.file("out.wav");
    EXPECT_FALSE(engine.WaveConcatenate(out, true));
    EXPECT_FALSE(fs::exists(out));
    ASSERT_TRUE(engine.WaveAdd(cdFile("a.wav", 1)));
    engine.ResetQueue();
    EXPECT_EQ(engine.queueCount(), 0u);
    ASSERT_EQ(engine.queueSlots().size(), 1u);
    EXPECT_TRUE(engine.queueSlots()[0].FileName.empty());
    EXPECT_EQ(engine.queueSlots()[0].DataSize, 0);
    EXPECT_FALSE(engine.WaveConcatenate(out, true));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(fs::directory_iterator(dir.path)->path().filename(), "a.wav");
}

TEST_F(Joiner, AddingFillsTheSpareSlotAndAppendsANewOne) {
    ASSERT_TRUE(engine.WaveAdd(cdFile("a.wav", 1)));
    ASSERT_TRUE(engine.WaveAdd(cdFile("b.wav", 1)));
    EXPECT_EQ(engine.queueCount(), 2u);
    ASSERT_EQ(engine.queueSlots().size(), 3u);
    EXPECT_EQ(engine.queueSlots()[1].FileName, dir.file("b.wav"));
    EXPECT_TRUE(engine.queueSlots()[2].FileName.empty());
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true));
    EXPECT_EQ(engine.queueCount(), 2u) << "a run keeps the queue";
}

TEST_F(Joiner, AnInputThatCannotBeConvertedIsRefusedWhenAdded) {
    const std::string a = cdFile("a.wav", 1), b = cdFile("b.wav", 1), d = cdFile("d.wav", 1);
    WavFormat odd;
    odd.formatTag = 0x1234;
    writeFile(dir.file("c.wav"), canonicalWav(odd, sineData({}, 1.0, 440.0)));
    EXPECT_TRUE(engine.WaveAdd(a));
    EXPECT_TRUE(engine.WaveAdd(b));
    EXPECT_FALSE(engine.WaveAdd(dir.file("c.wav")));
    EXPECT_NE(engine.lastError().find("c.wav"), std::string::npos);
    EXPECT_TRUE(engine.WaveAdd(d));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true));
    EXPECT_EQ(readFile(dir.file("out.wav")).size(), 44u + 3u * 176400u);
}

TEST_F(Joiner, OutputMayReplaceOneOfItsInputs) {
    const std::vector<uint8_t> a = sineData({}, 1.0, 440.0), b = sineData({}, 1.0, 880.0);
    writeFile(dir.file("a.wav"), canonicalWav({}, a));
    writeFile(dir.file("b.wav"), canonicalWav({}, b));
    ASSERT_TRUE(engine.WaveAdd(dir.file("a.wav")));
    ASSERT_TRUE(engine.WaveAdd(dir.file("b.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("a.wav"), false));
    std::vector<uint8_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(readFile(dir.file("a.wav")), expected);
}

TEST_F(Joiner, ALongerOldFileIsReplacedNotOverwritten) {
    writeFile(dir.file("out.wav"), std::vector<uint8_t>(3'000'000, 0x55));
    ASSERT_TRUE(engine.WaveAdd(cdFile("a.wav", 1)));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true));
    const auto out = readFile(dir.file("out.wav"));
    EXPECT_EQ(out.size(), 44u + 176400u);
    EXPECT_EQ(le32At(out, 40), 176400u);
}

TEST_F(Joiner, AFailedRunLeavesTheOldFileAndNoTemporaryFile) {
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    const std::string out = dir.file("out.wav");
    struct Case {
        const char* name;
        std::function<void(clsWavConcatenate&, TempFolder&)> arrange;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"input removed after adding",
         [](clsWavConcatenate& e, TempFolder& d) {
             writeSineWav(d.file("gone.wav"), 12.0);
             ASSERT_TRUE(e.WaveAdd(d.file("gone.wav")));
             fs::remove(d.file("gone.wav"));
         },
         "gone.wav"},
        {"cancelled after the first block",
         [](clsWavConcatenate& e, TempFolder& d) {
             writeSineWav(d.file("long.wav"), 25.0);
             ASSERT_TRUE(e.WaveAdd(d.file("long.wav")));
             e.CancelRequested = [] { return true; };
         },
         "Cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder d;
        clsWavConcatenate e;
        e.setOutputFormat(Cd);
        const std::string target = d.file("out.wav");
        writeFile(target, old);
        c.arrange(e, d);
        EXPECT_FALSE(e.WaveConcatenate(target, true));
        EXPECT_NE(e.lastError().find(c.reason), std::string::npos) << e.lastError();
        EXPECT_EQ(readFile(target), old);
        for (const auto& entry : fs::directory_iterator(d.path)) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << "left behind: " << entry.path();
        }
    }
    ASSERT_TRUE(engine.WaveAdd(cdFile("a.wav", 1)));
    EXPECT_FALSE(engine.WaveConcatenate(dir.file("no/such/folder/out.wav"), true));
    EXPECT_FALSE(engine.lastError().empty());
    (void)out;
}

// Crafted files: what is admitted, and where its sound is taken from.
struct Crafted {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
    bool admitted;
    int64_t dataStart;
    int64_t dataSize;
};

std::vector<uint8_t> sound1k() {
    return std::vector<uint8_t>(1000, 0x10);
}

std::vector<uint8_t> rf64(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> ds64;
    putLE(ds64, 0, 8);           // RIFF size
    putLE(ds64, data.size(), 8); // data size
    putLE(ds64, data.size() / 4, 8);
    putLE(ds64, 0, 4);
    std::vector<uint8_t> f =
        riffFile({{"ds64", ds64}, {"fmt ", fmtBody({})}, {"data", data, 0xFFFFFFFF}});
    std::copy_n("RF64", 4, f.begin());
    for (int i = 4; i < 8; ++i) {
        f[i] = 0xFF;
    }
    return f;
}

const std::vector<Crafted> craftedFiles{
    {"canonical", [] { return canonicalWav({}, sound1k()); }, true, 45, 1000},
    {"JUNK before fmt",
     [] {
         return riffFile(
             {{"JUNK", std::vector<uint8_t>(28)}, {"fmt ", fmtBody({})}, {"data", sound1k()}});
     },
     true, 81, 1000},
    {"odd LIST before data",
     [] {
         return riffFile(
             {{"fmt ", fmtBody({})}, {"LIST", std::vector<uint8_t>(5, 'x')}, {"data", sound1k()}});
     },
     true, 45 + 8 + 6, 1000},
    {"data declared longer than the file",
     [] {
         return riffFile({{"fmt ", fmtBody({})}, {"data", sound1k(), 1'000'000}});
     },
     true, 45, 1000},
    {"data size 0xFFFFFFFF",
     [] {
         return riffFile({{"fmt ", fmtBody({})}, {"data", sound1k(), 0xFFFFFFFF}});
     },
     true, 45, 1000},
    {"RF64 with ds64", [] { return rf64(sound1k()); }, true, 12 + 8 + 28 + 8 + 16 + 8 + 1, 1000},
    {"extensible PCM",
     [] {
         WavFormat f;
         f.formatTag = 0xFFFE;
         return riffFile({{"fmt ", fmtBody(f, extensibleExtra(16, 3, 1))}, {"data", sound1k()}});
     },
     true, 12 + 8 + 40 + 8 + 1, 1000},
    {"extensible float",
     [] {
         WavFormat f;
         f.formatTag = 0xFFFE;
         f.bitsPerSample = 32;
         return riffFile({{"fmt ", fmtBody(f, extensibleExtra(32, 3, 3))}, {"data", sound1k()}});
     },
     true, 12 + 8 + 40 + 8 + 1, 1000},
    {"extensible with a foreign GUID",
     [] {
         WavFormat f;
         f.formatTag = 0xFFFE;
         auto extra = extensibleExtra(16, 3, 1);
         extra.back() ^= 0xFF;
         return riffFile({{"fmt ", fmtBody(f, extra)}, {"data", sound1k()}});
     },
     false, 0, 0},
    {"mu-law mono 8 kHz",
     [] {
         WavFormat f{7, 1, 8000, 8};
         return canonicalWav(f, sineData(f, 0.5, 440));
     },
     true, 45, 4000},
    // Admitted: the rate is odd but the resampler takes it, and the sound holds no whole
    // block, so it converts to nothing.
    {"compressed, claiming one sample per second",
     [] {
         WavFormat f{0x11, 1, 1, 4};
         auto body = fmtBody(f, {0xF9, 0x07});
         body[8] = 5; // 5 bytes per second, blocks of 39168 bytes
         body[12] = 0x00;
         body[13] = 0x99;
         return riffFile({{"fmt ", body}, {"data", sound1k()}});
     },
     true, 12 + 8 + 20 + 8 + 1, 1000},
    {"no data chunk",
     [] {
         return riffFile({{"fmt ", fmtBody({})}});
     },
     false, 0, 0},
    {"no fmt chunk",
     [] {
         return riffFile({{"data", sound1k()}});
     },
     false, 0, 0},
    {"RIFF but not WAVE",
     [] {
         return riffFile({{"fmt ", fmtBody({})}, {"data", sound1k()}}, "AVI ");
     },
     false, 0, 0},
    {"0 bytes", [] { return std::vector<uint8_t>{}; }, false, 0, 0},
    {"20 bytes",
     [] {
         auto f = canonicalWav({}, sound1k());
         f.resize(20);
         return f;
     },
     false, 0, 0},
    {"block align 0",
     [] {
         auto f = canonicalWav({}, sound1k());
         f[32] = f[33] = 0;
         return f;
     },
     false, 0, 0},
    {"channels 0",
     [] {
         auto f = canonicalWav({}, sound1k());
         f[22] = f[23] = 0;
         return f;
     },
     false, 0, 0},
    {"sample rate 0",
     [] {
         auto f = canonicalWav({}, sound1k());
         std::fill_n(f.begin() + 24, 4, 0);
         return f;
     },
     false, 0, 0},
    {"chunk size running past the end",
     [] {
         return riffFile({{"fmt ", fmtBody({})},
                          {"LIST", std::vector<uint8_t>(4), 0x7FFFFFF0},
                          {"data", sound1k()}});
     },
     false, 0, 0},
};

TEST_F(Joiner, CraftedFilesAreAdmittedOrRefused) {
    for (const Crafted& c : craftedFiles) {
        SCOPED_TRACE(c.name);
        const std::string p = dir.file("crafted.wav");
        writeFile(p, c.bytes());
        engine.ResetQueue();
        ASSERT_EQ(engine.WaveAdd(p), c.admitted) << engine.lastError();
        if (!c.admitted) {
            EXPECT_EQ(engine.queueCount(), 0u);
            EXPECT_FALSE(engine.lastError().empty());
            continue;
        }
        EXPECT_EQ(engine.queueSlots()[0].DataStart, c.dataStart);
        EXPECT_EQ(engine.queueSlots()[0].DataSize, c.dataSize);
        EXPECT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    }
}

// A recording cut off while it was written: what is there is joined, and the shortfall is
// told. A size of 0xFFFFFFFF is what writers that cannot go back put there: no shortfall.
TEST_F(Joiner, ADataChunkCutShortIsJoinedAndItsShortfallTold) {
    const auto sound = sineData({}, 0.5, 440.0);
    const struct {
        const char* name;
        int64_t declared;
        int64_t missing;
    } cases[] = {{"cut short", 1'000'000, 1'000'000 - 88200},
                 {"whole", 88200, 0},
                 {"length left open", 0xFFFFFFFF, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file("take.wav"),
                  riffFile({{"fmt ", fmtBody({})}, {"data", sound, c.declared}}));
        engine.ResetQueue();
        ASSERT_TRUE(engine.WaveAdd(dir.file("take.wav"))) << engine.lastError();
        const WaveQueueEntry& e = engine.queueSlots()[0];
        EXPECT_EQ(e.DataSize, 88200);
        EXPECT_EQ(e.DataMissing, c.missing);
        const std::string told = clsWavConcatenate::shortfall(e);
        if (c.missing) {
            EXPECT_EQ(told, "take.wav is cut short: 911,800 of its 1,000,000 bytes of sound are "
                            "missing");
        } else {
            EXPECT_EQ(told, "");
        }
        ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.raw"), false));
        EXPECT_EQ(readFile(dir.file("out.raw")), sound);
    }
}

TEST_F(Joiner, BigEndianWavIsRefusedByName) {
    auto bytes = canonicalWav({}, sineData({}, 0.1, 440.0));
    std::memcpy(bytes.data(), "RIFX", 4);
    writeFile(dir.file("old.wav"), bytes);
    EXPECT_FALSE(engine.WaveAdd(dir.file("old.wav")));
    EXPECT_EQ(engine.lastError(), "old.wav: big-endian WAV (RIFX) is not supported");
}

TEST_F(Joiner, PathsThatAreNotFilesAreRefused) {
    fs::create_directory(dir.file("folder.wav"));
    // A pipe nobody writes to must be refused, not waited on.
    ASSERT_EQ(mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    const struct {
        std::string path, error;
    } cases[] = {{dir.file("folder.wav"), "folder.wav is a folder, not a WAV file"},
                 {dir.file("missing.wav"), "missing.wav: no such file"},
                 {dir.file("pipe.wav"), "pipe.wav is not a plain file"},
                 {"", ": no such file"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(engine.WaveAdd(c.path)) << c.path;
        EXPECT_EQ(engine.lastError(), c.error);
    }
    EXPECT_EQ(engine.queueCount(), 0u);
}

TEST_F(Joiner, MonoGoesToBothChannelsAtFullLevel) {
    WavFormat mono{1, 1, 44100, 16};
    const std::vector<uint8_t> sound = sineData(mono, 1.0, 1000.0, 0.7);
    writeFile(dir.file("m.wav"), canonicalWav(mono, sound));
    ASSERT_TRUE(engine.WaveAdd(dir.file("m.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.raw"), false));
    const auto out = readFile(dir.file("out.raw"));
    ASSERT_EQ(out.size(), 2 * sound.size());
    for (size_t i = 0; i < sound.size(); i += 2) {
        ASSERT_EQ(out[2 * i], sound[i]);
        ASSERT_EQ(out[2 * i + 1], sound[i + 1]);
        ASSERT_EQ(out[2 * i + 2], sound[i]);
        ASSERT_EQ(out[2 * i + 3], sound[i + 1]);
    }
}

// Each input channel carries a tone of its own; the output's two sides are read back tone by
// tone. Gains in dB, -200 for a tone that must not be heard on that side.
TEST_F(Joiner, ChannelsBeyondTwoAreMixedDownByTheirPlaces) {
    struct Case {
        const char* name;
        uint16_t channels;
        uint32_t mask; // 0: plain PCM record without a mask
        std::vector<std::pair<double, double>> sides;
    };
    const double off = -200;
    const double fl51 = 20 * std::log10(1 / (1 + 2 * std::sqrt(0.5))); // 5.1: -7.7 dB
    const double c51 = fl51 - 3.0103;
    const double fl4 = 20 * std::log10(1 / (1 + std::sqrt(0.5))); // quad: -4.6 dB
    const double b4 = fl4 - 3.0103;
    const std::vector<Case> cases{
        {"quad without a mask", 4, 0, {{fl4, off}, {off, fl4}, {b4, off}, {off, b4}}},
        {"5.1 without a mask",
         6,
         0,
         {{fl51, off}, {off, fl51}, {c51, c51}, {off, off}, {c51, off}, {off, c51}}},
        {"5.1 by its mask",
         6,
         0x3F,
         {{fl51, off}, {off, fl51}, {c51, c51}, {off, off}, {c51, off}, {off, c51}}},
        {"centre and LFE only", 2, 0xC, {{-3.0103, -3.0103}, {off, off}}},
        {"ten channels without places", 10, 0, {{-13.98, off}, {off, -13.98}}},
    };
    const double tones[] = {500, 700, 1100, 1300, 1700, 1900, 2300, 2900, 3100, 3700};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WavFormat f{static_cast<uint16_t>(c.mask ? 0xFFFE : 1), c.channels, 44100, 16};
        const auto data = pcmData(f, 44100, [&](uint64_t i, int ch) {
            return 0.9 *
                   std::sin(2 * std::numbers::pi * tones[ch] * static_cast<double>(i) / 44100);
        });
        const auto extra = c.mask ? extensibleExtra(16, c.mask, 1) : std::vector<uint8_t>{};
        writeFile(dir.file("many.wav"), riffFile({{"fmt ", fmtBody(f, extra)}, {"data", data}}));
        clsWavConcatenate one;
        one.setOutputFormat(Cd);
        ASSERT_TRUE(one.WaveAdd(dir.file("many.wav"))) << one.lastError();
        ASSERT_TRUE(one.WaveConcatenate(dir.file("out.raw"), false)) << one.lastError();
        const auto out = readFile(dir.file("out.raw"));
        ASSERT_EQ(out.size(), 44100u * 4);
        for (int side = 0; side < 2; ++side) {
            const auto x = channelOf16(out, 2, side);
            for (size_t ch = 0; ch < c.sides.size(); ++ch) {
                const double want = side == 0 ? c.sides[ch].first : c.sides[ch].second;
                const double got = toneLevelDb(x, 44100, tones[ch]) - 20 * std::log10(0.9);
                if (want == off) {
                    EXPECT_LT(got, -60) << "channel " << ch << " side " << side;
                } else {
                    EXPECT_NEAR(got, want, 0.1) << "channel " << ch << " side " << side;
                }
            }
        }
    }
}

TEST_F(Joiner, FloatAboveFullScaleIsClippedNotWrapped) {
    WavFormat fl{3, 2, 44100, 32};
    std::vector<uint8_t> data;
    for (float v : {1.5f, -1.5f, 0.5f, 4.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        putLE(data, bits, 4);
    }
    writeFile(dir.file("f.wav"), canonicalWav(fl, data));
    ASSERT_TRUE(engine.WaveAdd(dir.file("f.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.raw"), false));
    const auto out = readFile(dir.file("out.raw"));
    ASSERT_EQ(out.size(), 8u);
    const auto sample = [&](int i) {
        return static_cast<int16_t>(out[2 * i] | out[2 * i + 1] << 8);
    };
    EXPECT_EQ(sample(0), 32767);
    EXPECT_EQ(sample(1), -32768);
    EXPECT_NEAR(sample(2), 16384, 2);
    EXPECT_EQ(sample(3), 32767);
}

TEST_F(Joiner, SameInputsGiveTheSameBytes) {
    WavFormat f{3, 2, 48000, 32};
    writeFile(dir.file("f.wav"), canonicalWav(f, sineData(f, 2.0, 1000.0)));
    ASSERT_TRUE(engine.WaveAdd(dir.file("f.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("one.wav"), true));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("two.wav"), true));
    EXPECT_EQ(readFile(dir.file("one.wav")), readFile(dir.file("two.wav")));
}

TEST_F(Joiner, APartialLastFrameIsDropped) {
    std::vector<uint8_t> data = sineData({}, 0.1, 440);
    data.push_back(0x7F);
    writeFile(dir.file("odd.wav"), riffFile({{"fmt ", fmtBody({})}, {"data", data}}));
    ASSERT_TRUE(engine.WaveAdd(dir.file("odd.wav")));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.raw"), false));
    EXPECT_EQ(readFile(dir.file("out.raw")).size(), data.size() - 1);
}

} // namespace

namespace {

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(Joiner, AKilledRunLeavesNothingBehind) {
    const std::string in = cdFile("long.wav", 25);
    writeFile(dir.file("out.wav"), {'o', 'l', 'd'});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        clsWavConcatenate e;
        e.setOutputFormat(Cd);
        e.WaveAdd(in);
        e.Progress = [](int16_t&) { raise(SIGKILL); };
        e.WaveConcatenate(dir.file("out.wav"), true);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(namesIn(dir.path), (std::vector<std::string>{"long.wav", "out.wav"}));
    EXPECT_EQ(readFile(dir.file("out.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(Joiner, OutputMustBeAPlainFileOrALinkToOne) {
    const std::string in = cdFile("a.wav", 1);
    fs::create_directory(dir.file("folder"));
    writeFile(dir.file("real.wav"), {'o', 'l', 'd'});
    writeFile(dir.file("locked.wav"), {'o', 'l', 'd'});
    fs::permissions(dir.file("locked.wav"), fs::perms::owner_read | fs::perms::group_read);
    fs::create_symlink("real.wav", dir.file("link.wav"));
    fs::create_symlink("link.wav", dir.file("link2.wav"));
    fs::create_symlink("missing.wav", dir.file("dangling.wav"));
    fs::create_symlink("nowhere/x.wav", dir.file("lost.wav"));
    fs::create_symlink("folder", dir.file("linkdir.wav"));
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0644), 0);
    // A null device of the test's own (only the super-user may make one; else the system's).
    const std::string device =
        mknod(dir.file("device.wav").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
            ? dir.file("device.wav")
            : "/dev/null";
    fs::create_symlink(device, dir.file("null.wav"));
    const struct {
        std::string output;
        const char* reason; // null: joined
    } cases[] = {
        {dir.file("folder"), "is a folder"},
        {dir.file("fifo.wav"), "is a pipe"},
        {device, "is a device"},
        {dir.file("null.wav"), "symbolic link to a device"},
        {dir.file("linkdir.wav"), "symbolic link to a folder"},
        {dir.file("lost.wav"), "does not exist"},
        {dir.file("locked.wav"), "write-protected"},
        {dir.file("nowhere/out.wav"), "does not exist"},
        {dir.file("link2.wav"), nullptr},
        {dir.file("dangling.wav"), nullptr},
    };
    ASSERT_TRUE(engine.WaveAdd(in));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        bool started = false;
        engine.FileChanged = [&](std::string&) { started = true; };
        const bool joined = engine.WaveConcatenate(c.output, true);
        EXPECT_EQ(joined, c.reason == nullptr) << engine.lastError();
        if (c.reason) {
            EXPECT_NE(engine.lastError().find(c.reason), std::string::npos) << engine.lastError();
            EXPECT_FALSE(started) << "refused only after converting";
        }
    }
    EXPECT_TRUE(fs::is_fifo(dir.file("fifo.wav")));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_EQ(readFile(dir.file("locked.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // The links still lead to the file, which now holds the join.
    EXPECT_TRUE(fs::is_symlink(dir.file("link2.wav")));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.wav")));
    EXPECT_EQ(readFile(dir.file("real.wav")).size(), 44u + 176400u);
    // A link to a file not made yet is written through, as cp does.
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.wav")));
    EXPECT_EQ(readFile(dir.file("missing.wav")).size(), 44u + 176400u);
    std::vector<std::string> expected{"a.wav",    "dangling.wav", "fifo.wav",    "folder",
                                      "link.wav", "link2.wav",    "linkdir.wav", "locked.wav",
                                      "lost.wav", "missing.wav",  "null.wav",    "real.wav"};
    if (device != "/dev/null") {
        expected.insert(expected.begin() + 2, "device.wav");
    }
    EXPECT_EQ(namesIn(dir.path), expected);
}

TEST_F(Joiner, TheQueueCannotChangeWhileARunWalksThroughIt) {
    const std::string a = cdFile("a.wav", 25), b = cdFile("b.wav", 1);
    ASSERT_TRUE(engine.WaveAdd(a));
    std::vector<bool> added;
    bool nested = true;
    engine.Progress = [&](int16_t&) {
        added.push_back(engine.WaveAdd(b));
        engine.ResetQueue();
        nested = engine.WaveConcatenate(dir.file("nested.wav"), true);
    };
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    EXPECT_EQ(added, (std::vector<bool>{false, false}));
    EXPECT_FALSE(nested);
    EXPECT_EQ(engine.queueCount(), 1u);
    EXPECT_EQ(readFile(dir.file("out.wav")).size(), 44u + 25u * 176400u);
    EXPECT_FALSE(fs::exists(dir.file("nested.wav")));
    engine.Progress = nullptr;
    EXPECT_TRUE(engine.WaveAdd(b)) << "admitting again once the run is over";
}

TEST_F(Joiner, AnInputThatChangedSinceItWasAddedIsReported) {
    struct Case {
        const char* name;
        WavFormat format;
        std::function<void(const std::string&)> change;
    };
    const auto shorten = [](const std::string& p) { fs::resize_file(p, fs::file_size(p) - 1); };
    const auto lengthen = [](const std::string& p) { fs::resize_file(p, fs::file_size(p) + 4); };
    const Case cases[] = {
        {"copied, one byte shorter", {}, shorten},
        {"converted, one byte shorter", {1, 2, 48000, 24}, shorten},
        {"copied, longer", {}, lengthen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder d;
        clsWavConcatenate e;
        e.setOutputFormat(Cd);
        writeSineWav(d.file("a.wav"), 3.0);
        writeSineWav(d.file("b.wav"), 3.0, c.format);
        writeSineWav(d.file("c.wav"), 3.0);
        for (const char* n : {"a.wav", "b.wav", "c.wav"}) {
            ASSERT_TRUE(e.WaveAdd(d.file(n)));
        }
        c.change(d.file("b.wav"));
        EXPECT_FALSE(e.WaveConcatenate(d.file("out.wav"), true));
        EXPECT_NE(e.lastError().find("b.wav changed"), std::string::npos) << e.lastError();
        EXPECT_FALSE(fs::exists(d.file("out.wav")));
    }
}

TEST_F(Joiner, AFolderGivenAsAnInputIsNamedAsSuch) {
    fs::create_directory(dir.file("takes"));
    EXPECT_FALSE(engine.WaveAdd(dir.file("takes")));
    EXPECT_EQ(engine.lastError(), "takes is a folder, not a WAV file");
}

} // namespace

namespace {

// The 4 GiB limit of a WAV header is judged from how much sound a compressed input really
// holds: 409.6 MB of 44.1 kHz mono IMA ADPCM become 3.27 GB, 600 MB would become 4.8 GB.
TEST_F(Joiner, CompressedInputsAreMeasuredByTheirBlocks) {
    const struct {
        uint64_t dataBytes;
        bool fits;
    } cases[] = {{409'600'000, true}, {600'000'000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataBytes);
        std::vector<uint8_t> body = fmtBody({0x11, 1, 44100, 4}, {0xF9, 0x07}); // 2041 frames
        putLE32At(body, 8, 22125);                                              // per block
        body[12] = 0x00; // blocks of 1024 bytes
        body[13] = 0x04;
        std::vector<uint8_t> head = riffFile({{"fmt ", body}, {"data", {}, 0}});
        putLE32At(head, head.size() - 4, static_cast<uint32_t>(c.dataBytes));
        const std::string in = dir.file("long.wav");
        writeFile(in, head);
        fs::resize_file(in, head.size() + c.dataBytes); // sparse: silence of the codec
        engine.ResetQueue();
        ASSERT_TRUE(engine.WaveAdd(in)) << engine.lastError();
        bool started = false;
        engine.FileChanged = [&](std::string&) { started = true; };
        engine.CancelRequested = [] { return true; };
        EXPECT_FALSE(engine.WaveConcatenate(dir.file("out.wav"), true));
        EXPECT_EQ(started, c.fits) << engine.lastError();
        EXPECT_EQ(engine.lastError().find("4 GiB") == std::string::npos, c.fits);
    }
}

} // namespace
