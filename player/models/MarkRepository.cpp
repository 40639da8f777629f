#include "models/MarkRepository.h"

#include "settings/SettingsAccess.h"

#include <algorithm>

MarkRepository::MarkRepository(SettingsAccess& settings) : m_settings(settings) {}

QString MarkRepository::readKey(const QString& track, const QString& key, const QString& absent) {
    return m_settings.read(kApp, track, key, absent);
}

bool MarkRepository::write(const QString& track, const QString& key, const QString& value) {
    return writeValues(track, {{key, value}});
}

MarkRepository::Stored MarkRepository::read(const QString& track) {
    Stored s;
    if (track.isEmpty()) {
        return s;
    }
    for (int i = 0; i < kMarks; ++i) {
        s.positions[i] = readKey(track, positionKey(i), QString());
    }
    for (int i = 0; i < kMarks; ++i) {
        s.notes[i] = readKey(track, noteKey(i), QString());
    }
    return s;
}

bool MarkRepository::writePosition(const QString& track, int index, const QString& position) {
    return write(track, positionKey(index), position);
}

bool MarkRepository::writeNote(const QString& track, int index, const QString& note) {
    return write(track, noteKey(index), note);
}

bool MarkRepository::writeAll(const QString& track, const Stored& marks,
                              const QString& fingerprint) {
    Values values;
    for (int i = 0; i < kMarks; ++i) {
        values.append({positionKey(i), marks.positions[i]});
        values.append({noteKey(i), marks.notes[i]});
    }
    if (!fingerprint.isEmpty()) {
        values.append({kFingerprintKey, fingerprint});
    }
    return writeValues(track, values);
}

bool MarkRepository::hasMarks(const QString& track) {
    const Stored s = read(track);
    return std::any_of(s.positions.begin(), s.positions.end(),
                       [](const QString& p) { return !p.isEmpty(); });
}

bool MarkRepository::everHadMarks(const QString& track) {
    if (track.isEmpty()) {
        return false;
    }
    // A key never written reads as the fallback, whichever fallback is given; a cleared key
    // reads as empty text.
    const QString absent = QStringLiteral("-");
    for (int i = 0; i < kMarks; ++i) {
        for (const QString& key : {positionKey(i), noteKey(i)}) {
            if (readKey(track, key, absent) != absent ||
                !readKey(track, key, QString()).isEmpty()) {
                return true;
            }
        }
    }
    return false;
}

QString MarkRepository::fingerprint(const QString& track) {
    if (track.isEmpty()) {
        return {};
    }
    return readKey(track, kFingerprintKey, QString());
}

bool MarkRepository::setFingerprint(const QString& track, const QString& fingerprint) {
    return write(track, kFingerprintKey, fingerprint);
}

QStringList MarkRepository::tracksWithFingerprint(const QString& fingerprint) {
    return m_settings.sectionsHolding(kApp, kFingerprintKey, fingerprint);
}

QString MarkRepository::value(const QString& track, const QString& key) {
    if (track.isEmpty()) {
        return {};
    }
    return readKey(track, key, QString());
}

bool MarkRepository::writeValues(const QString& track, const Values& values) {
    if (track.isEmpty()) {
        return false;
    }
    std::vector<SettingsAccess::Entry> entries;
    entries.reserve(values.size());
    for (const auto& [key, value] : values) {
        entries.push_back({track, key, value});
    }
    return m_settings.writeAll(kApp, entries);
}

QStringList MarkRepository::sections() {
    return m_settings.sections(kApp);
}

bool MarkRepository::forgetTracks(const QStringList& tracks) {
    return m_settings.removeSections(kApp, tracks);
}

MarkRepository::BeatCorrection MarkRepository::readBeat(const QString& track) {
    BeatCorrection beat;
    if (track.isEmpty()) {
        return beat;
    }
    bool ok = false;
    const double bpm = readKey(track, kTappedTempoKey, QString()).toDouble(&ok);
    if (ok && bpm > 0) {
        beat.bpm = bpm;
    }
    const double bar = readKey(track, kBarStartKey, QString()).toDouble(&ok);
    if (ok && bar >= 0) {
        beat.barStart = bar;
    }
    return beat;
}

bool MarkRepository::writeBeat(const QString& track, const BeatCorrection& beat) {
    return writeValues(
        track,
        {{kTappedTempoKey, beat.bpm > 0 ? QString::number(beat.bpm, 'f', 1) : QString()},
         {kBarStartKey, beat.barStart >= 0 ? QString::number(beat.barStart, 'f', 3) : QString()}});
}
