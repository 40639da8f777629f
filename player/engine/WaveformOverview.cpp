#include "engine/WaveformOverview.h"

#include "engine/WaveformDecoder.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

WaveformOverview::WaveformOverview(WaveformCache cache, QObject* parent)
    : QObject(parent), m_cache(std::move(cache)) {}

WaveformOverview::~WaveformOverview() {
    cancel();
}

void WaveformOverview::cancel() {
    ++m_generation;
    if (m_cancel) {
        m_cancel->store(true);
    }
    // The decoder looks at the flag after every packet, so this wait is short.
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_cancel.reset();
    m_done = true;
}

void WaveformOverview::request(const QString& path, int columns) {
    cancel();
    if (auto cached = m_cache.load(path, columns)) {
        emit ready(path, *cached, true);
        return;
    }
    const quint64 generation = m_generation;
    auto flag = std::make_shared<std::atomic_bool>(false);
    m_cancel = flag;
    m_done = false;
    const WaveformCache cache = m_cache;
    m_worker = std::thread([this, generation, path, columns, flag, cache] {
        // Playback and the window come first: this thread runs at a low priority.
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
        std::optional<Waveform> result = WaveformDecoder::compute(path, columns, *flag);
        if (result && !flag->load()) {
            cache.store(path, *result);
        }
        // `this` outlives the thread (its destructor joins it); the call runs on the GUI
        // thread and is dropped when the object is gone.
        QMetaObject::invokeMethod(
            this, [this, generation, path, result] { finish(generation, path, result); },
            Qt::QueuedConnection);
    });
}

void WaveformOverview::finish(quint64 generation, const QString& path,
                              const std::optional<Waveform>& result) {
    if (generation != m_generation) {
        return;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_done = true;
    if (result) {
        emit ready(path, *result, false);
    } else {
        emit unavailable(path);
    }
}
