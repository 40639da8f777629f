#pragma once
// libavcodec and libavformat, each loaded on first use. Plain sample formats (integer PCM,
// float, A-law and mu-law) and IMA and Microsoft ADPCM are converted without them; other
// compressed WAVE formats need a decoder, and only tags missing from our own list need the
// format library's table. The decoder library pulls in about a hundred others and some
// 15 MiB of resident memory, the format library 9 MiB more, which a join of plain WAV files
// should not pay for.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

struct CodecLibrary {
    decltype(&avcodec_find_decoder) find_decoder = nullptr;
    decltype(&avcodec_alloc_context3) alloc_context3 = nullptr;
    decltype(&avcodec_free_context) free_context = nullptr;
    decltype(&avcodec_open2) open2 = nullptr;
    decltype(&avcodec_send_packet) send_packet = nullptr;
    decltype(&avcodec_receive_frame) receive_frame = nullptr;
    decltype(&avcodec_flush_buffers) flush_buffers = nullptr;
    decltype(&av_packet_alloc) packet_alloc = nullptr;
    decltype(&av_packet_free) packet_free = nullptr;
    decltype(&av_parser_init) parser_init = nullptr;
    decltype(&av_parser_parse2) parser_parse2 = nullptr;
    decltype(&av_parser_close) parser_close = nullptr;
    decltype(&av_get_exact_bits_per_sample) exact_bits_per_sample = nullptr;

    // The loaded decoder library, or null with the reason in `why` when it cannot be loaded.
    // Loaded once per process and never unloaded.
    static const CodecLibrary* get(std::string& why);

    // The format library's table of every WAVE format tag, for tags our own short list
    // (PacketDecoder) does not know; loaded the same way, only then.
    struct RiffTags {
        decltype(&avformat_get_riff_audio_tags) riff_audio_tags = nullptr;
        decltype(&av_codec_get_id) codec_get_id = nullptr;
    };
    static const RiffTags* riffTags(std::string& why);
};
