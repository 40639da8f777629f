#include "wav/GsmBlocks.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

namespace {

constexpr uint16_t TagGsm610 = 0x0031;
// The GSM library's option that reads frames packed two to a block, as WAV files hold them.
constexpr int OptionWav49 = 4;

struct GsmLibrary {
    void* (*create)() = nullptr;
    void (*destroy)(void*) = nullptr;
    int (*option)(void*, int, int*) = nullptr;
    int (*decode)(void*, unsigned char*, short*) = nullptr;
};

// Loaded once per process and never unloaded; null when it is not there.
const GsmLibrary* library() {
    static GsmLibrary lib;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        void* handle = dlopen("libgsm.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            return;
        }
        lib.create = reinterpret_cast<void* (*)()>(dlsym(handle, "gsm_create"));
        lib.destroy = reinterpret_cast<void (*)(void*)>(dlsym(handle, "gsm_destroy"));
        lib.option = reinterpret_cast<int (*)(void*, int, int*)>(dlsym(handle, "gsm_option"));
        lib.decode =
            reinterpret_cast<int (*)(void*, unsigned char*, short*)>(dlsym(handle, "gsm_decode"));
        loaded = lib.create && lib.destroy && lib.option && lib.decode;
    });
    return loaded ? &lib : nullptr;
}

} // namespace

bool GsmBlocks::takes(const SourceFormat& f) {
    return f.tag == TagGsm610 && f.record.nChannels == 1 && f.record.nBlockAlign == BlockBytes &&
           library() != nullptr;
}

GsmBlocks::GsmBlocks() {
    if (const GsmLibrary* lib = library()) {
        m_state = lib->create();
        int on = 1;
        if (m_state) {
            lib->option(m_state, OptionWav49, &on);
        }
    }
}

GsmBlocks::~GsmBlocks() {
    if (m_state) {
        library()->destroy(m_state);
    }
}

bool GsmBlocks::decode(const uint8_t* block, float* plane) {
    if (!m_state) {
        return false;
    }
    // The block's two frames start at its bytes 0 and 33; the library reads a copy.
    unsigned char bytes[BlockBytes];
    std::memcpy(bytes, block, BlockBytes);
    short samples[FramesPerBlock];
    const GsmLibrary* lib = library();
    if (lib->decode(m_state, bytes, samples) < 0 ||
        lib->decode(m_state, bytes + 33, samples + FramesPerBlock / 2) < 0) {
        return false;
    }
    for (size_t i = 0; i < FramesPerBlock; ++i) {
        plane[i] = samples[i] * (1.0f / 32768);
    }
    return true;
}
