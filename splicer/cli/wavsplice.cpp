// wavsplice: the splicer's joining engine from a terminal.
//   wavsplice -o OUT.wav [--no-header] [-q] IN.wav...

#include "wav/AtomicOutput.h"
#include "wav/clsWavConcatenate.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

enum ExitStatus { Joined = 0, Failed = 1, WrongArguments = 2, SomeLeftOut = 3 };
// SomeLeftOut also stands for inputs joined only as far as their files went.

void usage(FILE* to) {
    std::fputs(
        "Usage: wavsplice -o OUT.wav [--no-header] [-q] IN.wav...\n"
        "Joins WAV files, in the order given, into one PCM 2 channel / 44,100 Hz / 16-bit\n"
        "WAV file, converting each input on the way.\n\n"
        "  -o, --output FILE   the joined file (replaced only when the whole join succeeds)\n"
        "      --no-header     write the sound only, without the 44-byte WAV header\n"
        "  -q, --quiet         no progress line\n"
        "  -h, --help          show this help\n"
        "      --version       show the version\n\n"
        "Files that cannot be joined are left out with \"Wave NAME not supported!\"; a file\n"
        "whose sound ends before its header says is joined as far as it goes, with a warning.\n"
        "Exit status: 0 every input joined whole; 1 the join failed and nothing was written;\n"
        "2 wrong arguments; 3 joined, but some inputs were left out or cut short.\n",
        to);
}

// The signal that asked the run to stop; the run ends at the next piece of sound.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal) {
    stopSignal = signal;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &action, nullptr);
    }
}

// Ends the program by the signal that stopped it, so that the shell sees why.
[[noreturn]] void dieBy(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal);
}

// One line on the terminal, rewritten in place: percentage and the file being converted.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : m_enabled(enabled) {}
    void file(const std::string& path) {
        m_name = std::filesystem::path(path).filename().string();
        draw();
    }
    void percent(int p) {
        m_percent = p;
        draw();
    }
    void finish() {
        if (m_enabled && m_drawn) {
            std::fputs("\r\033[K", stdout);
            std::fflush(stdout);
        }
        m_drawn = false;
    }

private:
    void draw() {
        if (!m_enabled) {
            return;
        }
        std::fprintf(stdout, "\r\033[K%3d%%  %s", m_percent, m_name.c_str());
        std::fflush(stdout);
        m_drawn = true;
    }
    bool m_enabled;
    bool m_drawn = false;
    int m_percent = 0;
    std::string m_name;
};

} // namespace

int main(int argc, char** argv) {
    std::string output;
    bool header = true;
    bool quiet = false;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return Joined;
        }
        if (arg == "--version") {
            std::puts("wavsplice (splicer) " SPLICER_VERSION);
            return Joined;
        }
        if (arg == "--no-header") {
            header = false;
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "-o" || arg == "--output") {
            if (++i == argc) {
                std::fputs("wavsplice: -o needs a file name\n", stderr);
                return WrongArguments;
            }
            output = argv[i];
        } else if (arg == "--") {
            inputs.insert(inputs.end(), argv + i + 1, argv + argc);
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "wavsplice: unknown option %s\n", arg.c_str());
            usage(stderr);
            return WrongArguments;
        } else {
            inputs.push_back(arg);
        }
    }
    if (output.empty() || inputs.empty()) {
        usage(stderr);
        return WrongArguments;
    }

    // An output that can never be written is named before any input is looked at.
    std::string target, why;
    if (!AtomicOutput::resolve(output, target, why)) {
        std::fprintf(stderr, "wavsplice: %s\n", why.c_str());
        return Failed;
    }
    catchStopSignals();

    clsWavConcatenate engine;
    engine.setOutputFormat(WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0});
    size_t leftOut = 0, cutShort = 0;
    for (const std::string& in : inputs) {
        if (!engine.WaveAdd(in)) {
            ++leftOut;
            std::fprintf(stderr, "Wave %s not supported!\n  %s\n",
                         std::filesystem::path(in).filename().c_str(), engine.lastError().c_str());
        } else if (const std::string shortfall =
                       clsWavConcatenate::shortfall(engine.queueSlots()[engine.queueCount() - 1]);
                   !shortfall.empty()) {
            ++cutShort;
            std::fprintf(stderr, "wavsplice: warning: %s; what is there is joined\n",
                         shortfall.c_str());
        }
        if (stopSignal) {
            dieBy(stopSignal);
        }
    }
    if (leftOut == inputs.size()) {
        std::fputs("wavsplice: no input could be joined; nothing was written\n", stderr);
        return Failed;
    }
    ProgressLine line(!quiet && isatty(STDOUT_FILENO) == 1);
    engine.FileChanged = [&](std::string& name) { line.file(name); };
    engine.Progress = [&](int16_t& p) { line.percent(p); };
    engine.CancelRequested = [] { return stopSignal != 0; };
    const bool ok = engine.WaveConcatenate(output, header);
    line.finish();
    if (stopSignal) {
        dieBy(stopSignal);
    }
    if (!ok) {
        std::fprintf(stderr, "wavsplice: %s\n", engine.lastError().c_str());
        return Failed;
    }
    if (leftOut > 0) {
        std::fprintf(stderr, "wavsplice: %zu of %zu inputs left out\n", leftOut, inputs.size());
    }
    if (cutShort > 0) {
        std::fprintf(stderr, "wavsplice: %zu of %zu inputs cut short\n", cutShort, inputs.size());
    }
    if (leftOut > 0 || cutShort > 0) {
        return SomeLeftOut;
    }
    return Joined;
}
