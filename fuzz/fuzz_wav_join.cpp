// A WAV file, as a fuzzer mutates it from real ones (make_wav_seeds.py), through the whole
// join: admission, unpacking or decoding, channel mixing, resampling, dither and the output
// file. Whatever the bytes, the join either refuses them or writes a file whose header tells
// its length truthfully; it never touches memory it does not own.

#include "wav/ConversionStream.h"
#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& folder() {
    static const std::string path = [] {
        // In memory where there is such a place: every execution writes two files.
        const char* shm = "/dev/shm";
        const std::filesystem::path base = access(shm, W_OK) == 0
                                               ? std::filesystem::path(shm)
                                               : std::filesystem::temp_directory_path();
        std::string t = (base / "fuzzjoin.XXXXXX").string();
        return std::string(mkdtemp(t.data()));
    }();
    return path;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = folder() + "/in.wav";
    const std::string out = folder() + "/out.wav";
    testmedia::writeFile(in, std::vector<uint8_t>(data, data + size));
    WaveFormatEx format{1, 2, 44100, 176400, 4, 16, 0};
    // Designing the resampler's filters costs far more than the rest of a small join: three
    // inputs in four are joined at their own rate, so that the unpacking, decoding and mixing
    // get most of the executions, and the fourth is resampled to 44,100 Hz. A codec whose
    // frames hold a fixed number of samples, under a header that claims a rate of a few hertz,
    // makes hundreds of megabytes from a few hundred bytes: a slow run, not a finding, so
    // compressed sound is resampled only from 8 kHz up.
    clsWavConcatenate first;
    first.setOutputFormat(format);
    if (!first.WaveAdd(in)) {
        return 0;
    }
    const WaveFormatEx& found = first.queueSlots()[0].Format;
    const bool compressed = found.wFormatTag != 1 && found.wFormatTag != 3 &&
                            found.wFormatTag != 6 && found.wFormatTag != 7 &&
                            found.wFormatTag != 0xFFFE;
    if (size % 4 != 0 || (compressed && found.nSamplesPerSec < 8000)) {
        format.nSamplesPerSec = found.nSamplesPerSec;
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    }
    clsWavConcatenate engine;
    engine.setOutputFormat(format);
    if (!engine.WaveAdd(in)) {
        return 0;
    }
    // Sound that would take seconds to convert makes a slow run, not a finding. Every sample
    // costs the same once the first block has passed, so most executions stop at a few blocks'
    // worth of output; one in 256 goes on past a whole batch of pieces (a run of up to a second).
    const WaveQueueEntry& e = engine.queueSlots()[0];
    const uint64_t outputLimit = size % 256 == 0 ? (640u << 10) : (48u << 10);
    ConversionStream probe;
    if (!probe.open(e.Format, e.FormatExtra, format, ConversionStream::Purpose::Probe) ||
        probe.outputBytesFor(static_cast<uint64_t>(e.DataSize)) > outputLimit ||
        probe.tenSecondBlock() > (16u << 20)) {
        return 0;
    }
    if (engine.WaveConcatenate(out, true)) {
        std::vector<uint8_t> header(44);
        FILE* f = std::fopen(out.c_str(), "rb");
        const size_t got = f ? std::fread(header.data(), 1, header.size(), f) : 0;
        if (f) {
            std::fclose(f);
        }
        const uint64_t length = std::filesystem::file_size(out);
        if (got < 44 || le32(header, 40) != length - 44 || le32(header, 4) != length - 8 ||
            (length - 44) % 4 != 0) {
            std::fprintf(stderr, "the joined file's header does not tell its length\n");
            std::abort();
        }
        unlink(out.c_str());
    }
    return 0;
}
