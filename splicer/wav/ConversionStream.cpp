#include "wav/ConversionStream.h"

#include "wav/ChannelMix.h"
#include "wav/LibraryMessages.h"
#include "wav/PacketDecoder.h"
#include "wav/Resampler.h"
#include "wav/SampleUnpacker.h"
#include "wav/SourceFormat.h"
#include "wav/WorkerThread.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr uint16_t TagPcm = 1;
constexpr uint32_t MaxRate = 4'000'000;
// Frames of one piece: at most this many in and out, so every buffer stays small.
constexpr uint64_t PieceFrames = 16384;
constexpr uint64_t PieceSamples = 131072; // over all input channels
// Pieces of plain input that each lane runs through on its own before the lanes meet: the
// threads wait for each other once per batch rather than once per piece.
constexpr uint64_t BatchPieces = 8;
// Output frames kept back until the next piece or the end, where the output is cut or
// padded to its exact length.
constexpr size_t HeldFrames = 256;

// Triangular dither of +-1 step, from fixed seeds per channel: eight generators side by side,
// so that the compiler can run them at once.
class Dither {
    typedef uint32_t Lanes __attribute__((vector_size(16)));
    typedef int32_t Signed __attribute__((vector_size(16)));
    typedef float Floats __attribute__((vector_size(16)));

public:
    static constexpr size_t Streams = 8;
    explicit Dither(uint32_t seed) {
        for (size_t k = 0; k < Streams; ++k) {
            m_state[k] = seed ^ (0x85EBCA6Bu * static_cast<uint32_t>(k + 1));
            if (m_state[k] == 0) {
                m_state[k] = 1;
            }
        }
    }
    // Fills `out` with `n` values rounded up to a whole number of rounds (the buffer must hold
    // them). Each is the difference of two uniform values, both taken from one 32-bit draw.
    // The generators' states are held in vectors of four, which the compiler keeps in
    // registers for the whole fill.
    void fill(float* out, size_t n) {
        Lanes lo, hi;
        std::memcpy(&lo, m_state, sizeof lo);
        std::memcpy(&hi, m_state + 4, sizeof hi);
        const auto step = [](Lanes& x, float* o) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const Signed a = __builtin_convertvector(x & 0xFFFF, Signed);
            const Signed b = __builtin_convertvector(x >> 16, Signed);
            const Floats v = __builtin_convertvector(a - b, Floats) * (1.0f / 65536);
            std::memcpy(o, &v, sizeof v);
        };
        for (size_t i = 0; i < n; i += Streams) {
            step(lo, out + i);
            step(hi, out + i + 4);
        }
        std::memcpy(m_state, &lo, sizeof lo);
        std::memcpy(m_state + 4, &hi, sizeof hi);
    }
    static size_t rounded(size_t n) { return (n + Streams - 1) / Streams * Streams; }

private:
    uint32_t m_state[Streams];
};

} // namespace

struct ConversionStream::Impl {
    bool open = false;
    bool copy = false;
    bool probe = false;
    bool measure = false;
    Shaping shaping;
    std::vector<std::vector<float>> gained; // per lane, when the gain is not 1
    std::vector<const float*> listened;     // per output channel
    SourceFormat src;
    WaveFormatEx dst{};
    std::string error;

    std::optional<SampleUnpacker> unpacker;
    std::unique_ptr<PacketDecoder> decoder;

    // Channel mixing: lanes are the channels that are resampled, one per output channel, or
    // a single one for mono, which then goes to every output channel.
    enum class Mix { Same, Mono, Matrix } mix = Mix::Same;
    std::vector<float> matrix; // lanes x source channels
    unsigned lanes = 0;
    uint64_t pieceFrames = 0;
    std::vector<std::unique_ptr<Resampler>> resamplers;
    std::unique_ptr<WorkerThread> worker;
    bool dither = false;
    std::vector<Dither> dithers;

    std::vector<float> sourcePlanes, lanePlanes;
    std::vector<float*> sourcePtrs, lanePtrs;
    std::vector<const float*> laneOut;
    std::vector<size_t> laneProduced;
    std::vector<uint8_t> laneFailed;

