#include "wav/PacketDecoder.h"

#include "wav/AdpcmBlocks.h"
#include "wav/CodecLibrary.h"
#include "wav/GsmBlocks.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace {

// A decoder object exists only once the decoder library is loaded.
const CodecLibrary& codecLibrary() {
    std::string unused;
    return *CodecLibrary::get(unused);
}
struct CodecContextFree {
    void operator()(AVCodecContext* c) const { codecLibrary().free_context(&c); }
};
struct ParserFree {
    void operator()(AVCodecParserContext* p) const { codecLibrary().parser_close(p); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { codecLibrary().packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

constexpr size_t PieceBytes = 64 * 1024;

// The compressed WAVE formats met most, so that the format library's whole table is loaded
// only for the rare others.
AVCodecID codecOfTag(uint16_t tag) {
    switch (tag) {
    case 0x0002:
        return AV_CODEC_ID_ADPCM_MS;
    case 0x0011:
        return AV_CODEC_ID_ADPCM_IMA_WAV;
    case 0x0020:
        return AV_CODEC_ID_ADPCM_YAMAHA;
    case 0x0022:
        return AV_CODEC_ID_TRUESPEECH;
    case 0x0031:
    case 0x0032:
        return AV_CODEC_ID_GSM_MS;
    case 0x0045:
    case 0x0064:
        return AV_CODEC_ID_ADPCM_G726;
    case 0x0050:
        return AV_CODEC_ID_MP2;
    case 0x0055:
        return AV_CODEC_ID_MP3;
    case 0x0061:
        return AV_CODEC_ID_ADPCM_IMA_DK4;
    case 0x0062:
        return AV_CODEC_ID_ADPCM_IMA_DK3;
    case 0x00FF:
        return AV_CODEC_ID_AAC;
    case 0x0160:
        return AV_CODEC_ID_WMAV1;
    case 0x0161:
        return AV_CODEC_ID_WMAV2;
    case 0x0162:
        return AV_CODEC_ID_WMAPRO;
    case 0x0163:
        return AV_CODEC_ID_WMALOSSLESS;
    case 0x028F:
        return AV_CODEC_ID_ADPCM_G722;
    case 0x2000:
        return AV_CODEC_ID_AC3;
    case 0x2001:
        return AV_CODEC_ID_DTS;
    default:
        return AV_CODEC_ID_NONE;
    }
}

float sampleAt(const uint8_t* p, AVSampleFormat packed) {
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        return (static_cast<int>(*p) - 128) * (1.0f / 128);
    case AV_SAMPLE_FMT_S16: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return v * (1.0f / 32768);
    }
    case AV_SAMPLE_FMT_S32: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<float>(v * (1.0 / 2147483648.0));
    }
    case AV_SAMPLE_FMT_S64: {
        int64_t v;
        std::memcpy(&v, p, 8);
        return static_cast<float>(static_cast<double>(v) * 0x1p-63);
    }
    case AV_SAMPLE_FMT_FLT: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    case AV_SAMPLE_FMT_DBL: {
        double v;
        std::memcpy(&v, p, 8);
        return static_cast<float>(v);
    }
    default:
        return 0;
    }
}

} // namespace

struct PacketDecoder::Impl {
    const CodecLibrary* lib = nullptr;
    SourceFormat format;
    std::optional<AdpcmBlocks> adpcm; // the formats decoded here, without the library
    std::unique_ptr<GsmBlocks> gsm;   // or by the GSM library alone
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVCodecParserContext, ParserFree> parser;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<AVFrame, FrameFree> frame;
    size_t piece = 0;
    size_t packetBytes = 0;
    std::vector<float> storage;
    std::vector<float*> planes;
    std::string error;

    bool fail(std::string why) {
        error = std::move(why);
        return false;
    }
    bool send(AVPacket* pkt, const Sink& sink);
    bool deliver(const Sink& sink);
    bool decodeBlocks(const uint8_t* data, size_t n, const Sink& sink);
};

PacketDecoder::PacketDecoder() : d(std::make_unique<Impl>()) {}
PacketDecoder::~PacketDecoder() = default;

