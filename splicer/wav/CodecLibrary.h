#pragma once
// libavcodec and libavformat, loaded on first use. Plain sample formats (integer PCM, float,
// A-law and mu-law) are converted without them; only compressed WAVE formats need a decoder.
// Loading the two libraries pulls in well over a hundred others and about 23 MiB of resident
// memory, which a join of plain WAV files should not pay for.

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
    decltype(&avformat_get_riff_audio_tags) riff_audio_tags = nullptr;
    decltype(&av_codec_get_id) codec_get_id = nullptr;

    // The loaded libraries, or null with the reason in `why` when they cannot be loaded.
    // Loaded once per process and never unloaded.
    static const CodecLibrary* get(std::string& why);
};
