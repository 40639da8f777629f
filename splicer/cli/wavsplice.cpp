// wavsplice: the splicer's joining engine from a terminal.
//   wavsplice [OPTION]... -o OUT.wav IN.wav...
//   wavsplice --measure [--loudness=LUFS] IN.wav...

#include "wav/AtomicOutput.h"
#include "wav/clsWavConcatenate.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

enum ExitStatus { Joined = 0, Failed = 1, WrongArguments = 2, SomeLeftOut = 3 };
// SomeLeftOut also stands for inputs joined only as far as their files went.

// Every message of the program goes to standard error and starts with the program's name, so
// that it can be told apart in a pipeline.
template <typename... Args> void say(const char* format, Args... args) {
    std::fputs("wavsplice: ", stderr);
    std::fprintf(stderr, format, args...);
    std::fputc('\n', stderr);
}

struct Options {
    std::optional<std::string> output; // "-" is standard output
    bool header = true;
    bool quiet = false;
    bool skipBad = false;
    bool help = false;
    bool version = false;
    JoinOptions join;
    bool measureOnly = false;
    bool verbose = false;
    std::vector<std::string> inputs;
};

// A number the whole of `text` spells.
bool number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

// One row per option. The parser and the help both read this table, so an option is added
// by adding its row. `take` gets the value (empty for a switch) and returns what is wrong
// with it, or nothing.
struct Option {
    char shortName; // '\0' when the option has none
    std::string_view longName;
    std::string_view valueName; // empty for a switch; "[NAME]": a value may follow "="
    std::string_view help;
    std::string (*take)(Options&, const std::string& value);
};

const Option options[] = {
    {'o', "output", "FILE",
     "the joined file, replaced only when the whole join succeeds; - writes it to standard output",
     [](Options& o, const std::string& v) -> std::string {
         if (o.output) {
             return "-o given twice: there is one output file";
         }
         if (v.empty()) {
             return "-o needs a file name";
         }
         o.output = v;
         return {};
     }},
    {'\0', "loudness", "[LUFS]",
     "bring every input to one loudness (EBU R128): -16 LUFS unless given (-23 to -9); true "
     "peaks stay under -1 dBTP",
     [](Options& o, const std::string& v) -> std::string {
         o.join.matchLoudness = true;
         if (!v.empty() && !number(v, o.join.targetLufs)) {
             return "--loudness takes a target in LUFS, not \"" + v + "\"";
         }
         return {};
     }},
    {'\0', "gap", "SECONDS", "silence between the inputs (0 to 10 seconds)",
     [](Options& o, const std::string& v) -> std::string {
         return number(v, o.join.gapSeconds) ? std::string() : "--gap needs a number of seconds";
     }},
    {'\0', "crossfade", "SECONDS",
     "an equal-power crossfade between the inputs (0 to 5 seconds); not with --gap, nor with "
     "-o -",
     [](Options& o, const std::string& v) -> std::string {
         return number(v, o.join.crossfadeSeconds) ? std::string()
                                                   : "--crossfade needs a number of seconds";
     }},
    {'\0', "measure", "",
     "only print each input's loudness, true peak and the gain a join would give it; needs no "
     "-o and writes nothing",
     [](Options& o, const std::string&) -> std::string {
         o.measureOnly = true;
         o.join.matchLoudness = true;
         return {};
     }},
    {'v', "verbose", "", "after a join with --loudness, print that table",
     [](Options& o, const std::string&) -> std::string {
         o.verbose = true;
         return {};
     }},
    {'\0', "skip-bad", "",
     "join the inputs that can be joined and leave out the others (missing, unreadable or "
     "refused), instead of writing nothing",
     [](Options& o, const std::string&) -> std::string {
         o.skipBad = true;
         return {};
     }},
    {'\0', "no-header", "", "write the sound only, without the 44-byte WAV header",
     [](Options& o, const std::string&) -> std::string {
         o.header = false;
         return {};
     }},
    {'q', "quiet", "", "no progress line",
     [](Options& o, const std::string&) -> std::string {
         o.quiet = true;
         return {};
     }},
    {'h', "help", "", "show this help",
     [](Options& o, const std::string&) -> std::string {
         o.help = true;
         return {};
     }},
    {'\0', "version", "", "show the version",
     [](Options& o, const std::string&) -> std::string {
         o.version = true;
         return {};
     }},
};

const Option* findShort(char c) {
    for (const Option& option : options) {
        if (option.shortName != '\0' && option.shortName == c) {
            return &option;
        }
    }
    return nullptr;
}

const Option* findLong(std::string_view name) {
    for (const Option& option : options) {
        if (option.longName == name) {
            return &option;
        }
    }
    return nullptr;
}

