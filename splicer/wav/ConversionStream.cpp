#include "wav/ConversionStream.h"

#include "wav/CodecLibrary.h"

#include <algorithm>
#include <array>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
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
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

constexpr uint16_t TagPcm = 1;
constexpr uint16_t TagFloat = 3;
constexpr uint16_t TagALaw = 6;
constexpr uint16_t TagMuLaw = 7;
constexpr uint16_t TagExtensible = 0xFFFE;
constexpr uint32_t MaxRate = 4'000'000;
constexpr uint16_t MaxChannels = 64;
// Ten seconds of sound are read and converted at once; beyond this a format is not plausible.
constexpr uint64_t MaxBlockBytes = 128ull << 20;
// Packets handed to a decoder of plain sample formats: small enough to stay in cache.
constexpr uint64_t PcmPacketBytes = 64 * 1024;

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(le16(p)) | static_cast<uint32_t>(le16(p + 2)) << 16;
}

// What the fmt chunk says once an extensible record is resolved to its sub-format.
struct SourceKind {
    uint16_t tag = 0;
    uint64_t channelMask = 0;
    bool valid = true;
};

SourceKind resolve(const WaveFormatEx& f, const std::vector<uint8_t>& extra) {
    SourceKind k{f.wFormatTag};
    if (f.wFormatTag != TagExtensible)
        return k;
    // The sub-format GUID shares its last twelve bytes with every WAVE tag it stands for.
    static constexpr std::array<uint8_t, 12> base{0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                  0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (extra.size() < 22 || !std::equal(base.begin(), base.end(), extra.begin() + 10)) {
        k.valid = false;
        return k;
    }
    k.channelMask = le32(extra.data() + 2);
    const uint32_t sub = le32(extra.data() + 6);
    k.tag = sub <= 0xFFFF && sub != TagExtensible ? static_cast<uint16_t>(sub) : 0;
    k.valid = k.tag != 0;
    return k;
}

// How a plain sample format reaches the resampler: directly when its samples already are
// in one of the resampler's interleaved formats, otherwise widened sample by sample.
enum class Unpack { None, Int24, ALaw, MuLaw, Repack };

struct PlainFormat {
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    Unpack unpack = Unpack::None;
    unsigned container = 0; // bytes per stored sample
};

// Integer PCM, float, A-law and mu-law: formats whose bytes are the samples. Anything else
// (or a plain tag with an unusual container) goes to a decoder of the decoder library.
PlainFormat plainFormatFor(uint16_t tag, const WaveFormatEx& f) {
    PlainFormat p;
    p.container = f.nChannels ? f.nBlockAlign / f.nChannels : 0;
    if (tag == TagPcm) {
        switch (p.container) {
        case 1:
            p.format = AV_SAMPLE_FMT_U8;
            break;
        case 2:
            p.format = AV_SAMPLE_FMT_S16;
            break;
        case 3:
            p.format = AV_SAMPLE_FMT_S32;
            p.unpack = Unpack::Int24;
            break;
        case 4:
            p.format = AV_SAMPLE_FMT_S32;
            break;
        case 8:
            p.format = AV_SAMPLE_FMT_S64;
            break;
        default:
            break;
        }
    } else if (tag == TagFloat) {
        p.format = p.container == 4   ? AV_SAMPLE_FMT_FLT
                   : p.container == 8 ? AV_SAMPLE_FMT_DBL
                                      : AV_SAMPLE_FMT_NONE;
    } else if ((tag == TagALaw || tag == TagMuLaw) && p.container == 1) {
        p.format = AV_SAMPLE_FMT_S16;
        p.unpack = tag == TagALaw ? Unpack::ALaw : Unpack::MuLaw;
    }
    // Frames padded beyond their samples are packed before they are resampled.
    if (p.format != AV_SAMPLE_FMT_NONE && p.unpack == Unpack::None &&
        f.nBlockAlign != f.nChannels * p.container)
        p.unpack = Unpack::Repack;
    return p;
}

// G.711 expansion to 16-bit linear samples.
int16_t expandALaw(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    t = segment ? (t + 0x108) << (segment - 1) : t + 8;
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}
int16_t expandMuLaw(uint8_t u) {
    u = static_cast<uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

AVSampleFormat outputSampleFormat(uint16_t bits) {
    switch (bits) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    case 32:
        return AV_SAMPLE_FMT_S32;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
}

} // namespace

struct ConversionStream::Impl {
    bool open = false;
    bool copy = false;
    bool probe = false;
    bool pcm = false;
    WaveFormatEx src, dst;
    std::vector<uint8_t> extra;
    SourceKind kind;
    std::string error;
    AVSampleFormat outFmt = AV_SAMPLE_FMT_NONE;
    PlainFormat plain;
    std::vector<uint8_t> scratch;
    AVChannelLayout inLayout{};
    const CodecLibrary* lib = nullptr;
    uint64_t packetBytes = 0;
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVCodecParserContext, ParserFree> parser;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<AVFrame, FrameFree> frame;
    std::unique_ptr<SwrContext, SwrFree> swr;
    AVSampleFormat swrInFmt = AV_SAMPLE_FMT_NONE;

    // Output cursor of the conversion in progress.
    uint8_t* out = nullptr;
    int outFramesLeft = 0;

    bool fail(std::string why) {
        error = std::move(why);
        return false;
    }

    void setInputLayout();
    bool openPlain();
    bool openDecoder();
    bool feedPlain(const uint8_t* data, uint64_t n);
    bool openResampler(AVSampleFormat inFmt);
    bool feed(const uint8_t* data, uint64_t n);
    bool decode(AVPacket* pkt);
    bool drainDecoder();
    bool resample(const uint8_t* const* data, int frames);
};

void ConversionStream::Impl::setInputLayout() {
    av_channel_layout_uninit(&inLayout);
    if (kind.channelMask &&
        static_cast<unsigned>(__builtin_popcountll(kind.channelMask)) == src.nChannels)
        av_channel_layout_from_mask(&inLayout, kind.channelMask);
    else
        av_channel_layout_default(&inLayout, src.nChannels);
}

bool ConversionStream::Impl::openPlain() {
    pcm = true;
    // Each call of the resampler also produces at most about 64 KiB of output frames: its
    // work buffers grow with what one call produces, which a low source rate multiplies.
    const uint64_t byInput = PcmPacketBytes / src.nBlockAlign;
    const uint64_t byOutput =
        PcmPacketBytes / dst.nBlockAlign * src.nSamplesPerSec / dst.nSamplesPerSec;
    packetBytes = std::max<uint64_t>(1, std::min(byInput, byOutput)) * src.nBlockAlign;
    if (plain.unpack != Unpack::None)
        scratch.resize(packetBytes / src.nBlockAlign * src.nChannels *
                       av_get_bytes_per_sample(plain.format));
    return openResampler(plain.format);
}

bool ConversionStream::Impl::openDecoder() {
    std::string why;
    lib = CodecLibrary::get(why);
    if (!lib)
        return fail(why);
    const AVCodecTag* const tables[] = {lib->riff_audio_tags(), nullptr};
    const AVCodecID id = lib->codec_get_id(tables, kind.tag);
    const AVCodec* decoder = id == AV_CODEC_ID_NONE ? nullptr : lib->find_decoder(id);
    if (!decoder)
        return fail("no decoder for WAVE format tag " + std::to_string(kind.tag) + " with " +
                    std::to_string(src.wBitsPerSample) + " bits");
    pcm = lib->exact_bits_per_sample(id) >= 8;
    if (!pcm && src.nAvgBytesPerSec == 0)
        return fail("compressed format without a data rate");
    codec.reset(lib->alloc_context3(decoder));
    packet.reset(lib->packet_alloc());
    frame.reset(av_frame_alloc());
    if (!codec || !packet || !frame)
        return fail("out of memory");
    codec->sample_rate = static_cast<int>(src.nSamplesPerSec);
    av_channel_layout_copy(&codec->ch_layout, &inLayout);
    codec->block_align = src.nBlockAlign;
    codec->bit_rate = static_cast<int64_t>(src.nAvgBytesPerSec) * 8;
    codec->bits_per_coded_sample = src.wBitsPerSample;
    if (!extra.empty()) {
        codec->extradata =
            static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!codec->extradata)
            return fail("out of memory");
        std::memcpy(codec->extradata, extra.data(), extra.size());
        codec->extradata_size = static_cast<int>(extra.size());
    }
    if (lib->open2(codec.get(), decoder, nullptr) < 0)
        return fail(std::string("the ") + decoder->name + " decoder does not accept this format");
    if (codec->ch_layout.nb_channels != src.nChannels)
        return fail("decoder changed the channel count");
    av_channel_layout_copy(&inLayout, &codec->ch_layout);
    if (!pcm)
        parser.reset(lib->parser_init(id));
    packetBytes = pcm ? std::max<uint64_t>(src.nBlockAlign,
                                           PcmPacketBytes / src.nBlockAlign * src.nBlockAlign)
                      : src.nBlockAlign;
    // Some decoders name their sample format only with the first frame.
    return codec->sample_fmt == AV_SAMPLE_FMT_NONE || openResampler(codec->sample_fmt);
}

