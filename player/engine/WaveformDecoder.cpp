#include "engine/WaveformDecoder.h"

#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Collects the loudest sample of every `binSize` samples (all channels together).
class PeakBins {
public:
    explicit PeakBins(int64_t binSize) : m_binSize(binSize) {}

    void add(const AVFrame& frame) {
        m_mono.clear();
        const auto fmt = static_cast<AVSampleFormat>(frame.format);
        switch (av_get_packed_sample_fmt(fmt)) {
        case AV_SAMPLE_FMT_U8:
            scan<uint8_t>(frame, fmt, [](uint8_t v) { return (v - 128) / 128.0f; });
            break;
        case AV_SAMPLE_FMT_S16:
            scan<int16_t>(frame, fmt, [](int16_t v) { return int(v) / 32768.0f; });
            break;
        case AV_SAMPLE_FMT_S32:
            scan<int32_t>(frame, fmt, [](int32_t v) { return float(double(v) / 2147483648.0); });
            break;
        case AV_SAMPLE_FMT_S64:
            scan<int64_t>(frame, fmt,
                          [](int64_t v) { return float(double(v) / 9223372036854775808.0); });
            break;
        case AV_SAMPLE_FMT_FLT:
            scan<float>(frame, fmt, [](float v) { return v; });
            break;
        case AV_SAMPLE_FMT_DBL:
            scan<double>(frame, fmt, [](double v) { return float(v); });
            break;
        default:
            break;
        }
    }

    std::vector<float> finish() {
        if (m_inBin > 0) {
            m_bins.push_back(m_current);
        }
        m_inBin = 0;
        return std::move(m_bins);
    }
    int64_t samples() const { return m_samples; }
    // The last frame added, mixed to one channel.
    const std::vector<float>& mono() const { return m_mono; }

private:
    // `value` gives a sample as a float at full scale +-1.
    template <typename T, typename Value>
    void scan(const AVFrame& frame, AVSampleFormat fmt, Value value) {
        const int channels = frame.ch_layout.nb_channels;
        const int n = frame.nb_samples;
        const bool planar = av_sample_fmt_is_planar(fmt);
        m_mono.resize(static_cast<size_t>(std::max(n, 0)));
        for (int i = 0; i < n; ++i) {
            float peak = 0, sum = 0;
            for (int c = 0; c < channels; ++c) {
                const T v =
                    planar ? reinterpret_cast<const T*>(frame.extended_data[c])[i]
                           : reinterpret_cast<const T*>(
                                 frame.extended_data[0])[static_cast<size_t>(i) * channels + c];
                const float x = value(v);
                peak = std::max(peak, std::abs(x));
                sum += x;
            }
            m_mono[static_cast<size_t>(i)] = channels > 0 ? sum / float(channels) : 0.0f;
            m_current = std::max(m_current, std::min(peak, 1.0f));
            if (++m_inBin == m_binSize) {
                m_bins.push_back(m_current);
                m_current = 0;
                m_inBin = 0;
            }
        }
        m_samples += n;
    }

    int64_t m_binSize;
    int64_t m_inBin = 0;
    int64_t m_samples = 0;
    float m_current = 0;
    std::vector<float> m_bins;
    std::vector<float> m_mono;
};

} // namespace

namespace WaveformDecoder {

std::vector<float> reduce(const std::vector<float>& fine, int columns) {
    std::vector<float> out;
    if (fine.empty() || columns <= 0) {
        return out;
    }
    out.resize(static_cast<size_t>(columns));
    const double perColumn = double(fine.size()) / columns;
    for (int c = 0; c < columns; ++c) {
        auto first = static_cast<size_t>(std::floor(c * perColumn));
        auto last = static_cast<size_t>(std::ceil((c + 1) * perColumn));
        first = std::min(first, fine.size() - 1);
        last = std::clamp(last, first + 1, fine.size());
        out[static_cast<size_t>(c)] =
            *std::max_element(fine.begin() + long(first), fine.begin() + long(last));
    }
    return out;
}

std::optional<Waveform> compute(const QString& path, int columns, const std::atomic_bool& cancel) {
    // A pipe or device would block the reader, or take the sound from the player.
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    AVFormatContext* rawFormat = nullptr;
    const QByteArray file = path.toUtf8();
    if (avformat_open_input(&rawFormat, file.constData(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        return std::nullopt;
    }
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        return std::nullopt;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != stream) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return std::nullopt;
    }
    const int rate = decoder->sample_rate;
    if (rate <= 0) {
        return std::nullopt;
    }

    // Sixteen fine peaks per column for the length the container announces, so the columns
    // come out even; an unknown length falls back to about 6 ms per peak.
    int64_t binSize = 256;
    if (format->duration > 0) {
        const double expected = double(format->duration) / AV_TIME_BASE * rate;
        binSize = std::max<int64_t>(1, std::llround(expected / (double(columns) * 16)));
    }
    PeakBins bins(binSize);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) {
        return std::nullopt;
    }

    MusicalMapFinder finder(rate);
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            bins.add(*frame);
            finder.feed(bins.mono().data(), bins.mono().size());
            av_frame_unref(frame.get());
        }
    };
    while (!cancel.load(std::memory_order_relaxed)) {
        const int rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) {
            break;
        }
        if (packet->stream_index == stream) {
            // A damaged packet is skipped; the rest of the track still shows.
            if (avcodec_send_packet(decoder.get(), packet.get()) == 0) {
                drain();
            }
        }
        av_packet_unref(packet.get());
    }
    if (cancel.load()) {
        return std::nullopt;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();

    const int64_t samples = bins.samples();
    std::vector<float> fine = bins.finish();
    if (samples == 0) {
        return std::nullopt;
    }
    Waveform w;
    w.duration = double(samples) / rate;
    w.peaks = reduce(fine, columns);
    w.map = finder.finish();
    return w;
}

} // namespace WaveformDecoder
