#include "models/MarkRepository.h"

#include "settings/cRegistry.h"

#include <algorithm>

MarkRepository::MarkRepository(cRegistry& registry) : m_registry(registry) {}

void MarkRepository::address(const QString& track) {
    // The registry is shared; every caller sets the whole address again.
    m_registry.setAppName(kApp);
    m_registry.setSection(track);
    m_registry.setDefault(QString());
}

bool MarkRepository::write(const QString& track, const QString& key, const QString& value) {
    if (track.isEmpty()) {
        return false;
    }
    address(track);
    return m_registry.setNamedSettings({{key, value}});
}

MarkRepository::Stored MarkRepository::read(const QString& track) {
    Stored s;
    if (track.isEmpty()) {
        return s;
    }
    address(track);
    for (int i = 0; i < kMarks; ++i) {
        s.positions[i] = m_registry.NamedSetting(positionKey(i));
    }
    for (int i = 0; i < kMarks; ++i) {
        s.notes[i] = m_registry.NamedSetting(noteKey(i));
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
    if (track.isEmpty()) {
        return false;
    }
    cRegistry::KeyValues values;
    for (int i = 0; i < kMarks; ++i) {
        values.append({positionKey(i), marks.positions[i]});
        values.append({noteKey(i), marks.notes[i]});
    }
    if (!fingerprint.isEmpty()) {
        values.append({kFingerprintKey, fingerprint});
    }
    address(track);
    return m_registry.setNamedSettings(values);
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
    // A key never written reads as the default, whichever default is given; a cleared key
    // reads as empty text.
    const QString absent = QStringLiteral("-");
    address(track);
    for (int i = 0; i < kMarks; ++i) {
        for (const QString& key : {positionKey(i), noteKey(i)}) {
            m_registry.setDefault(absent);
            const QString value = m_registry.NamedSetting(key);
            m_registry.setDefault(QString());
            if (value != absent || !m_registry.NamedSetting(key).isEmpty()) {
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
    address(track);
    return m_registry.NamedSetting(kFingerprintKey);
}

bool MarkRepository::setFingerprint(const QString& track, const QString& fingerprint) {
    return write(track, kFingerprintKey, fingerprint);
}

QStringList MarkRepository::tracksWithFingerprint(const QString& fingerprint) {
    m_registry.setAppName(kApp);
    return m_registry.SectionsHolding(kFingerprintKey, fingerprint);
}

MarkRepository::BeatCorrection MarkRepository::readBeat(const QString& track) {
    BeatCorrection beat;
    if (track.isEmpty()) {
        return beat;
    }
    address(track);
    bool ok = false;
    const double bpm = m_registry.NamedSetting(kTappedTempoKey).toDouble(&ok);
    if (ok && bpm > 0) {
        beat.bpm = bpm;
    }
    const double bar = m_registry.NamedSetting(kBarStartKey).toDouble(&ok);
    if (ok && bar >= 0) {
        beat.barStart = bar;
    }
    return beat;
}

bool MarkRepository::writeBeat(const QString& track, const BeatCorrection& beat) {
    if (track.isEmpty()) {
        return false;
    }
    address(track);
    return m_registry.setNamedSettings(
        {{kTappedTempoKey, beat.bpm > 0 ? QString::number(beat.bpm, 'f', 1) : QString()},
         {kBarStartKey, beat.barStart >= 0 ? QString::number(beat.barStart, 'f', 3) : QString()}});
}
