#include "wav/CodecLibrary.h"

#include <dlfcn.h>

namespace {

#define TAVREL_STR2(x) #x
#define TAVREL_STR(x) TAVREL_STR2(x)
// The major versions of the headers this was built with: the matching libraries only.
constexpr const char* kCodecName = "libavcodec.so." TAVREL_STR(LIBAVCODEC_VERSION_MAJOR);
constexpr const char* kFormatName = "libavformat.so." TAVREL_STR(LIBAVFORMAT_VERSION_MAJOR);

template <typename F> bool bind(void* lib, const char* name, F& slot, std::string& why) {
    slot = reinterpret_cast<F>(dlsym(lib, name));
    if (!slot) {
        why = std::string("the decoder library lacks ") + name;
    }
    return slot != nullptr;
}

struct Loaded {
    CodecLibrary lib;
    std::string why;
    bool ok = false;

    Loaded() {
        void* codec = dlopen(kCodecName, RTLD_NOW | RTLD_LOCAL);
        if (!codec) {
            const char* e = dlerror();
            why = std::string("compressed WAVE formats need ") + kCodecName +
                  (e ? std::string(": ") + e : std::string());
            return;
        }
        ok = bind(codec, "avcodec_find_decoder", lib.find_decoder, why) &&
             bind(codec, "avcodec_alloc_context3", lib.alloc_context3, why) &&
             bind(codec, "avcodec_free_context", lib.free_context, why) &&
             bind(codec, "avcodec_open2", lib.open2, why) &&
             bind(codec, "avcodec_send_packet", lib.send_packet, why) &&
             bind(codec, "avcodec_receive_frame", lib.receive_frame, why) &&
             bind(codec, "avcodec_flush_buffers", lib.flush_buffers, why) &&
             bind(codec, "av_packet_alloc", lib.packet_alloc, why) &&
             bind(codec, "av_packet_free", lib.packet_free, why) &&
             bind(codec, "av_parser_init", lib.parser_init, why) &&
             bind(codec, "av_parser_parse2", lib.parser_parse2, why) &&
             bind(codec, "av_parser_close", lib.parser_close, why) &&
             bind(codec, "av_get_exact_bits_per_sample", lib.exact_bits_per_sample, why);
    }
};

struct LoadedTags {
    CodecLibrary::RiffTags tags;
    std::string why;
    bool ok = false;

    LoadedTags() {
        void* format = dlopen(kFormatName, RTLD_NOW | RTLD_LOCAL);
        if (!format) {
            const char* e = dlerror();
            why = std::string("this WAVE format needs ") + kFormatName +
                  (e ? std::string(": ") + e : std::string());
            return;
        }
        ok = bind(format, "avformat_get_riff_audio_tags", tags.riff_audio_tags, why) &&
             bind(format, "av_codec_get_id", tags.codec_get_id, why);
    }
};

} // namespace

const CodecLibrary* CodecLibrary::get(std::string& why) {
    static Loaded loaded;
    if (!loaded.ok) {
        why = loaded.why;
    }
    return loaded.ok ? &loaded.lib : nullptr;
}

const CodecLibrary::RiffTags* CodecLibrary::riffTags(std::string& why) {
    static LoadedTags loaded;
    why = loaded.why;
    return loaded.ok ? &loaded.tags : nullptr;
}
