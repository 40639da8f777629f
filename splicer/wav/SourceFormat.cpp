#include "wav/SourceFormat.h"

#include "wav/LittleEndian.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint16_t TagPcm = 1;
constexpr uint16_t TagMsAdpcm = 2;
constexpr uint16_t TagFloat = 3;
constexpr uint16_t TagALaw = 6;
constexpr uint16_t TagMuLaw = 7;
constexpr uint16_t TagImaAdpcm = 0x11;
constexpr uint16_t TagGsm = 0x31;
constexpr uint16_t TagExtensible = 0xFFFE;
constexpr uint16_t MaxChannels = 64;

bool storesSamples(uint16_t tag) {
    return tag == TagPcm || tag == TagFloat || tag == TagALaw || tag == TagMuLaw;
}

SourceFormat::Sample plainSample(uint16_t tag, unsigned container, unsigned bits) {
    using S = SourceFormat::Sample;
    if (tag == TagPcm && container >= 1 && container <= 8) {
        // Every width of container, whatever number of its bits is used: the samples are
        // left-justified in it, so reading the whole container gives their value.
        constexpr S byWidth[] = {S::U8, S::S16, S::S24, S::S32, S::S40, S::S48, S::S56, S::S64};
        return byWidth[container - 1];
    }
    if (tag == TagFloat) {
        if (bits == 32 || bits == 64) {
            return bits == 32 ? S::F32 : S::F64;
        }
        return container == 4 ? S::F32 : container == 8 ? S::F64 : S::None;
    }
    if ((tag == TagALaw || tag == TagMuLaw) && container == 1) {
        return tag == TagALaw ? S::ALaw : S::MuLaw;
    }
    return S::None;
}

} // namespace

bool SourceFormat::resolve(const WaveFormatEx& record, const std::vector<uint8_t>& extra,
                           SourceFormat& out, std::string& why) {
    out = SourceFormat{};
    out.record = record;
    out.extra = extra;
    if (record.nChannels == 0 || record.nChannels > MaxChannels) {
        why = "channel count " + std::to_string(record.nChannels) + " out of range";
        return false;
    }
    if (record.nSamplesPerSec == 0) {
        why = "sample rate of 0";
        return false;
    }
    if (record.nBlockAlign == 0) {
        why = "block align of 0";
        return false;
    }
    out.tag = record.wFormatTag;
    if (record.wFormatTag == TagExtensible) {
        // The sub-format GUID shares its last twelve bytes with every WAVE tag it stands for.
        static constexpr std::array<uint8_t, 12> base{0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                      0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        const uint32_t sub = extra.size() >= 22 ? LittleEndian::read32(extra.data() + 6) : 0;
        if (extra.size() < 22 || !std::equal(base.begin(), base.end(), extra.begin() + 10) ||
            sub == 0 || sub > 0xFFFF || sub == TagExtensible) {
            why = "unknown extensible sub-format";
            return false;
        }
        out.tag = static_cast<uint16_t>(sub);
        out.channelMask = LittleEndian::read32(extra.data() + 2);
    }
    // Bytes of a frame beyond its samples are padding; a frame too small for its samples
    // says two different things, and reading it either way would give noise. So does a PCM
    // sample container wider than eight bytes: nothing tells where its bits lie in it.
    const unsigned sampleBytes = (record.wBitsPerSample + 7u) / 8u;
    const bool tooSmall = record.nBlockAlign < uint64_t{sampleBytes} * record.nChannels;
    const bool tooWide = out.tag == TagPcm && record.nBlockAlign / record.nChannels > 8;
    if (storesSamples(out.tag) && (tooSmall || tooWide)) {
        why = "block align " + std::to_string(record.nBlockAlign) + " does not fit " +
              std::to_string(record.nChannels) + " channels of " +
              std::to_string(record.wBitsPerSample) + " bits";
        return false;
    }
    out.container = record.nBlockAlign / record.nChannels;
    out.sample = plainSample(out.tag, out.container, record.wBitsPerSample);
    if (!out.plain() && record.nAvgBytesPerSec == 0) {
        why = "compressed format without a data rate";
        return false;
    }
    return true;
}

bool SourceFormat::sameBytesAs(const WaveFormatEx& d) const {
    const bool defaultLayout =
        channelMask == 0 || record.nChannels != 2 || channelMask == 0x3; // front left, right
    return tag == TagPcm && plain() && defaultLayout && d.wFormatTag == TagPcm &&
           record.nChannels == d.nChannels && record.nSamplesPerSec == d.nSamplesPerSec &&
           record.wBitsPerSample == d.wBitsPerSample && container * 8 == record.wBitsPerSample &&
           record.nBlockAlign == container * record.nChannels &&
           record.nBlockAlign == d.nBlockAlign;
}

uint64_t SourceFormat::tenSecondBlock() const {
    const WaveFormatEx& f = record;
    if (plain()) {
        return uint64_t{f.nBlockAlign} * f.nSamplesPerSec * 10;
    }
    return std::max<uint64_t>(1, uint64_t{f.nAvgBytesPerSec} * 10 / f.nBlockAlign) * f.nBlockAlign;
}

uint64_t SourceFormat::framesIn(uint64_t bytes) const {
    const WaveFormatEx& f = record;
    if (plain()) {
        return bytes / f.nBlockAlign;
    }
    uint64_t perBlock = 0;
    const unsigned ch = f.nChannels;
    if ((tag == TagImaAdpcm || tag == TagMsAdpcm) && extra.size() >= 2) {
        perBlock = LittleEndian::read16(extra.data());
    } else if (tag == TagImaAdpcm && f.nBlockAlign > 4 * ch) {
        perBlock = (f.nBlockAlign - 4 * ch) * 8 / (4 * ch) + 1;
    } else if (tag == TagGsm && f.nBlockAlign == 65 * ch) {
        perBlock = 320;
    }
    if (perBlock) {
        return bytes / f.nBlockAlign * perBlock;
    }
    return bytes * f.nSamplesPerSec / f.nAvgBytesPerSec;
}
