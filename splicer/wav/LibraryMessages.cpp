#include "wav/LibraryMessages.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

thread_local std::string lastError;

void keepErrors(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) {
        return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    lastError = text;
    while (!lastError.empty() && (lastError.back() == '\n' || lastError.back() == ' ')) {
        lastError.pop_back();
    }
}

} // namespace

namespace LibraryMessages {

void capture() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(keepErrors); });
}

std::string take() {
    std::string text;
    text.swap(lastError);
    return text;
}

} // namespace LibraryMessages
