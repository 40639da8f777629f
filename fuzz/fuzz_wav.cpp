// Arbitrary bytes as a WAV file: admission must never crash, and whatever is admitted must
// convert to the output format without touching memory it does not own.

#include "wav/ConversionStream.h"
#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& folder() {
    static const std::string path = [] {
        std::string t = (std::filesystem::temp_directory_path() / "fuzzwav.XXXXXX").string();
        return std::string(mkdtemp(t.data()));
    }();
    return path;
}

// The first byte picks how much of a well-formed file the fuzzer gets for free, so that it
// reaches the chunk walk and the converters quickly instead of guessing "RIFF....WAVE".
std::vector<uint8_t> shape(const uint8_t* data, size_t size) {
    if (size == 0) {
        return {};
    }
    const std::vector<uint8_t> rest(data + 1, data + size);
    switch (data[0] % 3) {
    case 0:
        return rest;
    case 1:
        return testmedia::riffFile(
            {{"fmt ", {rest.begin(), rest.begin() + std::min<size_t>(rest.size(), 40)}},
             {"data", {rest.begin() + std::min<size_t>(rest.size(), 40), rest.end()}}});
    default: {
        std::vector<uint8_t> f{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        f.insert(f.end(), rest.begin(), rest.end());
        return f;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = folder() + "/in.wav";
    const std::string out = folder() + "/out.wav";
    testmedia::writeFile(in, shape(data, size));
    clsWavConcatenate engine;
    engine.setOutputFormat(WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0});
    if (!engine.WaveAdd(in)) {
        return 0;
    }
    // Formats whose ten-second blocks are large allocations make slow runs, not findings.
    const WaveQueueEntry& e = engine.queueSlots()[0];
    ConversionStream probe;
    if (!probe.open(e.Format, e.FormatExtra, engine.OutputFormat(),
                    ConversionStream::Purpose::Probe) ||
        probe.tenSecondBlock() > (1u << 20) ||
        probe.outputBytesFor(probe.tenSecondBlock()) > (8u << 20)) {
        return 0;
    }
    engine.WaveConcatenate(out, (size & 1) == 0);
    unlink(out.c_str());
    return 0;
}