    // Each output channel's quantised samples of the piece in hand, and its dither.
    std::vector<std::vector<uint8_t>> quantised;
    std::vector<std::vector<float>> noise;
    std::vector<uint8_t> held; // quantised output not yet handed to the sink
    uint64_t framesIn = 0, framesOut = 0;

    bool fail(std::string why) {
        error = std::move(why);
        return false;
    }
    bool setUpMixing(std::string& why);
    bool process(const float* const* planes, size_t frames, const Sink& sink);
    template <typename Job> void forLanes(const Job& job, const std::function<void()>& meanwhile);
    bool runPiece(const uint8_t* raw, const float* const* planes, size_t frames, const Sink& sink);
    bool batches() const { return unpacker && mix != Mix::Matrix && !shaping.listener; }
    bool runBatch(const uint8_t* raw, size_t frames, const Sink& sink);
    bool gather(size_t produced, size_t frames);
    bool lanesAgree();
    void gainLane(unsigned lane, size_t frames);
    void listen(size_t frames);
    void quantiseLane(unsigned lane, const float* x, size_t frames, size_t at = 0);
    void interleave(size_t frames, uint8_t* out) const;
    bool release(size_t keep, const Sink& sink);
};

bool ConversionStream::Impl::setUpMixing(std::string& why) {
    const unsigned in = src.record.nChannels, out = dst.nChannels;
    if (in == 1) {
        mix = Mix::Mono;
        lanes = 1;
        return true;
    }
    lanes = out;
    if (!ChannelMix::gains(in, src.channelMask, out, matrix, why)) {
        return false;
    }
    // Channels that go through unchanged need no mixing pass.
    bool identity = in == out;
    for (unsigned l = 0; identity && l < out; ++l) {
        for (unsigned c = 0; c < in; ++c) {
            identity = identity && matrix[l * in + c] == (l == c ? 1.0f : 0.0f);
        }
    }
    mix = identity ? Mix::Same : Mix::Matrix;
    return true;
}

ConversionStream::ConversionStream() : d(std::make_unique<Impl>()) {}
ConversionStream::~ConversionStream() = default;

bool ConversionStream::open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
                            const WaveFormatEx& destination, Purpose purpose) {
    return open(source, sourceExtra, destination, purpose, Shaping{});
}