bool ConversionStream::Impl::openResampler(AVSampleFormat inFmt) {
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, dst.nChannels);
    SwrContext* raw = nullptr;
    const int rc =
        swr_alloc_set_opts2(&raw, &outLayout, outFmt, static_cast<int>(dst.nSamplesPerSec),
                            &inLayout, inFmt, static_cast<int>(src.nSamplesPerSec), 0, nullptr);
    swr.reset(raw);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0 || !swr)
        return fail("the resampler does not accept this format");
    const bool resampling = src.nSamplesPerSec != dst.nSamplesPerSec;
    if (probe) {
        av_opt_set_int(swr.get(), "filter_size", 1, 0);
    } else {
        av_opt_set_int(swr.get(), "resampler", SWR_ENGINE_SOXR, 0);
        av_opt_set_double(swr.get(), "precision", 28, 0);
        av_opt_set_double(swr.get(), "cutoff", 0.95, 0);
    }
    av_opt_set_sample_fmt(swr.get(), "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    const int outBytes = av_get_bytes_per_sample(outFmt);
    const bool reducing = av_get_bytes_per_sample(inFmt) > outBytes || resampling ||
                          src.nChannels > std::max<uint16_t>(2, dst.nChannels);
    if (outBytes <= 2 && reducing)
        av_opt_set_int(swr.get(), "dither_method", SWR_DITHER_TRIANGULAR, 0);
    if (src.nChannels == 1 && dst.nChannels > 1) {
        // A mono take goes to every output channel at full level.
        std::vector<double> matrix(dst.nChannels, 1.0);
        if (swr_set_matrix(swr.get(), matrix.data(), 1) < 0)
            return fail("the resampler does not accept the channel matrix");
    }
    if (swr_init(swr.get()) < 0)
        return fail("the resampler does not accept this format");
    swrInFmt = inFmt;
    return true;
}

