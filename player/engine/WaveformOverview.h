#pragma once
// The overview of the current track and its musical map, made without holding up the window:
// from the cache at once when it has the track, otherwise decoded on a worker thread of low
// priority, which hands the result back to the GUI thread through a queued call and stores
// it in the cache. A newer request or the end of this object cancels the running one.

#include "engine/Waveform.h"
#include "engine/WaveformCache.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class WaveformOverview : public QObject {
    Q_OBJECT
public:
    explicit WaveformOverview(WaveformCache cache = WaveformCache(), QObject* parent = nullptr);
    ~WaveformOverview() override;

    // ready() or unavailable() follows, at once when the cache has the track.
    void request(const QString& path, int columns);
    void cancel();
    bool computing() const { return m_worker.joinable() && !m_done; }
    const WaveformCache& cache() const { return m_cache; }

signals:
    void ready(const QString& path, const Waveform& waveform, bool fromCache);
    void unavailable(const QString& path);

private:
    void finish(quint64 generation, const QString& path, const std::optional<Waveform>& result);

    WaveformCache m_cache;
    std::thread m_worker;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_generation = 0;
    bool m_done = true;
};