bool ConversionStream::open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
                            const WaveFormatEx& destination, Purpose purpose, Shaping shaping) {
    d = std::make_unique<Impl>();
    LibraryMessages::capture();
    d->probe = purpose == Purpose::Probe;
    d->measure = purpose == Purpose::Measure || purpose == Purpose::MeasureAtSourceRate;
    d->shaping = std::move(shaping);
    d->dst = destination;
    const unsigned outBits = destination.wBitsPerSample;
    if (destination.wFormatTag != TagPcm || destination.nChannels == 0 ||
        destination.nChannels > 2 || destination.nSamplesPerSec == 0 ||
        destination.nSamplesPerSec > MaxRate || (outBits != 8 && outBits != 16 && outBits != 32) ||
        destination.nBlockAlign != destination.nChannels * outBits / 8) {
        return d->fail("the output format must be PCM with 8, 16 or 32 bits and 1 or 2 channels");
    }
    std::string why;
    if (!SourceFormat::resolve(source, sourceExtra, d->src, why)) {
        return d->fail(why);
    }
    const SourceFormat& src = d->src;
    if (source.nSamplesPerSec > MaxRate) {
        return d->fail("sample rate " + std::to_string(source.nSamplesPerSec) + " out of range");
    }
    d->copy = src.sameBytesAs(destination) && !d->measure && !d->shaping.active();
    if (d->copy) {
        d->open = true;
        return true;
    }
    if (src.plain()) {
        d->unpacker.emplace(src);
    } else {
        d->decoder = std::make_unique<PacketDecoder>();
        if (!d->decoder->open(src)) {
            return d->fail(d->decoder->error());
        }
    }
    if (!d->setUpMixing(why)) {
        return d->fail(why);
    }
    const uint32_t inRate = source.nSamplesPerSec, outRate = destination.nSamplesPerSec;
    if (!Resampler::accepts(inRate, outRate, why)) {
        return d->fail(why);
    }
    d->pieceFrames = std::clamp<uint64_t>(
        std::min({PieceFrames, PieceSamples / source.nChannels, PieceFrames * inRate / outRate}), 1,
        PieceFrames);
    // Sound of more bits than the output carries, and anything resampled or mixed, has
    // fractions of a step that are dithered rather than cut off.
    const unsigned inBits = src.plain() ? std::min(src.container * 8, 32u) : 32;
    const bool floatIn = src.sample == SourceFormat::Sample::F32 ||
                         src.sample == SourceFormat::Sample::F64 || !src.plain();
    d->dither = outBits <= 16 && (inBits > outBits || floatIn || inRate != outRate ||
                                  d->mix == Impl::Mix::Matrix || d->shaping.gain != 1.0f);
    if (!d->probe) {
        // Sound measured at its own rate goes through resamplers that pass it unchanged.
        const uint32_t toRate = purpose == Purpose::MeasureAtSourceRate ? inRate : outRate;
        for (unsigned l = 0; l < d->lanes; ++l) {
            d->resamplers.push_back(std::make_unique<Resampler>());
            if (!d->resamplers.back()->open(inRate, toRate, why)) {
                return d->fail(why);
            }
        }
        for (unsigned c = 0; c < destination.nChannels; ++c) {
            d->dithers.emplace_back(0x9E3779B9u * (c + 1));
        }
        // Resampling is the work worth sharing: the lanes of a piece run side by side.
        if (inRate != toRate && d->lanes > 1 && std::thread::hardware_concurrency() > 1) {
            d->worker = std::make_unique<WorkerThread>();
        }
        const size_t frames = d->pieceFrames;
        d->sourcePlanes.resize(frames * source.nChannels);
        for (unsigned c = 0; c < source.nChannels; ++c) {
            d->sourcePtrs.push_back(d->sourcePlanes.data() + c * frames);
        }
        if (d->mix == Impl::Mix::Matrix) {
            d->lanePlanes.resize(frames * d->lanes);
            for (unsigned l = 0; l < d->lanes; ++l) {
                d->lanePtrs.push_back(d->lanePlanes.data() + l * frames);
            }
        }
        d->gained.resize(d->lanes);
        d->quantised.resize(destination.nChannels);
        d->noise.resize(destination.nChannels);
        d->laneOut.resize(d->lanes);
        d->laneProduced.resize(d->lanes);
        d->laneFailed.resize(d->lanes);
    }
    d->open = true;
    return true;
}

size_t ConversionStream::pieceBytes() const {
    if (d->copy) {
        return PieceFrames * d->src.record.nBlockAlign;
    }
    if (d->decoder) {
        return d->decoder->pieceBytes();
    }
    return d->pieceFrames * (d->batches() ? BatchPieces : 1) * d->src.record.nBlockAlign;
}

// Runs `job` for every lane, odd lanes on the worker and even ones here when there is one;
// `meanwhile` (handing over the previous piece's output) runs first on the worker, which
// balances its share against the reading done here.
template <typename Job>
void ConversionStream::Impl::forLanes(const Job& job, const std::function<void()>& meanwhile) {
    if (!worker) {
        meanwhile();
        for (unsigned l = 0; l < lanes; ++l) {
            job(l);
        }
        return;
    }
    worker->start([&] {
        meanwhile();
        for (unsigned l = 1; l < lanes; l += 2) {
            job(l);
        }
    });
    for (unsigned l = 0; l < lanes; l += 2) {
        job(l);
    }
    worker->wait();
}