bool ConversionStream::Impl::resample(const uint8_t* const* data, int frames) {
    const int64_t bound = swr_get_out_samples(swr.get(), frames);
    if (bound < 0 || bound > outFramesLeft)
        return fail("converted sound larger than its buffer");
    // The resampler sizes its work buffers by the room it is offered: offer what this call
    // can produce, not the whole ten-second block.
    const int got = swr_convert(swr.get(), &out, static_cast<int>(bound),
                                const_cast<const uint8_t**>(data), frames);
    if (got < 0)
        return fail("the resampler failed");
    out += static_cast<size_t>(got) * dst.nBlockAlign;
    outFramesLeft -= got;
    return true;
}

bool ConversionStream::Impl::decode(AVPacket* pkt) {
    int rc = lib->send_packet(codec.get(), pkt);
    // A damaged block is skipped: the rest of the take is still worth having.
    if (rc == AVERROR_INVALIDDATA)
        return true;
    if (rc < 0 && rc != AVERROR_EOF)
        return fail("the decoder failed");
    while ((rc = lib->receive_frame(codec.get(), frame.get())) == 0) {
        if (frame->ch_layout.nb_channels != src.nChannels)
            return fail("decoded sound changed its channel count");
        if (!swr && !openResampler(static_cast<AVSampleFormat>(frame->format)))
            return false;
        if (frame->format != swrInFmt)
            return fail("decoded sound changed its sample format");
        const bool ok = resample(frame->extended_data, frame->nb_samples);
        av_frame_unref(frame.get());
        if (!ok)
            return false;
    }
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF || rc == AVERROR_INVALIDDATA)
        return true;
    return fail("the decoder failed");
}