// Reads the command line in the usual forms: "-o FILE", "-oFILE", "-qo FILE", "--output FILE",
// "--output=FILE", and "--" before inputs that start with a dash. Returns what is wrong with it.
std::string parse(int argc, char** argv, Options& o) {
    bool onlyInputs = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyInputs || arg == "-" || arg.empty() || arg[0] != '-') {
            o.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }
        std::string error;
        if (arg.starts_with("--")) {
            const size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? arg.npos : equals - 2);
            const Option* option = findLong(name);
            if (!option) {
                return "unknown option --" + name;
            }
            std::string value;
            if (option->valueName.empty()) {
                if (equals != std::string::npos) {
                    return "--" + name + " takes no value";
                }
            } else if (option->valueName.starts_with('[')) {
                if (equals != std::string::npos) {
                    value = arg.substr(equals + 1);
                }
            } else if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (++i < argc) {
                value = argv[i];
            } else {
                return "--" + name + " needs " + std::string(option->valueName);
            }
            error = option->take(o, value);
        } else {
            for (size_t j = 1; j < arg.size() && error.empty(); ++j) {
                const Option* option = findShort(arg[j]);
                if (!option) {
                    return std::string("unknown option -") + arg[j];
                }
                std::string value;
                if (!option->valueName.empty()) {
                    if (j + 1 < arg.size()) {
                        value = arg.substr(j + 1);
                    } else if (++i < argc) {
                        value = argv[i];
                    } else {
                        return std::string("-") + arg[j] + " needs " +
                               std::string(option->valueName);
                    }
                    j = arg.size();
                }
                error = option->take(o, value);
            }
        }
        if (!error.empty()) {
            return error;
        }
    }
    if (o.help || o.version) {
        return {};
    }
    if (!o.output && !o.measureOnly) {
        return "no output file: give one with -o FILE";
    }
    if (o.inputs.empty()) {
        return "no input files";
    }
    for (const std::string& in : o.inputs) {
        if (in == "-") {
            return "standard input cannot be an input: name the WAV files";
        }
    }
    return o.join.problem();
}

void help() {
    std::puts("Usage: wavsplice [OPTION]... -o OUT.wav IN.wav...\n"
              "       wavsplice --measure [--loudness=LUFS] IN.wav...\n"
              "Joins WAV files, in the order given, into one PCM 2 channel / 44,100 Hz / 16-bit\n"
              "WAV file, converting each input on the way.\n");
    for (const Option& option : options) {
        std::string names =
            option.shortName ? std::string("  -") + option.shortName + ", " : std::string("      ");
        names += "--" + std::string(option.longName);
        if (option.valueName.starts_with('[')) {
            names += "[=" + std::string(option.valueName.substr(1));
        } else if (!option.valueName.empty()) {
            names += "=" + std::string(option.valueName);
        }
        // The help is wrapped at 80 columns beside the option's names.
        // A name too long for its column puts the help on the next line.
        std::string line = names.size() < 22 ? names + std::string(22 - names.size(), ' ')
                                             : names + "\n" + std::string(22, ' ');
        std::string_view words = option.help;
        size_t column = 22;
        for (bool first = true; !words.empty(); first = false) {
            const size_t space = words.find(' ');
            const std::string_view word = words.substr(0, space);
            if (!first && column + 1 + word.size() > 79) {
                line += "\n" + std::string(22, ' ');
                column = 22;
            } else if (!first) {
                line += ' ';
                ++column;
            }
            line += word;
            column += word.size();
            words = space == std::string_view::npos ? std::string_view() : words.substr(space + 1);
        }
        std::puts(line.c_str());
    }
    std::puts("\nAn input that is missing, unreadable or not a WAV file the converter knows stops\n"
              "the run before anything is written, each such input named; with --skip-bad the\n"
              "others are joined. A file whose sound ends before its header says is joined as\n"
              "far as it goes, with a warning. Messages and the progress line go to standard\n"
              "error.\n\n"
              "Exit status: 0 every input joined whole; 1 the join failed and nothing was\n"
              "written; 2 wrong arguments; 3 joined, but some inputs were left out (--skip-bad)\n"
              "or cut short.");
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
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        }
        m_drawn = false;
    }

private:
    void draw() {
        if (!m_enabled) {
            return;
        }
        std::fprintf(stderr, "\r\033[K%3d%%  %s", m_percent, m_name.c_str());
        std::fflush(stderr);
        m_drawn = true;
    }
    bool m_enabled;
    bool m_drawn = false;
    int m_percent = 0;
    std::string m_name;
};

// The engine names an input by its file name; a message names it as it was given.
std::string reasonFor(const std::string& input, const std::string& error) {
    const std::string name = std::filesystem::path(input).filename().string();
    if (error.starts_with(name + ": ")) {
        return input + error.substr(name.size());
    }
    if (error.starts_with(name + " ")) {
        return input + ":" + error.substr(name.size());
    }
    return input + ": " + error;
}

