#include "models/MovedTrackMarks.h"

#include "models/MarkRepository.h"
#include "models/TrackFingerprint.h"

#include <QFileInfo>

MovedTrackMarks::MovedTrackMarks(MarkRepository& repository) : m_repository(repository) {}

QString MovedTrackMarks::follow(const QString& track, double durationSeconds) {
    if (track.isEmpty()) {
        return {};
    }
    const QString fingerprint = TrackFingerprint::of(track, durationSeconds);
    if (fingerprint.isEmpty()) {
        return {};
    }

    QString from;
    if (!m_repository.everHadMarks(track)) {
        const QString folded = track.toCaseFolded();
        QString copyOf;
        for (const QString& other : m_repository.tracksWithFingerprint(fingerprint)) {
            if (other.toCaseFolded() == folded || !m_repository.hasMarks(other)) {
                continue;
            }
            // A file that is gone has moved here; one that is still there has been copied,
            // and its marks serve only when no moved original is known.
            if (!QFileInfo::exists(other)) {
                from = other;
                break;
            }
            if (copyOf.isEmpty()) {
                copyOf = other;
            }
        }
        if (from.isEmpty()) {
            from = copyOf;
        }
    }

    if (!from.isEmpty()) {
        return m_repository.writeAll(track, m_repository.read(from), fingerprint) ? from
                                                                                  : QString();
    }
    if (m_repository.fingerprint(track) != fingerprint) {
        m_repository.setFingerprint(track, fingerprint);
    }
    return {};
}
