#pragma once
// What tells a track's file apart from every other file wherever the user moves it: its size,
// a hash of its first and of its last 64 KiB, and the duration the player reports for it.
// Reading two short pieces keeps it fast for files of any size.

#include <QString>

class TrackFingerprint {
public:
    static constexpr qint64 kSampleBytes = 64 * 1024;

    // The fingerprint as stored text; empty when the file cannot be read or the duration is
    // not known. Durations are compared to the millisecond.
    static QString of(const QString& path, double durationSeconds);
};
