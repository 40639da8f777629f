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

SourceFormat::Sample plainSample(uint16_t tag, unsigned container) {
    using S = SourceFormat::Sample;
    if (tag == TagPcm) {
        switch (container) {
        case 1:
            return S::U8;
        case 2:
            return S::S16;
        case 3:
            return S::S24;
        case 4:
            return S::S32;
        case 8:
            return S::S64;
        default:
            return S::None;
        }
    }
    if (tag == TagFloat) {
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
    // Bytes of a frame beyond its samples are padding.
    out.container = record.nBlockAlign / record.nChannels;
    out.sample = plainSample(out.tag, out.container);
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