// One piece through every lane: each lane unpacks its own channel (when the input is plain
// and needs no mixing), resamples it and quantises the result; meanwhile what the previous
// piece gave goes to the sink. The lanes' samples are then put side by side in the output's
// frames. No input means the end: the filters are flushed.
bool ConversionStream::Impl::runPiece(const uint8_t* raw, const float* const* planes, size_t frames,
                                      const Sink& sink) {
    bool released = true;
    forLanes(
        [&](unsigned l) {
            const float* in = nullptr;
            if (raw) {
                unpacker->unpackChannel(raw, frames, l, sourcePtrs[l]);
                in = sourcePtrs[l];
            } else if (planes) {
                in = planes[l];
            }
            laneFailed[l] = !resamplers[l]->process(in, frames, laneOut[l], laneProduced[l]);
            if (!laneFailed[l]) {
                gainLane(l, laneProduced[l]);
                if (!measure) {
                    quantiseLane(l, laneOut[l], laneProduced[l]);
                }
            }
        },
        [&] { released = release(HeldFrames, sink); });
    if (!released) {
        return false;
    }
    if (!lanesAgree()) {
        return false;
    }
    listen(laneProduced[0]);
    return gather(laneProduced[0], frames);
}

// Every lane resampled its input, to the same number of frames; false (with the reason) when not.
bool ConversionStream::Impl::lanesAgree() {
    for (unsigned l = 0; l < lanes; ++l) {
        if (laneFailed[l]) {
            return fail("the resampler failed");
        }
        if (laneProduced[l] != laneProduced[0]) {
            return fail("the channels were resampled to different lengths");
        }
    }
    return true;
}

// The output of `frames` input frames, `produced` in every lane's rows, joins what is held.
bool ConversionStream::Impl::gather(size_t produced, size_t frames) {
    framesIn += frames;
    framesOut += produced;
    if (!measure) {
        const size_t start = held.size();
        held.resize(start + produced * dst.nBlockAlign);
        interleave(produced, held.data() + start);
    }
    return true;
}

// Up to BatchPieces pieces of plain input: each lane unpacks, resamples and quantises them
// one after another into its rows, while what the previous batch gave goes to the sink.
bool ConversionStream::Impl::runBatch(const uint8_t* raw, size_t frames, const Sink& sink) {
    bool released = true;
    const size_t align = src.record.nBlockAlign;
    forLanes(
        [&](unsigned l) {
            size_t made = 0;
            laneFailed[l] = false;
            for (size_t done = 0; done < frames && !laneFailed[l];) {
                const size_t n = std::min<size_t>(pieceFrames, frames - done);
                unpacker->unpackChannel(raw + done * align, n, l, sourcePtrs[l]);
                laneFailed[l] =
                    !resamplers[l]->process(sourcePtrs[l], n, laneOut[l], laneProduced[l]);
                if (!laneFailed[l]) {
                    gainLane(l, laneProduced[l]);
                    quantiseLane(l, laneOut[l], laneProduced[l], made);
                    made += laneProduced[l];
                }
                done += n;
            }
            laneProduced[l] = made;
        },
        [&] { released = release(HeldFrames, sink); });
    if (!released) {
        return false;
    }
    if (!lanesAgree()) {
        return false;
    }
    return gather(laneProduced[0], frames);
}

// The gain on one lane's output of a piece.
void ConversionStream::Impl::gainLane(unsigned lane, size_t frames) {
    if (frames == 0 || shaping.gain == 1.0f) {
        return;
    }
    std::vector<float>& g = gained[lane];
    g.resize(std::max(g.size(), frames));
    const float* x = laneOut[lane];
    for (size_t i = 0; i < frames; ++i) {
        g[i] = x[i] * shaping.gain;
    }
    laneOut[lane] = g.data();
}

// The listener sees the lanes' output of a piece, gain included, one row per output channel.
void ConversionStream::Impl::listen(size_t frames) {
    if (frames == 0 || !shaping.listener) {
        return;
    }
    listened.assign(dst.nChannels, laneOut[0]);
    if (mix != Mix::Mono) {
        std::copy(laneOut.begin(), laneOut.end(), listened.begin());
    }
    shaping.listener(listened.data(), dst.nChannels, frames);
}

