#pragma once
// Track overviews kept between runs, one small file per track path in the user's cache folder
// (XDG cache home)/Tavrel. An entry counts only for the file it was made from: same path,
// same size and same modification time; a changed file is decoded again and its entry
// replaced.

#include "engine/Waveform.h"

#include <QString>

#include <optional>

class WaveformCache {
public:
    explicit WaveformCache(QString folder = defaultFolder());

    static QString defaultFolder();

    // The stored overview of the track as it is now, with `columns` peaks; nothing otherwise.
    std::optional<Waveform> load(const QString& trackPath, int columns) const;
    // Written to a temporary file and renamed into place; false when that failed.
    bool store(const QString& trackPath, const Waveform& waveform) const;

    QString entryFile(const QString& trackPath) const;
    QString folder() const { return m_folder; }

private:
    QString m_folder;
};
