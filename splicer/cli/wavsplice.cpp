// wavsplice: the splicer's joining engine from a terminal.
//   wavsplice -o OUT.wav [--no-header] [-q] [-v] [--loudness[=LUFS]] [--gap S | --crossfade S]
//             IN.wav...
//   wavsplice --measure [--loudness=LUFS] IN.wav...

#include "wav/AtomicOutput.h"
#include "wav/clsWavConcatenate.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
        "Usage: wavsplice -o OUT.wav [OPTION]... IN.wav...\n"
        "       wavsplice --measure [--loudness=LUFS] IN.wav...\n"
        "Joins WAV files, in the order given, into one PCM 2 channel / 44,100 Hz / 16-bit\n"
        "WAV file, converting each input on the way.\n\n"
        "  -o, --output FILE   the joined file (replaced only when the whole join succeeds)\n"
        "      --no-header     write the sound only, without the 44-byte WAV header\n"
        "      --loudness[=LUFS]  bring every input to one loudness (EBU R128), -16 LUFS\n"
        "                      unless given (-23 to -9); true peaks stay under -1 dBTP\n"
        "      --gap SECONDS   silence between the inputs (0 to 10)\n"
        "      --crossfade SECONDS  equal-power crossfade between the inputs (0 to 5);\n"
        "                      not with --gap\n"
        "      --measure       only print each input's loudness, true peak and gain\n"
        "  -v, --verbose       print that table after the join\n"
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

// The options that shape how the inputs meet. Taken: the argument (and the value after it,
// for `--gap S` and `--crossfade S`) was one of them; Wrong: it was, but unusable (said on
// stderr); NotOurs: some other argument.
enum class JoinArgument { NotOurs, Taken, Wrong };

JoinArgument joinArgument(int& i, int argc, char** argv, JoinOptions& options, bool& measureOnly,
                          bool& verbose) {
    const std::string arg = argv[i];
    const auto number = [](const std::string& text, double& value) {
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
        return !text.empty() && end && *end == '\0' && std::isfinite(value);
    };
    if (arg == "--measure") {
        measureOnly = true;
        options.matchLoudness = true;
        return JoinArgument::Taken;
    }
    if (arg == "-v" || arg == "--verbose") {
        verbose = true;
        return JoinArgument::Taken;
    }
    if (arg == "--loudness" || arg.starts_with("--loudness=")) {
        options.matchLoudness = true;
        if (arg != "--loudness" && !number(arg.substr(11), options.targetLufs)) {
            std::fprintf(stderr, "wavsplice: --loudness takes a target in LUFS, not \"%s\"\n",
                         arg.substr(11).c_str());
            return JoinArgument::Wrong;
        }
        return JoinArgument::Taken;
    }
    for (const char* name : {"--gap", "--crossfade"}) {
        const std::string prefix = std::string(name) + "=";
        if (arg != name && !arg.starts_with(prefix)) {
            continue;
        }
        std::string value;
        if (arg != name) {
            value = arg.substr(prefix.size());
        } else if (i + 1 < argc) {
            value = argv[++i];
        }
        double& seconds = arg.starts_with("--gap") ? options.gapSeconds : options.crossfadeSeconds;
        if (!number(value, seconds)) {
            std::fprintf(stderr, "wavsplice: %s needs a number of seconds\n", name);
            return JoinArgument::Wrong;
        }
        return JoinArgument::Taken;
    }
    return JoinArgument::NotOurs;
}

std::string inputName(const clsWavConcatenate& engine, size_t i) {
    return std::filesystem::path(engine.queueSlots()[i].FileName).filename().string();
}

// One line per input: measured loudness, true peak, the gain the join gives it (or gave).
void printLoudness(const clsWavConcatenate& engine) {
    std::puts("   LUFS    dBTP    gain  file");
    for (size_t i = 0; i < engine.loudness().size(); ++i) {
        const InputLoudness& m = engine.loudness()[i];
        const std::string name = inputName(engine, i);
        if (!m.measured) {
            std::printf("%7s %7s %7s  %s\n", "-", "-", "-", name.c_str());
            continue;
        }
        char lufs[16] = "-", peak[16] = "-";
        if (std::isfinite(m.lufs)) {
            std::snprintf(lufs, sizeof lufs, "%.1f", m.lufs);
        }
        if (std::isfinite(m.truePeak)) {
            std::snprintf(peak, sizeof peak, "%.1f", m.truePeak);
        }
        const char* note = m.kept            ? "  (kept: silent or under 0.4 s)"
                           : m.limitedByPeak ? "  (held under -1 dBTP)"
                                             : "";
        std::printf("%7s %7s %+7.1f  %s%s\n", lufs, peak, m.gainDb, name.c_str(), note);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::string output;
    bool header = true;
    bool quiet = false;
    std::vector<std::string> inputs;
    JoinOptions joinOptions;
    bool measureOnly = false, verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (const JoinArgument a = joinArgument(i, argc, argv, joinOptions, measureOnly, verbose);
            a != JoinArgument::NotOurs) {
            if (a == JoinArgument::Wrong) {
                return WrongArguments;
            }
            continue;
        }
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
    if ((output.empty() && !measureOnly) || inputs.empty()) {
        usage(stderr);
        return WrongArguments;
    }
    clsWavConcatenate engine;
    if (const std::string problem = joinOptions.problem(); !problem.empty()) {
        std::fprintf(stderr, "wavsplice: %s\n", problem.c_str());
        return WrongArguments;
    }
    if (!engine.setJoinOptions(joinOptions)) {
        std::fprintf(stderr, "wavsplice: %s\n", engine.lastError().c_str());
        return WrongArguments;
    }

    // An output that can never be written is named before any input is looked at.
    std::string target, why;
    if (!measureOnly && !AtomicOutput::resolve(output, target, why)) {
        std::fprintf(stderr, "wavsplice: %s\n", why.c_str());
        return Failed;
    }
    catchStopSignals();

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
    const bool ok = measureOnly ? engine.WaveMeasure() : engine.WaveConcatenate(output, header);
    line.finish();
    if (stopSignal) {
        dieBy(stopSignal);
    }
    if (!ok) {
        std::fprintf(stderr, "wavsplice: %s\n", engine.lastError().c_str());
        return Failed;
    }
    if (measureOnly || (verbose && joinOptions.matchLoudness)) {
        printLoudness(engine);
    }
    for (size_t i = 0; i < engine.loudness().size(); ++i) {
        if (engine.loudness()[i].crossfadeSkipped) {
            std::fprintf(stderr,
                         "wavsplice: note: %s is shorter than twice the crossfade; it is joined "
                         "without one\n",
                         inputName(engine, i).c_str());
        }
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
