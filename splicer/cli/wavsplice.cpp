// wavsplice: the splicer's joining engine from a terminal.
//   wavsplice -o OUT.wav [--no-header] IN.wav...

#include "wav/clsWavConcatenate.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void usage(FILE* to) {
    std::fputs(
        "Usage: wavsplice -o OUT.wav [--no-header] IN.wav...\n"
        "Joins WAV files, in the order given, into one PCM 2 channel / 44,100 Hz / 16-bit\n"
        "WAV file, converting each input on the way.\n\n"
        "  -o, --output FILE   the joined file (replaced only when the whole join succeeds)\n"
        "      --no-header     write the sound only, without the 44-byte WAV header\n"
        "  -h, --help          show this help\n\n"
        "Files that cannot be joined are left out with \"Wave NAME not supported!\".\n"
        "Exit status: 0 joined, 1 the join failed, 2 wrong arguments.\n",
        to);
}

class ProgressBar {
public:
    ProgressBar() : enabled_(isatty(STDERR_FILENO) == 1) {}
    void file(const std::string& path) {
        name_ = std::filesystem::path(path).filename().string();
        draw();
    }
    void percent(int p) {
        percent_ = p;
        draw();
    }
    void finish() {
        if (enabled_ && drawn_)
            std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

private:
    void draw() {
        if (!enabled_)
            return;
        constexpr int width = 30;
        const int filled = percent_ * width / 100;
        std::fprintf(stderr, "\r\033[K[%.*s%*s] %3d%%  %s", filled,
                     "##############################", width - filled, "", percent_, name_.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }
    bool enabled_;
    bool drawn_ = false;
    int percent_ = 0;
    std::string name_;
};

} // namespace

int main(int argc, char** argv) {
    std::string output;
    bool header = true;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        }
        if (arg == "--no-header") {
            header = false;
        } else if (arg == "-o" || arg == "--output") {
            if (++i == argc) {
                std::fputs("wavsplice: -o needs a file name\n", stderr);
                return 2;
            }
            output = argv[i];
        } else if (arg == "--") {
            inputs.insert(inputs.end(), argv + i + 1, argv + argc);
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "wavsplice: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        } else {
            inputs.push_back(arg);
        }
    }
    if (output.empty() || inputs.empty()) {
        usage(stderr);
        return 2;
    }

    clsWavConcatenate engine;
    engine.setOutputFormat(WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0});
    for (const std::string& in : inputs) {
        if (!engine.WaveAdd(in))
            std::fprintf(stderr, "Wave %s not supported!\n  %s\n",
                         std::filesystem::path(in).filename().c_str(), engine.lastError().c_str());
    }
    ProgressBar bar;
    engine.FileChanged = [&](std::string& name) { bar.file(name); };
    engine.Progress = [&](int16_t& p) { bar.percent(p); };
    const bool ok = engine.WaveConcatenate(output, header);
    bar.finish();
    if (!ok) {
        std::fprintf(stderr, "wavsplice: %s\n", engine.lastError().c_str());
        return 1;
    }
    return 0;
}
