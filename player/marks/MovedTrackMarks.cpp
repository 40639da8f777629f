#include "marks/MovedTrackMarks.h"

#include "marks/TrackFingerprint.h"
#include "settings/cRegistry.h"

#include <QFileInfo>

namespace {

const QString kApp = QStringLiteral("Tavrel");

QStringList markAndNoteKeys() {
    QStringList keys;
    for (int i = 0; i < 10; ++i)
        keys << QString::number(i) << QStringLiteral("Note_%1").arg(i);
    return keys;
}

} // namespace

MovedTrackMarks::MovedTrackMarks(cRegistry& registry) : m_registry(registry) {}

void MovedTrackMarks::address(const QString& section) {
    m_registry.setAppName(kApp);
    m_registry.setSection(section);
    m_registry.setDefault(QString());
}

bool MovedTrackMarks::hasMarks(const QString& section) {
    address(section);
    for (int i = 0; i < 10; ++i)
        if (!m_registry.NamedSetting(QString::number(i)).isEmpty())
            return true;
    return false;
}

bool MovedTrackMarks::everHadMarks(const QString& section) {
    // A key that was never written reads as the default, whichever default is given; a
    // cleared key reads as empty text.
    const QString absent = QStringLiteral("-");
    m_registry.setAppName(kApp);
    m_registry.setSection(section);
    for (const QString& key : markAndNoteKeys()) {
        m_registry.setDefault(absent);
        if (m_registry.NamedSetting(key) != absent)
            return true;
        m_registry.setDefault(QString());
        if (!m_registry.NamedSetting(key).isEmpty())
            return true;
    }
    m_registry.setDefault(QString());
    return false;
}

QString MovedTrackMarks::follow(const QString& track, double durationSeconds) {
    if (track.isEmpty())
        return {};
    const QString fingerprint = TrackFingerprint::of(track, durationSeconds);
    if (fingerprint.isEmpty())
        return {};

    QString from;
    if (!everHadMarks(track)) {
        address(track);
        const QString folded = track.toCaseFolded();
        QString copyOf;
        for (const QString& other : m_registry.SectionsHolding(kFingerprintKey, fingerprint)) {
            if (other.toCaseFolded() == folded || !hasMarks(other))
                continue;
            // A file that is gone has moved here; one that is still there has been copied,
            // and its marks serve only when no moved original is known.
            if (!QFileInfo::exists(other)) {
                from = other;
                break;
            }
            if (copyOf.isEmpty())
                copyOf = other;
        }
        if (from.isEmpty())
            from = copyOf;
    }

    if (!from.isEmpty()) {
        cRegistry::KeyValues values;
        address(from);
        for (const QString& key : markAndNoteKeys())
            values.append({key, m_registry.NamedSetting(key)});
        values.append({kFingerprintKey, fingerprint});
        address(track);
        return m_registry.setNamedSettings(values) ? from : QString();
    }

    address(track);
    if (m_registry.NamedSetting(kFingerprintKey) != fingerprint)
        m_registry.setNamedSetting(kFingerprintKey, fingerprint);
    return {};
}