std::string inputName(const clsWavConcatenate& engine, size_t i) {
    return std::filesystem::path(engine.queueSlots()[i].FileName).filename().string();
}

// One line per input: measured loudness, true peak, the gain the join gives it (or gave).
void printLoudness(const clsWavConcatenate& engine, FILE* to) {
    std::fputs("   LUFS    dBTP    gain  file\n", to);
    for (size_t i = 0; i < engine.loudness().size(); ++i) {
        const InputLoudness& m = engine.loudness()[i];
        const std::string name = inputName(engine, i);
        if (!m.measured) {
            std::fprintf(to, "%7s %7s %7s  %s\n", "-", "-", "-", name.c_str());
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
        std::fprintf(to, "%7s %7s %+7.1f  %s%s\n", lufs, peak, m.gainDb, name.c_str(), note);
    }
    std::fflush(to);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (const std::string wrong = parse(argc, argv, o); !wrong.empty()) {
        say("%s", wrong.c_str());
        say("%s", "try 'wavsplice --help' for more information");
        return WrongArguments;
    }
    if (o.help) {
        help();
        return Joined;
    }
    if (o.version) {
        std::puts("wavsplice (splicer) " SPLICER_VERSION);
        return Joined;
    }
    const bool toStdout = o.output && *o.output == "-";
    if (toStdout && o.join.crossfadeSeconds > 0) {
        say("%s", "a crossfade cannot be streamed to standard output: write to a file");
        return WrongArguments;
    }

    // An output that can never be written is named before any input is looked at.
    if (o.measureOnly) {
        // Nothing is written.
    } else if (toStdout) {
        if (isatty(STDOUT_FILENO) == 1) {
            say("%s", "standard output is a terminal: send the sound to a file or a program");
            return Failed;
        }
    } else if (std::string target, why; !AtomicOutput::resolve(*o.output, target, why)) {
        say("%s", why.c_str());
        return Failed;
    }
    catchStopSignals();

    clsWavConcatenate engine;
    if (!engine.setJoinOptions(o.join)) {
        say("%s", engine.lastError().c_str());
        return WrongArguments;
    }
    engine.setOutputFormat(WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0});
    size_t leftOut = 0, cutShort = 0;
    for (const std::string& in : o.inputs) {
        if (!engine.WaveAdd(in)) {
            ++leftOut;
            say("%s", reasonFor(in, engine.lastError()).c_str());
        } else if (const std::string shortfall =
                       clsWavConcatenate::shortfall(engine.queueSlots()[engine.queueCount() - 1]);
                   !shortfall.empty()) {
            ++cutShort;
            say("warning: %s; what is there is joined", shortfall.c_str());
        }
        if (stopSignal) {
            dieBy(stopSignal);
        }
    }
    if (leftOut == o.inputs.size()) {
        say("%s", "no input could be joined; nothing was written");
        return Failed;
    }
    if (leftOut > 0 && !o.skipBad) {
        say("%zu of %zu inputs cannot be joined; nothing was written (--skip-bad joins the rest)",
            leftOut, o.inputs.size());
        return Failed;
    }
    ProgressLine line(!o.quiet && isatty(STDERR_FILENO) == 1);
    engine.FileChanged = [&](std::string& name) { line.file(name); };
    engine.Progress = [&](int16_t& p) { line.percent(p); };
    engine.CancelRequested = [] { return stopSignal != 0; };
    const bool ok = o.measureOnly ? engine.WaveMeasure()
                    : toStdout    ? engine.WaveConcatenateTo(STDOUT_FILENO, o.header)
                                  : engine.WaveConcatenate(*o.output, o.header);
    line.finish();
    if (stopSignal) {
        dieBy(stopSignal);
    }
    if (!ok) {
        const bool sentSome = toStdout && engine.bytesSent() > 0;
        say("%s%s", engine.lastError().c_str(),
            sentSome ? "; the sound sent to standard output is incomplete" : "");
        return Failed;
    }
    // The table is what --measure prints; after a join it keeps off a stream of sound.
    if (o.measureOnly || (o.verbose && o.join.matchLoudness)) {
        printLoudness(engine, toStdout ? stderr : stdout);
    }
    for (size_t i = 0; i < engine.loudness().size(); ++i) {
        if (engine.loudness()[i].crossfadeSkipped) {
            say("note: %s is shorter than twice the crossfade; it is joined without one",
                inputName(engine, i).c_str());
        }
    }
    if (leftOut > 0) {
        say("%zu of %zu inputs left out", leftOut, o.inputs.size());
    }
    if (cutShort > 0) {
        say("%zu of %zu inputs cut short", cutShort, o.inputs.size());
    }
    if (leftOut > 0 || cutShort > 0) {
        return SomeLeftOut;
    }
    return Joined;
}
