#include "wav/ChannelMix.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr float Half = 0.70710678f; // -3 dB
constexpr float Quarter = 0.5f;     // -6 dB
constexpr unsigned NamedPlaces = 18;

struct Sides {
    float left, right;
};

// Left and right gains of each named place, in the order of the mask's bits.
constexpr std::array<Sides, NamedPlaces> PlaceGains{{
    {1, 0},             // front left
    {0, 1},             // front right
    {Half, Half},       // front centre
    {0, 0},             // low frequency
    {Half, 0},          // back left
    {0, Half},          // back right
    {1, 0},             // front left of centre
    {0, 1},             // front right of centre
    {Quarter, Quarter}, // back centre
    {Half, 0},          // side left
    {0, Half},          // side right
    {Quarter, Quarter}, // top centre
    {Half, 0},          // top front left
    {Quarter, Quarter}, // top front centre
    {0, Half},          // top front right
    {Half, 0},          // top back left
    {Quarter, Quarter}, // top back centre
    {0, Half},          // top back right
}};

// The masks of the places usual for 0 to 8 channels without a mask of their own.
constexpr std::array<uint64_t, 9> UsualPlaces{0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};

Sides sidesOf(unsigned channel, uint64_t mask) {
    // The channel's place is the mask's set bit of the same rank; a bit that names no
    // speaker gives no place.
    unsigned rank = 0;
    for (unsigned bit = 0; bit < 64; ++bit) {
        if ((mask >> bit & 1) && rank++ == channel && bit < NamedPlaces) {
            return PlaceGains[bit];
        }
    }
    return channel % 2 == 0 ? Sides{1, 0} : Sides{0, 1};
}

} // namespace

bool ChannelMix::gains(unsigned in, uint64_t mask, unsigned outChannels, std::vector<float>& out,
                       std::string& why) {
    out.clear();
    // Two channels are left and right unless their mask says otherwise.
    const bool placed = in != 2 || mask == 0 || (mask & 0x3) == 0x3;
    if (in == outChannels && placed) {
        out.assign(static_cast<size_t>(in) * in, 0.0f);
        for (unsigned c = 0; c < in; ++c) {
            out[c * in + c] = 1;
        }
        return true;
    }
    if (in == 0 || (outChannels != 1 && outChannels != 2)) {
        why = "cannot mix " + std::to_string(in) + " channels into " + std::to_string(outChannels);
        return false;
    }
    if (mask == 0 && in < UsualPlaces.size()) {
        mask = UsualPlaces[in];
    }
    std::vector<Sides> sides(in);
    for (unsigned c = 0; c < in; ++c) {
        sides[c] = in == 1 ? Sides{1, 1} : sidesOf(c, mask);
    }
    float left = 0, right = 0;
    for (const Sides& s : sides) {
        left += s.left;
        right += s.right;
    }
    const float scale = 1.0f / std::max({1.0f, left, right});
    out.resize(static_cast<size_t>(outChannels) * in);
    for (unsigned c = 0; c < in; ++c) {
        if (outChannels == 1) {
            out[c] = (sides[c].left + sides[c].right) * 0.5f * scale;
        } else {
            out[c] = sides[c].left * scale;
            out[in + c] = sides[c].right * scale;
        }
    }
    return true;
}
