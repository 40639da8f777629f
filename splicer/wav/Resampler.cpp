#include "wav/Resampler.h"

#include "wav/LibraryMessages.h"

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
    std::vector<float> out;
};

Resampler::Resampler() : d(std::make_unique<Impl>()) {}
Resampler::~Resampler() = default;

bool Resampler::open(uint32_t inRate, uint32_t outRate, std::string& why) {
    d->swr.reset();
    if (inRate == outRate)
        return true;
    LibraryMessages::capture();
    const auto refuse = [&] {
        const std::string detail = LibraryMessages::take();
        why = "the resampler does not take " + std::to_string(inRate) + " Hz to " +
              std::to_string(outRate) + " Hz" + (detail.empty() ? "" : " (" + detail + ")");
        d->swr.reset();
        return false;
    };
    if (inRate > INT32_MAX || outRate > INT32_MAX)
        return refuse();
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_FLT, static_cast<int>(outRate), &mono,
                            AV_SAMPLE_FMT_FLT, static_cast<int>(inRate), 0, nullptr) < 0)
        return refuse();
    d->swr.reset(raw);
    av_opt_set_int(raw, "resampler", SWR_ENGINE_SOXR, 0);
    av_opt_set_double(raw, "precision", 28, 0);
    av_opt_set_double(raw, "cutoff", 0.95, 0);
    av_opt_set_sample_fmt(raw, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    if (swr_init(raw) < 0)
        return refuse();
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

size_t Resampler::maxOutput(size_t frames) const {
    if (!d->swr)
        return frames;
    const int64_t bound = swr_get_out_samples(d->swr.get(), static_cast<int>(frames));
    return bound < 0 ? 0 : static_cast<size_t>(bound) + 64;
}

bool Resampler::process(const float* in, size_t frames, const float*& out, size_t& produced) {
    produced = 0;
    out = in;
    if (!d->swr) {
        produced = in ? frames : 0;
        return true;
    }
    SwrContext* s = d->swr.get();
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    // Input is taken whole in one call; a flush may take several.
    for (;;) {
        const int64_t room = static_cast<int64_t>(maxOutput(in ? frames : 0));
        if (room <= 0 || room > INT32_MAX)
            return false;
        if (d->out.size() < produced + static_cast<size_t>(room))
            d->out.resize(produced + static_cast<size_t>(room));
        uint8_t* dst = reinterpret_cast<uint8_t*>(d->out.data() + produced);
        const int got = swr_convert(s, &dst, static_cast<int>(room), in ? &src : nullptr,
                                    in ? static_cast<int>(frames) : 0);
        if (got < 0)
            return false;
        produced += static_cast<size_t>(got);
        if (in || got == 0)
            break;
    }
    out = d->out.data();
    return true;
}
