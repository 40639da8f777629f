#pragma once
// One channel of sound from one sample rate to another: the soxr engine of libswresample at
// 20-bit precision with the pass band up to 95 % of the lower Nyquist frequency, 32-bit float
// in and out. Rates below 1/16 of the output's go up in two steps through the same filters;
// below 1/256 of it (no music is recorded there), straight lines between the samples. Finer
// precision costs a fifth more time and changes nothing that 16-bit output can carry. At equal
// rates the sound passes unchanged.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Resampler {
public:
    Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;
    ~Resampler();

    // False, with the reason in `why`, when the resampler refuses this pair of rates.
    bool open(uint32_t inRate, uint32_t outRate, std::string& why);
    // Whether open() would succeed, answered once per pair of rates in a process (designing
    // the filter takes tens of milliseconds).
    static bool accepts(uint32_t inRate, uint32_t outRate, std::string& why);

    // Resamples `frames` samples; `out` then points at `produced` samples, valid until the
    // next call. Null `in` flushes what the filter still holds; flushing again gives
    // nothing more.
    bool process(const float* in, size_t frames, const float*& out, size_t& produced);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