bool PacketDecoder::open(const SourceFormat& f) {
    d->format = f;
    const WaveFormatEx& record = f.record;
    d->piece =
        std::max<size_t>(record.nBlockAlign, PieceBytes / record.nBlockAlign * record.nBlockAlign);
    d->planes.resize(record.nChannels);
    if (AdpcmBlocks::takes(f)) {
        d->adpcm.emplace(f);
        return true;
    }
    if (GsmBlocks::takes(f)) {
        d->gsm = std::make_unique<GsmBlocks>();
        return true;
    }
    std::string why;
    d->lib = CodecLibrary::get(why);
    if (!d->lib) {
        return d->fail(why);
    }
    const CodecLibrary& lib = *d->lib;
    const WaveFormatEx& r = f.record;
    AVCodecID id = codecOfTag(f.tag);
    if (id == AV_CODEC_ID_NONE) {
        const CodecLibrary::RiffTags* tags = CodecLibrary::riffTags(why);
        if (!tags) {
            return d->fail(why);
        }
        const AVCodecTag* const tables[] = {tags->riff_audio_tags(), nullptr};
        id = tags->codec_get_id(tables, f.tag);
    }
    const AVCodec* decoder = id == AV_CODEC_ID_NONE ? nullptr : lib.find_decoder(id);
    if (!decoder) {
        return d->fail("no decoder for WAVE format tag " + std::to_string(f.tag) + " with " +
                       std::to_string(r.wBitsPerSample) + " bits");
    }
    d->codec.reset(lib.alloc_context3(decoder));
    d->packet.reset(lib.packet_alloc());
    d->frame.reset(av_frame_alloc());
    if (!d->codec || !d->packet || !d->frame) {
        return d->fail("out of memory");
    }
    AVCodecContext* c = d->codec.get();
    c->sample_rate = static_cast<int>(r.nSamplesPerSec);
    if (f.channelMask &&
        static_cast<unsigned>(__builtin_popcountll(f.channelMask)) == r.nChannels) {
        av_channel_layout_from_mask(&c->ch_layout, f.channelMask);
    } else {
        av_channel_layout_default(&c->ch_layout, r.nChannels);
    }
    c->block_align = r.nBlockAlign;
    c->bit_rate = static_cast<int64_t>(r.nAvgBytesPerSec) * 8;
    c->bits_per_coded_sample = r.wBitsPerSample;
    if (!f.extra.empty()) {
        c->extradata =
            static_cast<uint8_t*>(av_mallocz(f.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata) {
            return d->fail("out of memory");
        }
        std::memcpy(c->extradata, f.extra.data(), f.extra.size());
        c->extradata_size = static_cast<int>(f.extra.size());
    }
    if (lib.open2(c, decoder, nullptr) < 0) {
        return d->fail(std::string("the ") + decoder->name +
                       " decoder does not accept this format");
    }
    if (c->ch_layout.nb_channels != r.nChannels) {
        return d->fail("the decoder changed the channel count");
    }
    // Sample formats of fixed size go to the decoder in whole blocks; the others are cut
    // into packets by their parser.
    const bool blocks = lib.exact_bits_per_sample(id) >= 8;
    if (!blocks) {
        d->parser.reset(lib.parser_init(id));
    }
    // Without a parser each packet is one block of the codec.
    d->packetBytes = blocks ? d->piece : r.nBlockAlign;
    return true;
}

size_t PacketDecoder::pieceBytes() const {
    return d->piece;
}

const std::string& PacketDecoder::error() const {
    return d->error;
}

bool PacketDecoder::Impl::deliver(const Sink& sink) {
    AVFrame* f = frame.get();
    const size_t frames = static_cast<size_t>(f->nb_samples);
    const unsigned channels = format.record.nChannels;
    if (static_cast<unsigned>(f->ch_layout.nb_channels) != channels) {
        return fail("decoded sound changed its channel count");
    }
    const auto fmt = static_cast<AVSampleFormat>(f->format);
    const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
    const int width = av_get_bytes_per_sample(fmt);
    const bool planar = av_sample_fmt_is_planar(fmt);
    if (storage.size() < frames * channels) {
        storage.resize(frames * channels);
    }
    for (unsigned c = 0; c < channels; ++c) {
        planes[c] = storage.data() + c * frames;
        const uint8_t* p = planar ? f->extended_data[c] : f->extended_data[0] + c * width;
        const size_t step = planar ? width : static_cast<size_t>(width) * channels;
        for (size_t i = 0; i < frames; ++i, p += step) {
            planes[c][i] = sampleAt(p, packed);
        }
    }
    return sink(planes.data(), frames);
}

bool PacketDecoder::Impl::send(AVPacket* pkt, const Sink& sink) {
    int rc = lib->send_packet(codec.get(), pkt);
    // A damaged block is skipped: the rest of the take is still worth having.
    if (rc == AVERROR_INVALIDDATA) {
        return true;
    }
    if (rc < 0 && rc != AVERROR_EOF) {
        return fail("the decoder failed");
    }
    while ((rc = lib->receive_frame(codec.get(), frame.get())) == 0) {
        const bool ok = deliver(sink);
        av_frame_unref(frame.get());
        if (!ok) {
            return false;
        }
    }
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF || rc == AVERROR_INVALIDDATA) {
        return true;
    }
    return fail("the decoder failed");
}

