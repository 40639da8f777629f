#include "marks/MissingTracks.h"

#include "base/AppIdentity.h"
#include "models/MarkRepository.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kApp = AppIdentity::name();

// Sections that name a track: full paths of this system or of the one the store came from.
bool isTrackPath(const QString& section) {
    static const QRegularExpression drivePath(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    return section.startsWith(QLatin1Char('/')) || drivePath.match(section).hasMatch();
}

} // namespace

MissingTracks::MissingTracks(MarkRepository& repository, Platform& platform)
    : m_repository(repository), m_platform(platform) {}

QStringList MissingTracks::find(const QString& currentTrack) {
    QStringList missing;
    const QString current = currentTrack.toCaseFolded();
    for (const QString& section : m_repository.sections()) {
        if (isTrackPath(section) && section.toCaseFolded() != current &&
            !QFileInfo::exists(section)) {
            missing << section;
        }
    }
    missing.sort(Qt::CaseInsensitive);
    return missing;
}

void MissingTracks::ForgetMissingTracks(const QString& currentTrack) {
    const QStringList missing = find(currentTrack);
    if (missing.isEmpty()) {
        m_platform.messageBox(QStringLiteral("Every track with stored marks is still where it "
                                             "was. There is nothing to forget."),
                              kApp, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    const QString text =
        (missing.size() == 1
             ? QStringLiteral("The file of this track is no longer where it was, so its marks "
                              "and notes are never shown.")
             : QStringLiteral("The files of these %1 tracks are no longer where they were, so "
                              "their marks and notes are never shown.")
                   .arg(missing.size())) +
        QStringLiteral(" Tavrel forgets the marks of the tracks left ticked; this cannot be "
                       "undone.\n\nA file on a drive that is not connected now is listed too: "
                       "untick it to keep its marks.");
    QStringList chosen = m_platform.chooseItems(QStringLiteral("Forget Missing Tracks"), text,
                                                missing, QStringLiteral("Forget Marks"));
    // Only what was offered can go.
    chosen.removeIf([&](const QString& track) { return !missing.contains(track); });
    if (chosen.isEmpty()) {
        return;
    }
    if (!m_repository.forgetTracks(chosen)) {
        return;
    }
    m_platform.messageBox(
        chosen.size() == 1
            ? QStringLiteral("The marks of 1 track have been forgotten.")
            : QStringLiteral("The marks of %1 tracks have been forgotten.").arg(chosen.size()),
        kApp, MsgButtons::Ok, MsgIcon::Information);
}
