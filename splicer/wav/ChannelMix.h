#pragma once
// How the channels of an input reach the channels of the output, as gains (output rows,
// input columns).
//
// Each input channel first gets its speaker place: from the channel mask of an extensible
// record (the lowest set bit names the first channel, and so on; channels beyond the mask's
// bits have no place), or, without a mask, the places usual for that many channels
// (3: FL FR FC; 4: FL FR BL BR; 5: FL FR FC BL BR; 6: FL FR FC LFE BL BR; 7: FL FR FC LFE BC
// SL SR; 8: FL FR FC LFE BL BR SL SR; more than 8: none).
//
// To two channels: left and right speakers go to their side at full level; the centre
// speakers and the surround, back and top speakers of a side at -3 dB (those in the middle
// at -3 dB to both sides, back and top centre at -6 dB to both); the LFE channel is left out.
// A channel without a place goes to the left when it is the 1st, 3rd, 5th... channel and to
// the right otherwise, at full level. When a side's gains add up to more than 1, every gain
// is scaled down by the same factor, so that no mix can clip and the balance stays.
// To one channel: the average of the two sides. To as many channels as the input has: each
// channel unchanged (but two channels whose mask names other places than left and right are
// mixed as above).

#include <cstdint>
#include <string>
#include <vector>

namespace ChannelMix {

// False, with the reason in `why`, for a pair of channel counts that is not mixed.
bool gains(unsigned inChannels, uint64_t channelMask, unsigned outChannels, std::vector<float>& out,
           std::string& why);

} // namespace ChannelMix
