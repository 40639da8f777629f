#include "wav/Resampler.h"

#include "wav/LibraryMessages.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

} // namespace

// The largest step one filter takes: beyond it the library's filters grow to tens of
// megabytes.
constexpr uint64_t MaxStep = 16;

struct Resampler::Impl {
    // Below 1/16 of the output rate the sound goes up in two steps, each through the same
    // kind of filter: the first one keeps the images of the input out, the second has
    // nothing left to remove above its input's band.
    std::vector<std::unique_ptr<SwrContext, SwrFree>> stages;
    std::vector<std::vector<float>> outs; // one per stage
    bool run(size_t stage, const float* in, size_t frames, bool flush, size_t& produced);

    // Below 1/256 of the output rate (172 Hz for 44.1 kHz), where no recording's sound lies,
    // straight lines between the samples: a third step's filter would hand on bursts of
    // hundreds of megabytes, as the library's filters release their output in blocks.
    bool linear = false;
    uint64_t inRate = 0, outRate = 0;
    uint64_t seen = 0, next = 0; // input samples taken, index of the next output sample
    float last = 0;              // input sample seen - 1
    std::vector<float> lines;
    bool linearProcess(const float* in, size_t frames, size_t& produced);
};

Resampler::Resampler() : d(std::make_unique<Impl>()) {}
Resampler::~Resampler() = default;

bool Resampler::open(uint32_t inRate, uint32_t outRate, std::string& why) {
    d = std::make_unique<Impl>();
    if (inRate == outRate) {
        return true;
    }
    LibraryMessages::capture();
    const auto refuse = [&] {
        const std::string detail = LibraryMessages::take();
        why = "the resampler does not take " + std::to_string(inRate) + " Hz to " +
              std::to_string(outRate) + " Hz" + (detail.empty() ? "" : " (" + detail + ")");
        d->stages.clear();
        return false;
    };
    if (inRate > INT32_MAX || outRate > INT32_MAX) {
        return refuse();
    }
    if (uint64_t{inRate} * MaxStep * MaxStep < outRate) {
        d->linear = true;
        d->inRate = inRate;
        d->outRate = outRate;
        return true;
    }
    for (uint64_t from = inRate; from != outRate;) {
        const uint64_t to = from * MaxStep < outRate ? from * MaxStep : outRate;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_FLT, static_cast<int>(to), &mono,
                                AV_SAMPLE_FMT_FLT, static_cast<int>(from), 0, nullptr) < 0) {
            return refuse();
        }
        d->stages.emplace_back(raw);
        av_opt_set_int(raw, "resampler", SWR_ENGINE_SOXR, 0);
        av_opt_set_double(raw, "precision", 20, 0);
        av_opt_set_double(raw, "cutoff", 0.95, 0);
        av_opt_set_sample_fmt(raw, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
        if (swr_init(raw) < 0) {
            return refuse();
        }
        from = to;
    }
    d->outs.resize(d->stages.size());
    return true;
}

bool Resampler::accepts(uint32_t inRate, uint32_t outRate, std::string& why) {
    static std::mutex lock;
    static std::map<std::pair<uint32_t, uint32_t>, std::string> answers;
    const std::lock_guard<std::mutex> held(lock);
    const auto key = std::make_pair(inRate, outRate);
    auto known = answers.find(key);
    if (known == answers.end()) {
        Resampler probe;
        std::string reason;
        probe.open(inRate, outRate, reason);
        known = answers.emplace(key, reason).first;
    }
    why = known->second;
    return why.empty();
}

// Runs `frames` samples of `in` (none when null) through stage `stage` into outs[stage],
// then, with `flush`, drains what the filter still holds (which may take several calls).
bool Resampler::Impl::run(size_t stage, const float* in, size_t frames, bool flush,
                          size_t& produced) {
    SwrContext* s = stages[stage].get();
    std::vector<float>& out = outs[stage];
    produced = 0;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    const int count = in ? static_cast<int>(frames) : 0;
    for (bool feeding = in != nullptr;;) {
        const int64_t bound = swr_get_out_samples(s, feeding ? count : 0);
        if (bound < 0) {
            return false;
        }
        const int room = static_cast<int>(bound + 64);
        if (out.size() < produced + static_cast<size_t>(room)) {
            out.resize(produced + static_cast<size_t>(room));
        }
        uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + produced);
        const int got = swr_convert(s, &dst, room, feeding ? &src : nullptr, feeding ? count : 0);
        if (got < 0) {
            return false;
        }
        produced += static_cast<size_t>(got);
        if (feeding) {
            // Input is taken whole in one call.
            feeding = false;
            if (!flush) {
                return true;
            }
        } else if (got == 0) {
            return true;
        }
    }
}

bool Resampler::Impl::linearProcess(const float* in, size_t frames, size_t& produced) {
    // Output sample k stands at input position k x inRate / outRate.
    const uint64_t available = seen + (in ? frames : 0);
    uint64_t count = 0;
    for (uint64_t k = next;; ++k) {
        const uint64_t i = k * inRate / outRate;
        if (in ? i + 1 >= available : i >= available) {
            break;
        }
        ++count;
    }
    lines.resize(std::max<size_t>(lines.size(), count));
    for (uint64_t j = 0; j < count; ++j, ++next) {
        const uint64_t i = next * inRate / outRate;
        const float frac =
            static_cast<float>(next * inRate % outRate) / static_cast<float>(outRate);
        const float a = i < seen ? last : in[i - seen];
        // At the end the last sample is held.
        const float b = i + 1 < available ? (i + 1 < seen ? last : in[i + 1 - seen]) : a;
        lines[j] = a + (b - a) * frac;
    }
    if (in && frames > 0) {
        last = in[frames - 1];
        seen = available;
    }
    produced = count;
    return true;
}

bool Resampler::process(const float* in, size_t frames, const float*& out, size_t& produced) {
    if (d->linear) {
        const bool ok = d->linearProcess(in, frames, produced);
        out = d->lines.data();
        return ok;
    }
    // At the end each stage hands what it still held to the next, which is then drained in
    // its turn.
    const bool flush = in == nullptr;
    const float* x = in;
    size_t n = flush ? 0 : frames;
    for (size_t k = 0; k < d->stages.size(); ++k) {
        size_t made = 0;
        if (!d->run(k, x, n, flush, made)) {
            return false;
        }
        x = d->outs[k].data();
        n = made;
    }
    out = x;
    produced = n;
    return true;
}
