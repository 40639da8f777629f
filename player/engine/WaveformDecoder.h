#pragma once
// Decodes a whole track with libavformat/libavcodec and reduces it to its peak envelope.
// Safe to run on a worker thread: it touches nothing but its own FFmpeg objects.

#include "engine/Waveform.h"

#include <QString>

#include <atomic>
#include <optional>

namespace WaveformDecoder {

// `columns` peaks over the track; nothing when the file cannot be decoded, holds no sound, or
// `cancel` turns true.
std::optional<Waveform> compute(const QString& path, int columns, const std::atomic_bool& cancel);

// Merges fine peaks into `columns` equal stretches (each column the loudest of its stretch);
// fewer fine peaks than columns are spread out.
std::vector<float> reduce(const std::vector<float>& fine, int columns);

} // namespace WaveformDecoder