bool ConversionStream::Impl::feed(const uint8_t* data, uint64_t n) {
    if (parser) {
        while (n > 0) {
            uint8_t* pdata = nullptr;
            int psize = 0;
            const int step = std::min<uint64_t>(n, 1 << 20);
            const int used = lib->parser_parse2(parser.get(), codec.get(), &pdata, &psize, data,
                                                step, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return fail("the parser failed");
            data += used;
            n -= static_cast<uint64_t>(used);
            if (psize > 0) {
                packet->data = pdata;
                packet->size = psize;
                if (!decode(packet.get()))
                    return false;
            }
            if (used == 0 && psize == 0)
                break;
        }
        return true;
    }
    while (n >= src.nBlockAlign) {
        const uint64_t chunk =
            std::min<uint64_t>(packetBytes, n / src.nBlockAlign * src.nBlockAlign);
        packet->data = const_cast<uint8_t*>(data);
        packet->size = static_cast<int>(chunk);
        if (!decode(packet.get()))
            return false;
        data += chunk;
        n -= chunk;
    }
    return true;
}

bool ConversionStream::Impl::feedPlain(const uint8_t* data, uint64_t n) {
    const unsigned channels = src.nChannels;
    const unsigned width = static_cast<unsigned>(av_get_bytes_per_sample(plain.format));
    while (n >= src.nBlockAlign) {
        const uint64_t chunk =
            std::min<uint64_t>(packetBytes, n / src.nBlockAlign * src.nBlockAlign);
        const int frames = static_cast<int>(chunk / src.nBlockAlign);
        const uint8_t* in = data;
        if (plain.unpack != Unpack::None) {
            uint8_t* w = scratch.data();
            for (int f = 0; f < frames; ++f) {
                const uint8_t* sample = data + static_cast<size_t>(f) * src.nBlockAlign;
                for (unsigned c = 0; c < channels; ++c, sample += plain.container) {
                    switch (plain.unpack) {
                    case Unpack::Int24: {
                        // Widened to 32 bits with the sound in the top three bytes.
                        const uint32_t v = uint32_t{sample[0]} << 8 | uint32_t{sample[1]} << 16 |
                                           uint32_t{sample[2]} << 24;
                        std::memcpy(w, &v, 4);
                        break;
                    }
                    case Unpack::ALaw:
                    case Unpack::MuLaw: {
                        const int16_t v = plain.unpack == Unpack::ALaw ? expandALaw(sample[0])
                                                                       : expandMuLaw(sample[0]);
                        std::memcpy(w, &v, 2);
                        break;
                    }
                    default:
                        std::memcpy(w, sample, width);
                        break;
                    }
                    w += width;
                }
            }
            in = scratch.data();
        }
        if (!resample(&in, frames))
            return false;
        data += chunk;
        n -= chunk;
    }
    return true;
}

bool ConversionStream::Impl::drainDecoder() {
    if (parser) {
        uint8_t* pdata = nullptr;
        int psize = 0;
        lib->parser_parse2(parser.get(), codec.get(), &pdata, &psize, nullptr, 0, AV_NOPTS_VALUE,
                           AV_NOPTS_VALUE, 0);
        if (psize > 0) {
            packet->data = pdata;
            packet->size = psize;
            if (!decode(packet.get()))
                return false;
        }
    }
    if (codec && !decode(nullptr))
        return false;
    if (!swr)
        return true;
    for (;;) {
        const int64_t pending = std::max<int64_t>(swr_get_out_samples(swr.get(), 0), 0);
        if (outFramesLeft == 0) {
            if (pending > 0)
                return fail("converted sound larger than its buffer");
            break;
        }
        const int room = static_cast<int>(std::min<int64_t>(outFramesLeft, pending + 64));
        const int got = swr_convert(swr.get(), &out, room, nullptr, 0);
        if (got < 0)
            return fail("the resampler failed");
        if (got == 0)
            break;
        out += static_cast<size_t>(got) * dst.nBlockAlign;
        outFramesLeft -= got;
    }
    return true;
}

ConversionStream::ConversionStream() : d(std::make_unique<Impl>()) {}
ConversionStream::~ConversionStream() {
    close();
}

bool ConversionStream::open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
                            const WaveFormatEx& destination, Purpose purpose) {
    close();
    d->error.clear();
    d->probe = purpose == Purpose::Probe;
    d->src = source;
    d->dst = destination;
    d->extra = sourceExtra;
    if (destination.wFormatTag != TagPcm || destination.nChannels == 0 ||
        destination.nChannels > 8 || destination.nSamplesPerSec == 0 ||
        destination.nSamplesPerSec > MaxRate ||
        (d->outFmt = outputSampleFormat(destination.wBitsPerSample)) == AV_SAMPLE_FMT_NONE ||
        destination.nBlockAlign != destination.nChannels * destination.wBitsPerSample / 8)
        return d->fail(
            "the output format must be PCM with 8, 16 or 32 bits and at most 8 channels");
    if (source.nChannels == 0 || source.nChannels > MaxChannels)
        return d->fail("channel count " + std::to_string(source.nChannels) + " out of range");
    if (source.nSamplesPerSec == 0 || source.nSamplesPerSec > MaxRate)
        return d->fail("sample rate " + std::to_string(source.nSamplesPerSec) + " out of range");
    if (source.nBlockAlign == 0)
        return d->fail("block align of 0");
    d->kind = resolve(source, sourceExtra);
    if (!d->kind.valid)
        return d->fail("unknown extensible sub-format");
    if (tenSecondBlock() > MaxBlockBytes)
        return d->fail("ten seconds of this format would need more than 128 MiB");
    const bool plainPcm = d->kind.tag == TagPcm &&
                          source.nBlockAlign == source.nChannels * source.wBitsPerSample / 8 &&
                          source.wBitsPerSample % 8 == 0;
    const uint64_t stereoMask = AV_CH_LAYOUT_STEREO;
    const bool defaultLayout =
        d->kind.channelMask == 0 || source.nChannels != 2 || d->kind.channelMask == stereoMask;
    d->copy = plainPcm && defaultLayout && source.nChannels == destination.nChannels &&
              source.nSamplesPerSec == destination.nSamplesPerSec &&
              source.wBitsPerSample == destination.wBitsPerSample;
    d->setInputLayout();
    d->plain = plainFormatFor(d->kind.tag, source);
    if (d->copy) {
        d->pcm = true;
    } else if (!(d->plain.format != AV_SAMPLE_FMT_NONE ? d->openPlain() : d->openDecoder())) {
        d->codec.reset();
        d->swr.reset();
        return false;
    }
    uint64_t converted = 0;
    d->open = true;
    if (size(tenSecondBlock(), converted) && converted > MaxBlockBytes) {
        close();
        return d->fail("ten seconds of this format would convert to more than 128 MiB");
    }
    return true;
}