// Quantises a lane into its output channels' own rows (a mono lane feeds every one). The
// loops have no branches, so the compiler can work on several samples at once.
// `at` is where in the rows the piece starts, in frames.
void ConversionStream::Impl::quantiseLane(unsigned lane, const float* x, size_t frames, size_t at) {
    const size_t width = dst.wBitsPerSample / 8;
    const unsigned first = mix == Mix::Mono ? 0 : lane;
    const unsigned last = mix == Mix::Mono ? dst.nChannels : lane + 1;
    for (unsigned c = first; c < last; ++c) {
        std::vector<uint8_t>& row = quantised[c];
        row.resize((at + frames) * width);
        uint8_t* const into = row.data() + at * width;
        if (width == 4) {
            for (size_t i = 0; i < frames; ++i) {
                const double v = static_cast<double>(x[i]) * 2147483648.0;
                const int32_t s = v >= 2147483647.0    ? INT32_MAX
                                  : v >= -2147483648.0 ? static_cast<int32_t>(std::floor(v + 0.5))
                                  : v < -2147483648.0  ? INT32_MIN
                                                       : 0;
                std::memcpy(into + i * 4, &s, 4);
            }
            continue;
        }
        const float scale = width == 2 ? 32768.0f : 128.0f;
        const float low = -scale, high = scale - 1, offset = scale + 0.5f;
        const int zero = static_cast<int>(scale);
        std::vector<float>& n = noise[c];
        n.resize(Dither::rounded(frames));
        if (dither) {
            dithers[c].fill(n.data(), frames);
        } else {
            std::fill(n.begin(), n.end(), 0.0f);
        }
        const float* d = n.data();
        // NaN becomes silence; beyond full scale is clipped; then to the nearest step.
        const auto step = [&](size_t i) {
            float v = x[i] * scale + d[i];
            v = v == v ? std::min(std::max(v, low), high) : 0.0f;
            return static_cast<int>(v + offset) - zero;
        };
        if (width == 2) {
            int16_t* q = reinterpret_cast<int16_t*>(into);
            for (size_t i = 0; i < frames; ++i) {
                q[i] = static_cast<int16_t>(step(i));
            }
        } else {
            uint8_t* q = into;
            for (size_t i = 0; i < frames; ++i) {
                q[i] = static_cast<uint8_t>(step(i) + 128);
            }
        }
    }
}

// The channels' rows side by side, frame by frame.
void ConversionStream::Impl::interleave(size_t frames, uint8_t* out) const {
    const unsigned channels = dst.nChannels;
    const size_t width = dst.wBitsPerSample / 8;
    if (channels == 1) {
        std::memcpy(out, quantised[0].data(), frames * width);
        return;
    }
    if (width == 2) {
        const int16_t* a = reinterpret_cast<const int16_t*>(quantised[0].data());
        const int16_t* b = reinterpret_cast<const int16_t*>(quantised[1].data());
        int16_t* o = reinterpret_cast<int16_t*>(out);
        for (size_t i = 0; i < frames; ++i) {
            o[2 * i] = a[i];
            o[2 * i + 1] = b[i];
        }
        return;
    }
    for (size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            std::memcpy(out + (i * channels + c) * width, quantised[c].data() + i * width, width);
        }
    }
}

// Hands everything but the last `keep` frames to the sink.
bool ConversionStream::Impl::release(size_t keep, const Sink& sink) {
    const size_t keepBytes = keep * dst.nBlockAlign;
    if (held.size() <= keepBytes) {
        return true;
    }
    const size_t n = held.size() - keepBytes;
    if (!sink(held.data(), n)) {
        return fail("the converted sound could not be written");
    }
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

bool ConversionStream::Impl::process(const float* const* planes, size_t frames, const Sink& sink) {
    const unsigned in = src.record.nChannels;
    std::vector<const float*> piece(in);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min<size_t>(pieceFrames, frames - done);
        for (unsigned c = 0; c < in; ++c) {
            piece[c] = planes[c] + done;
        }
        if (mix == Mix::Matrix) {
            for (unsigned l = 0; l < lanes; ++l) {
                float* o = lanePtrs[l];
                std::fill_n(o, n, 0.0f);
                for (unsigned c = 0; c < in; ++c) {
                    const float k = matrix[l * in + c];
                    if (k != 0) {
                        for (size_t i = 0; i < n; ++i) {
                            o[i] += k * piece[c][i];
                        }
                    }
                }
            }
        }
        if (!runPiece(nullptr, mix == Mix::Matrix ? lanePtrs.data() : piece.data(), n, sink)) {
            return false;
        }
        done += n;
    }
    return true;
}

