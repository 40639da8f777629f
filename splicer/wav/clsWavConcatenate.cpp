#include "wav/clsWavConcatenate.h"

#include "wav/AtomicOutput.h"
#include "wav/ConversionStream.h"
#include "wav/JoinStage.h"
#include "wav/LittleEndian.h"
#include "wav/LoudnessMeter.h"
#include "wav/RiffReader.h"
#include "wav/TruePeak.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr int HeaderSize = 44;
// How far under the ceiling (dB) a peak measured at an input's own rate must stay to be
// trusted for the converted sound.
constexpr double PeakMargin = 1.0;
// The most (LU) that taking away the band above the output's may move a loudness measured at
// an input's own rate.
constexpr double MaxBandShift = 0.03;
constexpr size_t PendingBytes = 256 * 1024;
// The header's data size is unsigned 32-bit and the RIFF size adds 36 to it.
constexpr uint64_t MaxHeaderDataSize = 0xFFFFFFFFull - 36;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }
    int get() const { return m_fd; }
    bool reset() {
        const bool ok = m_fd < 0 || ::close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd;
};

std::string systemError() {
    return std::strerror(errno);
}

// Reads until `n` bytes or the end of the file; -1 on a read error.
int64_t readFull(int fd, uint8_t* p, uint64_t n) {
    uint64_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(fd, p + done, n - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<uint64_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool writeFull(int fd, const uint8_t* p, uint64_t n) {
    while (n > 0) {
        const ssize_t put = ::write(fd, p, n);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        p += put;
        n -= static_cast<uint64_t>(put);
    }
    return true;
}

std::string displayName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// 1234567 as "1,234,567".
std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

// Marks the engine busy for one run, and free again when the run ends however it ends; not
// taken when a run is under way already.
class RunGuard {
public:
    explicit RunGuard(bool& running) : m_running(running), m_taken(!running) { m_running = true; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;
    ~RunGuard() {
        if (m_taken) {
            m_running = false;
        }
    }
    bool taken() const { return m_taken; }

private:
    bool& m_running;
    bool m_taken;
};

} // namespace

struct clsWavConcatenate::Run {
    WaveFormatEx format; // as it was when the run started
    int out = -1;
    uint64_t written = 0;   // sound bytes written so far
    uint64_t consumed = 0;  // input bytes converted so far
    uint64_t total = 0;     // input bytes of the whole queue, once per pass
    bool counted = true;    // whether the input now read moves the progress on
    bool kernelCopy = true; // inputs in the output format may be copied file to file
    // A stream whose header has gone out takes no more sound than the header declares.
    uint64_t limit = UINT64_MAX;
    std::vector<uint64_t> frames; // output frames each input is expected to give
    int16_t lastPercent = 0;
    std::vector<uint8_t> pending; // converted sound gathered for one write
    std::string writeError;
    // A run that measures behind the one the caller sees: it reports no progress, calls
    // nothing back, and ends when `stop` is set (so does the other run).
    bool behind = false;
    const std::atomic<bool>* stop = nullptr;
    // Input bytes measured ahead of this run's writing, not yet in `consumed`.
    std::atomic<uint64_t>* measuredAhead = nullptr;

    bool write(const uint8_t* p, size_t n) {
        if (written + n > limit) {
            n = written >= limit ? 0 : static_cast<size_t>(limit - written);
        }
        written += n;
        // Large pieces go straight out; small ones are gathered.
        if (pending.empty() && n >= PendingBytes / 8) {
            if (writeFull(out, p, n)) {
                return true;
            }
            writeError = "Cannot write the joined file: " + systemError();
            return false;
        }
        pending.insert(pending.end(), p, p + n);
        return pending.size() < PendingBytes || flush();
    }
    bool flush() {
        if (!pending.empty() && !writeFull(out, pending.data(), pending.size())) {
            writeError = "Cannot write the joined file: " + systemError();
            return false;
        }
        pending.clear();
        return true;
    }
};

clsWavConcatenate::clsWavConcatenate() {
    ResetQueue();
}

WaveFormatEx& clsWavConcatenate::OutputFormat() {
    return m_outputFormat;
}

void clsWavConcatenate::setOutputFormat(const WaveFormatEx& format) {
    m_outputFormat = format;
}

void clsWavConcatenate::ResetQueue() {
    if (m_running) {
        return;
    }
    m_queue.clear();
    m_queue.emplace_back();
}

size_t clsWavConcatenate::queueCount() const {
    return m_queue.size() - 1;
}

std::string clsWavConcatenate::lastError() const {
    return m_lastError;
}

std::string clsWavConcatenate::shortfall(const WaveQueueEntry& e) {
    if (e.DataMissing <= 0) {
        return {};
    }
    return displayName(e.FileName) +
           " is cut short: " + grouped(static_cast<uint64_t>(e.DataMissing)) + " of its " +
           grouped(static_cast<uint64_t>(e.DataSize + e.DataMissing)) +
           " bytes of sound are missing";
}

bool clsWavConcatenate::fail(std::string reason) {
    // An input measured behind the caller's may fail at the same time.
    static std::mutex lock;
    const std::lock_guard<std::mutex> held(lock);
    m_lastError = std::move(reason);
    return false;
}

void clsWavConcatenate::reportProgress(Run& run) {
    if (run.measuredAhead) {
        run.consumed += run.measuredAhead->exchange(0);
    }
    const double share =
        run.total ? 100.0 * static_cast<double>(run.consumed) / static_cast<double>(run.total)
                  : 100.0;
    run.lastPercent =
        std::max(run.lastPercent, static_cast<int16_t>(std::min(100.0, std::nearbyint(share))));
    int16_t percent = run.lastPercent;
    if (Progress) {
        Progress(percent);
    }
    if (ProcessEvents) {
        ProcessEvents();
    }
}

bool clsWavConcatenate::FileExists(const std::string& path) const {
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

bool clsWavConcatenate::WaveAdd(const std::string& FileName) {
    // The queue must stay as it is while a run walks through it (a handler of its events may
    // try to add a file).
    if (m_running) {
        return fail("Files cannot be added while a join is running");
    }
    m_lastError.clear();
    const std::string name = displayName(FileName);
    std::error_code ec;
    if (!FileName.empty() && std::filesystem::is_directory(FileName, ec)) {
        return fail(name + " is a folder, not a WAV file");
    }
    if (FileName.empty() || !FileExists(FileName)) {
        return fail(name + ": no such file");
    }
    if (!std::filesystem::is_regular_file(FileName, ec)) {
        return fail(name + " is not a plain file");
    }
    RiffReader reader;
    if (!reader.open(FileName)) {
        return fail(name + ": cannot be read (" + systemError() + ")");
    }
    RiffChunk riff, fmt, data;
    if (!reader.descendRiff(riff, RiffReader::fourCC("WAVE"))) {
        // Written by a few old tools on big-endian machines, and by nothing current.
        if (reader.bigEndian()) {
            return fail(name + ": big-endian WAV (RIFX) is not supported");
        }
        return fail(name + ": not a RIFF WAVE file");
    }
    // Recorders and editors often put "JUNK", "bext" or "LIST" first: the format comes from
    // the real fmt chunk wherever it lies.
    if (!reader.descend(fmt, RiffReader::fourCC("fmt "), riff)) {
        return fail(name + ": no format chunk");
    }
    const std::vector<uint8_t> body = reader.readBody(fmt, 18 + 0xFFFF);
    if (body.size() < 16) {
        return fail(name + ": format chunk too short");
    }
    WaveQueueEntry entry;
    entry.FileName = FileName;
    entry.Format.wFormatTag = LittleEndian::read16(&body[0]);
    entry.Format.nChannels = LittleEndian::read16(&body[2]);
    entry.Format.nSamplesPerSec = LittleEndian::read32(&body[4]);
    entry.Format.nAvgBytesPerSec = LittleEndian::read32(&body[8]);
    entry.Format.nBlockAlign = LittleEndian::read16(&body[12]);
    entry.Format.wBitsPerSample = LittleEndian::read16(&body[14]);
    if (body.size() >= 18) {
        const size_t extra = std::min<size_t>(LittleEndian::read16(&body[16]), body.size() - 18);
        entry.FormatExtra.assign(body.begin() + 18,
                                 body.begin() + 18 + static_cast<std::ptrdiff_t>(extra));
    }
    entry.Format.cbSize = static_cast<uint16_t>(entry.FormatExtra.size());
    if (!reader.descend(data, RiffReader::fourCC("data"), riff)) {
        return fail(name + ": no data chunk");
    }
    entry.DataStart = static_cast<int64_t>(reader.offset()) + 1;
    // A recording cut short (or still being written) declares more sound than it holds: it
    // ends where the file ends, and the shortfall is told. Writers that cannot go back to
    // the header declare 0xFFFFFFFF: the sound goes to the end of the file.
    const uint64_t present = reader.fileSize() - data.dataOffset;
    entry.DataSize = static_cast<int64_t>(std::min<uint64_t>(data.size, present));
    if (data.size > present && data.size != 0xFFFFFFFF) {
        entry.DataMissing = static_cast<int64_t>(data.size - present);
    }
    entry.FileSize = static_cast<int64_t>(reader.fileSize());
    reader.close();

    ConversionStream probe;
    if (!probe.open(entry.Format, entry.FormatExtra, m_outputFormat,
                    ConversionStream::Purpose::Probe)) {
        return fail(name + ": format not supported (" + probe.error() + ")");
    }

    m_queue.back() = std::move(entry);
    m_queue.emplace_back();
    return true;
}

bool clsWavConcatenate::setJoinOptions(const JoinOptions& options) {
    if (m_running) {
        return fail("The options cannot change while a join is running");
    }
    if (std::string why = options.problem(); !why.empty()) {
        why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
        return fail(why);
    }
    m_options = options;
    return true;
}

// What every run starts with: the queue is there, each input still converts, and the sizes.
bool clsWavConcatenate::begin(Run& run) {
    m_lastError.clear();
    m_loudness.clear();
    if (m_queue.front().FileName.empty()) {
        return fail("No files to join");
    }
    run.format = m_outputFormat;
    for (const WaveQueueEntry& e : m_queue) {
        run.total += static_cast<uint64_t>(e.DataSize);
        if (e.FileName.empty()) {
            continue;
        }
        ConversionStream probe;
        if (!probe.open(e.Format, e.FormatExtra, run.format, ConversionStream::Purpose::Probe)) {
            return fail(displayName(e.FileName) + ": format not supported (" + probe.error() + ")");
        }
        run.frames.push_back(probe.outputBytesFor(static_cast<uint64_t>(e.DataSize)) /
                             run.format.nBlockAlign);
    }
    m_loudness.resize(run.frames.size());
    return true;
}

bool clsWavConcatenate::WaveMeasure() {
    const RunGuard guard(m_running);
    if (!guard.taken()) {
        return fail("A join is already running");
    }
    Run run;
    if (!begin(run)) {
        return false;
    }
    return measureQueue(run);
}

// Inputs measured on threads of their own, in the queue's order, while the caller's thread
// writes or waits: it reports the progress and calls back; the measuring threads do neither,
// and stop when the run fails or is cancelled. Where there are two cores, two threads measure
// until the writing begins; from then on one input is measured at a time, so that the writing
// always has a core of its own (the second thread ends with the input it has). When the
// caller `writes`, the writing begins as soon as the first input has been measured.
class clsWavConcatenate::MeasuringLine {
public:
    MeasuringLine(clsWavConcatenate& engine, Run& run, bool writes)
        : m_engine(engine), m_run(run), m_count(engine.m_queue.size() - 1), m_writes(writes),
          m_done(std::make_unique<std::atomic<bool>[]>(m_count)) {
        m_quiet.format = run.format;
        m_quiet.counted = false;
        m_quiet.behind = true;
        m_quiet.stop = &m_stop;
        run.stop = &m_stop;
        run.measuredAhead = &m_bytes;
        const unsigned threads = std::thread::hardware_concurrency() > 1 && m_count > 1 ? 2 : 1;
        m_running = static_cast<int>(threads);
        for (unsigned t = 0; t < threads; ++t) {
            m_threads.emplace_back([this, t] { measure(t > 0); });
        }
    }
    MeasuringLine(const MeasuringLine&) = delete;
    MeasuringLine& operator=(const MeasuringLine&) = delete;
    ~MeasuringLine() {
        stop();
        for (std::thread& t : m_threads) {
            t.join();
        }
        m_run.stop = nullptr;
        m_run.measuredAhead = nullptr;
    }

    // Waits, the window alive and able to cancel, until input `i` has been measured; false
    // when the measuring failed (its reason stands) or the run was cancelled.
    bool waitFor(size_t i) {
        while (!m_done[i]) {
            if (m_running == 0) {
                return false;
            }
            if (m_bytes != 0) {
                m_engine.reportProgress(m_run);
            } else if (m_engine.ProcessEvents) {
                m_engine.ProcessEvents();
            }
            if (m_engine.CancelRequested && m_engine.CancelRequested()) {
                return m_engine.fail("Cancelled");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    void stop() {
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_turn.notify_all();
    }

    void measure(bool second) {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(m_lock);
                const auto ends = [&] { return m_stop || (second && m_writing); };
                m_turn.wait(lock, [&] { return ends() || m_measuring < (m_writing ? 1 : 2); });
                if (ends() || m_next >= m_count) {
                    break;
                }
                i = m_next++;
                ++m_measuring;
            }
            // Each thread's own run: the measuring keeps a little state in it.
            Run quiet = m_quiet;
            const bool measured =
                m_engine.measureEntry(m_engine.m_queue[i], m_engine.m_loudness[i], quiet);
            if (measured) {
                m_bytes += static_cast<uint64_t>(m_engine.m_queue[i].DataSize);
                m_done[i] = true;
            }
            {
                const std::lock_guard<std::mutex> lock(m_lock);
                --m_measuring;
                m_stop = m_stop || !measured;
                m_writing = m_writing || (m_writes && i == 0);
            }
            m_turn.notify_all();
            if (!measured) {
                break;
            }
        }
        --m_running;
    }

    clsWavConcatenate& m_engine;
    Run& m_run;
    const size_t m_count;
    const bool m_writes;
    Run m_quiet;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock; // guards m_writing, m_next and m_measuring, and m_stop's changes
    std::condition_variable m_turn;
    bool m_writing = false;
    size_t m_next = 0;
    unsigned m_measuring = 0; // threads measuring an input now
    std::atomic<int> m_running{0};
    std::atomic<uint64_t> m_bytes{0};
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::vector<std::thread> m_threads;
};

// The measuring pass alone: every input's loudness and the gain it is given.
bool clsWavConcatenate::measureQueue(Run& run) {
    MeasuringLine line(*this, run, false);
    for (size_t i = 0; i + 1 < m_queue.size(); ++i) {
        if (!line.waitFor(i)) {
            return false;
        }
    }
    reportProgress(run);
    return true;
}

// Measures one input and chooses its gain. An input above the output's rate is measured at
// its own rate, which spares the resampling, when the band the resampler takes away holds
// too little to move the reading by more than MaxBandShift; its peak there can read lower
// than the converted sound's (a coarser grid of oversampled points; what lies above the band
// is gone), so one whose gain brings it within PeakMargin of the ceiling has its peak
// measured again as converted. Every other input is measured as converted.
bool clsWavConcatenate::measureEntry(const WaveQueueEntry& entry, InputLoudness& result, Run& run) {
    const ConversionStream::Sink nowhere = [](const uint8_t*, size_t) { return true; };
    const uint32_t outRate = run.format.nSamplesPerSec;
    const uint32_t inRate = entry.Format.nSamplesPerSec;
    const auto measure = [&](LoudnessMeter& meter, ConversionStream::Purpose purpose) {
        ConversionStream::Shaping shaping;
        shaping.listener = [&](const float* const* channels, unsigned count, size_t frames) {
            meter.add(channels, count, frames);
        };
        return convertEntry(entry, run, purpose, shaping, nowhere);
    };
    // The resampler passes 95 % of the output's band.
    const double bandEdge = 0.95 * outRate / 2;
    bool ownRate = inRate > outRate;
    auto meter = std::make_unique<LoudnessMeter>(run.format.nChannels, ownRate ? inRate : outRate,
                                                 ownRate ? bandEdge : 0);
    if (!measure(*meter, ownRate ? ConversionStream::Purpose::MeasureAtSourceRate
                                 : ConversionStream::Purpose::Measure)) {
        return false;
    }
    if (ownRate && -10 * std::log10(1 - meter->shareAboveBand()) > MaxBandShift) {
        // Too much above the band: measured again as converted, which does not move the
        // progress on.
        ownRate = false;
        meter = std::make_unique<LoudnessMeter>(run.format.nChannels, outRate);
        run.counted = false;
        const bool ok = measure(*meter, ConversionStream::Purpose::Measure);
        run.counted = true;
        if (!ok) {
            return false;
        }
    }
    result.measured = true;
    result.lufs = meter->integrated();
    result.truePeak = meter->truePeak();
    const double seconds =
        static_cast<double>(meter->frames()) / static_cast<double>(ownRate ? inRate : outRate);
    result.kept = !std::isfinite(result.lufs) || seconds < JoinOptions::ShortestMeasured;
    const auto choose = [&] {
        result.gainDb = 0;
        result.limitedByPeak = false;
        if (!result.kept) {
            result.gainDb = m_options.targetLufs - result.lufs;
            if (result.truePeak + result.gainDb > JoinOptions::PeakCeiling) {
                result.gainDb = JoinOptions::PeakCeiling - result.truePeak;
                result.limitedByPeak = true;
            }
        }
    };
    choose();
    if (!ownRate || result.kept ||
        result.truePeak + result.gainDb <= JoinOptions::PeakCeiling - PeakMargin) {
        return true;
    }
    // The peak as converted.
    std::vector<TruePeak> peaks(run.format.nChannels, TruePeak(outRate));
    ConversionStream::Shaping shaping;
    shaping.listener = [&](const float* const* channels, unsigned count, size_t frames) {
        for (unsigned c = 0; c < count && c < peaks.size(); ++c) {
            peaks[c].add(channels[c], frames);
        }
    };
    run.counted = false;
    const bool ok = convertEntry(entry, run, ConversionStream::Purpose::Measure, shaping, nowhere);
    run.counted = true;
    if (!ok) {
        return false;
    }
    double highest = 0;
    for (const TruePeak& p : peaks) {
        highest = std::max(highest, p.peak());
    }
    result.truePeak =
        highest > 0 ? 20 * std::log10(highest) : -std::numeric_limits<double>::infinity();
    choose();
    return true;
}

// The output bytes of the whole queue with its gaps, crossfades not taken off; false when a
// WAV header cannot hold them.
bool clsWavConcatenate::expectedBytes(const Run& run, bool WriteHeader, uint64_t& expected) {
    const uint64_t gap = JoinOptions::frames(m_options.gapSeconds, run.format.nSamplesPerSec);
    expected = 0;
    for (uint64_t frames : run.frames) {
        expected += frames;
    }
    expected = (expected + gap * (run.frames.size() - 1)) * run.format.nBlockAlign;
    if (WriteHeader && expected > MaxHeaderDataSize) {
        return fail("The joined sound would be larger than the 4 GiB a WAV header can describe");
    }
    return true;
}

// The measuring pass (with matched loudness), then every input through the joining stage
// (gaps, crossfades) to run.out, which already holds `headerBytes` of header.
bool clsWavConcatenate::joinQueue(Run& run, uint64_t headerBytes) {
    const uint32_t rate = run.format.nSamplesPerSec;
    const uint64_t gap = JoinOptions::frames(m_options.gapSeconds, rate);
    const uint64_t crossfade = JoinOptions::frames(m_options.crossfadeSeconds, rate);
    if (m_options.matchLoudness) {
        run.total *= 2;
    }
    // The start of each input goes through the crossfade, not straight into the file.
    run.kernelCopy = run.kernelCopy && crossfade == 0;
    // With matched loudness the inputs are measured ahead of the writing: an input is written
    // once it has been measured, while the next ones are measured beside it.
    std::optional<MeasuringLine> line;
    if (m_options.matchLoudness) {
        line.emplace(*this, run, true);
    }
    JoinStage stage(
        run.format, run.out, headerBytes,
        [&](const uint8_t* p, size_t n) { return run.write(p, n); }, [&] { return run.flush(); });
    const ConversionStream::Sink toStage = [&](const uint8_t* p, size_t n) {
        if (stage.write(p, n)) {
            return true;
        }
        if (run.writeError.empty()) {
            run.writeError = stage.error();
        }
        return false;
    };
    // An input shorter than twice the crossfade meets both its neighbours without one.
    for (size_t i = 0; i < run.frames.size(); ++i) {
        m_loudness[i].crossfadeSkipped = crossfade > 0 && run.frames[i] < 2 * crossfade;
    }
    for (size_t i = 0; i + 1 < m_queue.size(); ++i) {
        if (line && !line->waitFor(i)) {
            return false;
        }
        std::string name = m_queue[i].FileName;
        if (FileChanged) {
            FileChanged(name);
        }
        const bool fades = i > 0 && crossfade > 0 && !m_loudness[i - 1].crossfadeSkipped &&
                           !m_loudness[i].crossfadeSkipped;
        if (i > 0 && gap > 0 && !stage.silence(gap)) {
            return fail(run.writeError);
        }
        ConversionStream::Shaping shaping;
        shaping.gain = static_cast<float>(std::pow(10.0, m_loudness[i].gainDb / 20));
        if (!stage.begin(fades ? crossfade : 0, run.written)) {
            return fail(stage.error().empty() ? run.writeError : stage.error());
        }
        if (!convertEntry(m_queue[i], run, ConversionStream::Purpose::Convert, shaping, toStage)) {
            return false;
        }
        if (!stage.end()) {
            return fail(stage.error());
        }
        m_loudness[i].frames = stage.inputFrames();
    }
    return true;
}

bool clsWavConcatenate::WaveConcatenate(const std::string& OutputFile, bool WriteHeader) {
    const RunGuard guard(m_running);
    if (!guard.taken()) {
        return fail("A join is already running");
    }

    Run run;
    uint64_t expected = 0;
    if (!begin(run) || !expectedBytes(run, WriteHeader, expected)) {
        return false;
    }

    // Nothing is converted before it is certain that the result can be put in place.
    AtomicOutput out;
    std::string why;
    if (!out.create(OutputFile, why)) {
        return fail(why);
    }
    run.out = out.fd();

    if (WriteHeader) {
        const uint8_t reserved[HeaderSize] = {};
        if (!writeFull(run.out, reserved, HeaderSize)) {
            return fail("Cannot write " + displayName(OutputFile) + ": " + systemError());
        }
    }
    if (!joinQueue(run, WriteHeader ? HeaderSize : 0)) {
        return false;
    }
    if (!run.flush()) {
        return fail(run.writeError);
    }
    if (WriteHeader) {
        if (run.written > MaxHeaderDataSize) {
            return fail("The joined sound is larger than the 4 GiB a WAV header can describe");
        }
        if (::lseek(run.out, 0, SEEK_SET) != 0 ||
            !WriteWaveHeader(run.out, static_cast<uint32_t>(run.written), run.format.nSamplesPerSec,
                             run.format.nSamplesPerSec * run.format.nBlockAlign,
                             run.format.nChannels, run.format.wBitsPerSample,
                             run.format.nBlockAlign)) {
            return fail("Cannot write " + displayName(OutputFile) + ": " + systemError());
        }
    }
    if (!out.commit(why)) {
        return fail(why);
    }
    return true;
}

bool clsWavConcatenate::WaveConcatenateTo(int fd, bool WriteHeader) {
    const RunGuard guard(m_running);
    if (!guard.taken()) {
        return fail("A join is already running");
    }

    Run run;
    m_bytesSent = 0;
    struct Sent {
        uint64_t& sent;
        const Run& run;
        uint64_t header = 0;
        ~Sent() { sent = header + run.written - run.pending.size(); }
    } sent{m_bytesSent, run};
    // A crossfade mixes into sound already written, which a stream cannot give back.
    if (m_options.crossfadeSeconds > 0) {
        return fail("A crossfade needs a file to write to; a stream cannot take one");
    }
    uint64_t expected = 0;
    if (!begin(run) || !expectedBytes(run, WriteHeader, expected)) {
        return false;
    }
    run.out = fd;
    run.kernelCopy = false;
    if (WriteHeader) {
        run.limit = expected;
        sent.header = HeaderSize;
        if (!WriteWaveHeader(fd, static_cast<uint32_t>(expected), run.format.nSamplesPerSec,
                             run.format.nSamplesPerSec * run.format.nBlockAlign,
                             run.format.nChannels, run.format.wBitsPerSample,
                             run.format.nBlockAlign)) {
            return fail("Cannot write the joined sound: " + systemError());
        }
    }
    if (!joinQueue(run, WriteHeader ? HeaderSize : 0)) {
        return false;
    }
    if (WriteHeader && run.written < expected) {
        // Silence of the output format: 16-bit and wider are signed, 8-bit is offset.
        const std::vector<uint8_t> silence(64 * 1024, run.format.wBitsPerSample == 8 ? 0x80 : 0);
        while (run.written < expected) {
            const size_t n =
                static_cast<size_t>(std::min<uint64_t>(silence.size(), expected - run.written));
            if (!run.write(silence.data(), n)) {
                return fail(run.writeError);
            }
        }
    }
    if (!run.flush()) {
        return fail(run.writeError);
    }
    return true;
}

bool clsWavConcatenate::convertEntry(const WaveQueueEntry& entry, Run& run,
                                     ConversionStream::Purpose purpose,
                                     const ConversionStream::Shaping& shaping,
                                     const ConversionStream::Sink& toOutput) {
    const std::string name = displayName(entry.FileName);
    ConversionStream stream;
    if (!stream.open(entry.Format, entry.FormatExtra, run.format, purpose, shaping)) {
        return fail(name + ": format not supported (" + stream.error() + ")");
    }

    UniqueFd in(::open(entry.FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0 || ::lseek(in.get(), entry.DataStart - 1, SEEK_SET) != entry.DataStart - 1) {
        return fail("Cannot read " + name + ": " + systemError());
    }
    // Its sound would no longer be where it was found, or would end early: what follows it
    // would be shifted or the join would be short.
    struct stat now {};
    if (::fstat(in.get(), &now) != 0 || now.st_size != entry.FileSize) {
        return fail(name + " changed since it was added; add it again");
    }
    const std::string shrank = name + " became shorter while it was being joined";
    posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // Sound already in the output format is copied by the kernel, file to file, in whole
    // frames; through the buffers only where that is not possible (another file system
    // type, an old kernel).
    bool kernelCopy = stream.copiesBytes() && run.kernelCopy;
    const uint64_t frame = entry.Format.nBlockAlign;
    std::vector<uint8_t> piece(stream.pieceBytes());
    // Converts the next `n` bytes of the input.
    const auto process = [&](uint64_t n) {
        if (kernelCopy) {
            if (!run.flush()) {
                return fail("Cannot write the joined file: " + systemError());
            }
            const uint64_t whole = n / frame * frame;
            uint64_t done = 0;
            while (done < whole) {
                const ssize_t moved =
                    ::copy_file_range(in.get(), nullptr, run.out, nullptr, whole - done, 0);
                if (moved < 0 && done == 0 &&
                    (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                    kernelCopy = false;
                    break;
                }
                if (moved < 0) {
                    return fail("Cannot join " + name + ": " + systemError());
                }
                if (moved == 0) {
                    return fail(shrank);
                }
                done += static_cast<uint64_t>(moved);
            }
            if (kernelCopy) {
                run.written += done;
                if (n > whole && ::lseek(in.get(), static_cast<off_t>(n - whole), SEEK_CUR) < 0) {
                    return fail("Cannot read " + name + ": " + systemError());
                }
                return true;
            }
        }
        while (n > 0) {
            const uint64_t step = std::min<uint64_t>(n, piece.size());
            const int64_t got = readFull(in.get(), piece.data(), step);
            if (got < 0) {
                return fail("Cannot read " + name + ": " + systemError());
            }
            if (static_cast<uint64_t>(got) < step) {
                return fail(shrank);
            }
            if (!stream.convert(piece.data(), step, toOutput)) {
                return fail(run.writeError.empty() ? name + ": " + stream.error() : run.writeError);
            }
            n -= step;
        }
        return true;
    };

    const uint64_t S = stream.tenSecondBlock();
    uint64_t left = static_cast<uint64_t>(entry.DataSize);
    // Full ten-second blocks, each announced by a progress report; then the tail.
    while (left > 0) {
        const uint64_t n = std::min(left, S);
        if (!process(n)) {
            return false;
        }
        left -= n;
        run.consumed += run.counted ? n : 0;
        if (n < S) {
            break;
        }
        // Ended by the other run: its reason stands.
        if (run.stop && *run.stop) {
            return false;
        }
        if (run.behind) {
            continue;
        }
        reportProgress(run);
        if (CancelRequested && CancelRequested()) {
            return fail("Cancelled");
        }
    }
    if (!stream.finish(toOutput)) {
        return fail(run.writeError.empty() ? name + ": " + stream.error() : run.writeError);
    }
    return true;
}

bool clsWavConcatenate::WriteWaveHeader(int fd, uint32_t dataSize, uint32_t samplesPerSec,
                                        uint32_t avgBytesPerSec, uint16_t channels,
                                        uint16_t bitsPerSample, uint16_t blockAlign) {
    uint8_t h[HeaderSize];
    std::memcpy(h, "RIFF", 4);
    LittleEndian::write(h + 4, dataSize + 36, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    LittleEndian::write(h + 16, 16, 4);
    LittleEndian::write(h + 20, 1, 2);
    LittleEndian::write(h + 22, channels, 2);
    LittleEndian::write(h + 24, samplesPerSec, 4);
    LittleEndian::write(h + 28, avgBytesPerSec, 4);
    LittleEndian::write(h + 32, blockAlign, 2);
    LittleEndian::write(h + 34, bitsPerSample, 2);
    std::memcpy(h + 36, "data", 4);
    LittleEndian::write(h + 40, dataSize, 4);
    return writeFull(fd, h, HeaderSize);
}