// Whole blocks, decoded side by side into one piece of sound; damaged ones are skipped.
bool PacketDecoder::Impl::decodeBlocks(const uint8_t* data, size_t n, const Sink& sink) {
    const size_t align = format.record.nBlockAlign;
    const unsigned channels = format.record.nChannels;
    const size_t blocks = n / align;
    const size_t capacity = adpcm ? adpcm->blockCapacity() : GsmBlocks::FramesPerBlock;
    const size_t perBlock = adpcm ? adpcm->framesPerBlock() : GsmBlocks::FramesPerBlock;
    if (storage.size() < blocks * capacity * channels) {
        storage.resize(blocks * capacity * channels);
    }
    size_t frames = 0;
    std::vector<float*> at(channels);
    for (size_t b = 0; b < blocks; ++b, data += align) {
        for (unsigned c = 0; c < channels; ++c) {
            at[c] = storage.data() + c * blocks * capacity + frames;
        }
        if (adpcm ? adpcm->decode(data, at.data()) : gsm->decode(data, at[0])) {
            frames += perBlock;
        }
    }
    for (unsigned c = 0; c < channels; ++c) {
        planes[c] = storage.data() + c * blocks * capacity;
    }
    return frames == 0 || sink(planes.data(), frames);
}

bool PacketDecoder::decode(const uint8_t* data, size_t n, const Sink& sink) {
    if (d->adpcm || d->gsm) {
        return d->decodeBlocks(data, n, sink);
    }
    if (d->parser) {
        while (n > 0) {
            uint8_t* pdata = nullptr;
            int psize = 0;
            const int step = static_cast<int>(std::min<size_t>(n, 1 << 20));
            const int used = d->lib->parser_parse2(d->parser.get(), d->codec.get(), &pdata, &psize,
                                                   data, step, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0) {
                return d->fail("the parser failed");
            }
            data += used;
            n -= static_cast<size_t>(used);
            if (psize > 0) {
                d->packet->data = pdata;
                d->packet->size = psize;
                if (!d->send(d->packet.get(), sink)) {
                    return false;
                }
            }
            if (used == 0 && psize == 0) {
                break;
            }
        }
        return true;
    }
    const size_t align = d->format.record.nBlockAlign;
    while (n >= align) {
        const size_t chunk = std::min(d->packetBytes, n / align * align);
        d->packet->data = const_cast<uint8_t*>(data);
        d->packet->size = static_cast<int>(chunk);
        if (!d->send(d->packet.get(), sink)) {
            return false;
        }
        data += chunk;
        n -= chunk;
    }
    return true;
}

bool PacketDecoder::finish(const Sink& sink) {
    if (d->adpcm || d->gsm) {
        return true;
    }
    if (d->parser) {
        uint8_t* pdata = nullptr;
        int psize = 0;
        d->lib->parser_parse2(d->parser.get(), d->codec.get(), &pdata, &psize, nullptr, 0,
                              AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (psize > 0) {
            d->packet->data = pdata;
            d->packet->size = psize;
            if (!d->send(d->packet.get(), sink)) {
                return false;
            }
        }
    }
    return d->send(nullptr, sink);
}