bool ConversionStream::convert(const uint8_t* data, size_t n, const Sink& sink) {
    if (!d->open) {
        return d->fail("the conversion is not open");
    }
    if (d->copy) {
        const size_t whole = n / d->src.record.nBlockAlign * d->src.record.nBlockAlign;
        return whole == 0 || sink(data, whole) || d->fail("the sound could not be written");
    }
    if (d->decoder) {
        const bool ok = d->decoder->decode(data, n, [&](const float* const* planes, size_t frames) {
            return d->process(planes, frames, sink);
        });
        if (!ok && d->error.empty()) {
            d->fail(d->decoder->error());
        }
        return ok;
    }
    const size_t align = d->src.record.nBlockAlign;
    const size_t most = d->pieceFrames * (d->batches() ? BatchPieces : 1);
    for (size_t frames = n / align; frames > 0;) {
        const size_t piece = std::min<size_t>(frames, most);
        if (d->batches()) {
            if (!d->runBatch(data, piece, sink)) {
                return false;
            }
        } else if (d->mix == Impl::Mix::Matrix) {
            d->unpacker->unpack(data, piece, d->sourcePtrs.data());
            if (!d->process(d->sourcePtrs.data(), piece, sink)) {
                return false;
            }
        } else if (!d->runPiece(data, nullptr, piece, sink)) {
            return false;
        }
        data += piece * align;
        frames -= piece;
    }
    return true;
}

bool ConversionStream::finish(const Sink& sink) {
    if (!d->open) {
        return d->fail("the conversion is not open");
    }
    if (d->copy) {
        return true;
    }
    if (d->decoder && !d->decoder->finish([&](const float* const* planes, size_t frames) {
            return d->process(planes, frames, sink);
        })) {
        return d->error.empty() ? d->fail(d->decoder->error()) : false;
    }
    do {
        if (!d->runPiece(nullptr, nullptr, 0, sink)) {
            return false;
        }
    } while (d->laneProduced[0] > 0);
    if (d->measure) {
        return true; // the listener has seen all there is; no sound goes out
    }
    if (d->measure) {
        return true; // the listener has seen all there is; no sound goes out
    }
    // Exactly as long as the input lasted, to the nearest output frame.
    const uint64_t inRate = d->src.record.nSamplesPerSec, outRate = d->dst.nSamplesPerSec;
    const uint64_t wanted = (d->framesIn * outRate + inRate / 2) / inRate;
    const size_t align = d->dst.nBlockAlign;
    if (d->framesOut > wanted) {
        const uint64_t extra = std::min<uint64_t>(d->framesOut - wanted, d->held.size() / align);
        d->held.resize(d->held.size() - extra * align);
    } else if (d->framesOut < wanted) {
        const uint8_t silence = d->dst.wBitsPerSample == 8 ? 0x80 : 0;
        d->held.resize(d->held.size() + (wanted - d->framesOut) * align, silence);
    }
    d->framesOut = wanted;
    return d->release(0, sink);
}

uint64_t ConversionStream::tenSecondBlock() const {
    return d->src.tenSecondBlock();
}

uint64_t ConversionStream::outputBytesFor(uint64_t sourceBytes) const {
    const WaveFormatEx& s = d->src.record;
    if (d->copy) {
        return sourceBytes / s.nBlockAlign * s.nBlockAlign;
    }
    const uint64_t frames = d->src.framesIn(sourceBytes);
    const uint64_t inRate = s.nSamplesPerSec, outRate = d->dst.nSamplesPerSec;
    return (frames * outRate + inRate / 2) / inRate * d->dst.nBlockAlign;
}

bool ConversionStream::copiesBytes() const {
    return d->copy;
}

const std::string& ConversionStream::error() const {
    return d->error;
}