uint64_t ConversionStream::tenSecondBlock() const {
    const WaveFormatEx& f = d->src;
    if (f.nBlockAlign == 0)
        return 0;
    const bool pcmLike =
        d->kind.tag == TagPcm || d->kind.tag == TagFloat || d->kind.tag == 6 || d->kind.tag == 7;
    if (pcmLike)
        return uint64_t{f.nBlockAlign} * f.nSamplesPerSec * 10;
    return std::max<uint64_t>(1, uint64_t{f.nAvgBytesPerSec} * 10 / f.nBlockAlign) * f.nBlockAlign;
}

uint64_t ConversionStream::outputBytesFor(uint64_t sourceBytes) const {
    const WaveFormatEx& s = d->src;
    const WaveFormatEx& o = d->dst;
    if (d->copy)
        return sourceBytes / s.nBlockAlign * s.nBlockAlign;
    uint64_t frames = 0;
    if (d->pcm) {
        frames = sourceBytes / s.nBlockAlign;
    } else {
        // Compressed: the data rate says how long the sound is; allow twice that.
        frames =
            (sourceBytes * uint64_t{s.nSamplesPerSec} / std::max<uint32_t>(1, s.nAvgBytesPerSec) +
             1) *
            2;
    }
    const uint64_t outFrames =
        (frames * o.nSamplesPerSec + s.nSamplesPerSec - 1) / s.nSamplesPerSec;
    return outFrames * o.nBlockAlign;
}

