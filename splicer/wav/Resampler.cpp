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

struct Resampler::Impl {
    std::unique_ptr<SwrContext, SwrFree> swr;
    // Straight lines between samples, for rates far below any recording's.
    bool linear = false;
    uint64_t inRate = 0, outRate = 0;
    uint64_t seen = 0, next = 0; // input samples taken, index of the next output sample
    float last = 0;              // input sample seen - 1
    bool linearProcess(const float* in, size_t frames, size_t& produced);
    std::vector<float> out;
};

Resampler::Resampler() : d(std::make_unique<Impl>()) {}
Resampler::~Resampler() = default;

bool Resampler::open(uint32_t inRate, uint32_t outRate, std::string& why) {
    d = std::make_unique<Impl>();
    if (inRate == outRate) {
        return true;
    }
    // Far below any recording rate (under 1/16 of the output's) there are no high notes to
    // keep, and the filters of the library would grow to tens of megabytes.
    if (uint64_t{inRate} * 16 < outRate) {
        d->linear = true;
        d->inRate = inRate;
        d->outRate = outRate;
        return true;
    }
    LibraryMessages::capture();
    const auto refuse = [&] {
        const std::string detail = LibraryMessages::take();
        why = "the resampler does not take " + std::to_string(inRate) + " Hz to " +
              std::to_string(outRate) + " Hz" + (detail.empty() ? "" : " (" + detail + ")");
        d->swr.reset();
        return false;
    };
    if (inRate > INT32_MAX || outRate > INT32_MAX) {
        return refuse();
    }
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_FLT, static_cast<int>(outRate), &mono,
                            AV_SAMPLE_FMT_FLT, static_cast<int>(inRate), 0, nullptr) < 0) {
        return refuse();
    }
    d->swr.reset(raw);
    av_opt_set_int(raw, "resampler", SWR_ENGINE_SOXR, 0);
    av_opt_set_double(raw, "precision", 20, 0);
    av_opt_set_double(raw, "cutoff", 0.95, 0);
    av_opt_set_sample_fmt(raw, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    if (swr_init(raw) < 0) {
        return refuse();
    }
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
    out.resize(std::max<size_t>(out.size(), count));
    for (uint64_t j = 0; j < count; ++j, ++next) {
        const uint64_t i = next * inRate / outRate;
        const float frac =
            static_cast<float>(next * inRate % outRate) / static_cast<float>(outRate);
        const float a = i < seen ? last : in[i - seen];
        // At the end the last sample is held.
        const float b = i + 1 < available ? (i + 1 < seen ? last : in[i + 1 - seen]) : a;
        out[j] = a + (b - a) * frac;
    }
    if (in && frames > 0) {
        last = in[frames - 1];
        seen = available;
    }
    produced = count;
    return true;
}

bool Resampler::process(const float* in, size_t frames, const float*& out, size_t& produced) {
    produced = 0;
    out = in;
    if (d->linear) {
        const bool ok = d->linearProcess(in, frames, produced);
        out = d->out.data();
        return ok;
    }
    if (!d->swr) {
        produced = in ? frames : 0;
        return true;
    }
    SwrContext* s = d->swr.get();
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    const int count = in ? static_cast<int>(frames) : 0;
    // Input is taken whole in one call; a flush may take several.
    for (;;) {
        const int64_t bound = swr_get_out_samples(s, count);
        if (bound < 0) {
            return false;
        }
        const int room = static_cast<int>(bound + 64);
        if (d->out.size() < produced + static_cast<size_t>(room)) {
            d->out.resize(produced + static_cast<size_t>(room));
        }
        uint8_t* dst = reinterpret_cast<uint8_t*>(d->out.data() + produced);
        const int got = swr_convert(s, &dst, room, in ? &src : nullptr, count);
        if (got < 0) {
            return false;
        }
        produced += static_cast<size_t>(got);
        if (in || got == 0) {
            break;
        }
    }
    out = d->out.data();
    return true;
}