bool ConversionStream::size(uint64_t sourceBytes, uint64_t& destinationBytes) const {
    if (!d->open)
        return false;
    destinationBytes = outputBytesFor(sourceBytes);
    // The resampler's delay line and the flush of the end flag: one second is ample.
    if (!d->copy)
        destinationBytes += (uint64_t{d->dst.nSamplesPerSec} + 4096) * d->dst.nBlockAlign;
    return true;
}

bool ConversionStream::prepare(ConversionHeader& header) {
    if (!d->open || (!header.Source && header.SourceLength) ||
        (!header.Destination && header.DestinationLength))
        return false;
    header.Prepared = true;
    return true;
}

bool ConversionStream::convert(ConversionHeader& header, unsigned flags) {
    header.DestinationLengthUsed = 0;
    if (!d->open || !header.Prepared)
        return false;
    const uint64_t whole = header.SourceLength / d->src.nBlockAlign * d->src.nBlockAlign;
    if (d->copy) {
        if (whole > header.DestinationLength)
            return d->fail("converted sound larger than its buffer");
        if (whole && header.Destination != header.Source)
            std::memcpy(header.Destination, header.Source, whole);
        header.DestinationLengthUsed = static_cast<uint32_t>(whole);
        return true;
    }
    d->out = header.Destination;
    d->outFramesLeft = static_cast<int>(
        std::min<uint64_t>(header.DestinationLength / d->dst.nBlockAlign, INT32_MAX));
    bool ok = d->codec ? d->feed(header.Source, d->pcm ? whole : header.SourceLength)
                       : d->feedPlain(header.Source, whole);
    if (ok && (flags & End))
        ok = d->drainDecoder();
    header.DestinationLengthUsed = static_cast<uint32_t>(d->out - header.Destination);
    return ok;
}

void ConversionStream::reset() {
    if (d->codec)
        d->lib->flush_buffers(d->codec.get());
    if (d->swr)
        swr_init(d->swr.get());
}

void ConversionStream::unprepare(ConversionHeader& header) {
    header.Prepared = false;
}

void ConversionStream::close() {
    d->open = false;
    d->copy = false;
    d->swr.reset();
    d->parser.reset();
    d->frame.reset();
    d->packet.reset();
    d->codec.reset();
    d->scratch = {};
    av_channel_layout_uninit(&d->inLayout);
    d->swrInFmt = AV_SAMPLE_FMT_NONE;
}

bool ConversionStream::isOpen() const {
    return d->open;
}
bool ConversionStream::copiesBytes() const {
    return d->copy;
}
const std::string& ConversionStream::error() const {
    return d->error;
}
