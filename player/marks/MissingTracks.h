#pragma once
// Housekeeping of the store: the tracks whose files are no longer where their marks say, and
// forgetting their marks when the user asks for it. Nothing is removed without the user
// ticking it in the list and confirming.

#include <QString>
#include <QStringList>

class MarkRepository;
class Platform;

class MissingTracks {
public:
    MissingTracks(MarkRepository& repository, Platform& platform);

    // Stored tracks whose file does not exist, sorted, without `currentTrack`.
    QStringList find(const QString& currentTrack);

    // The Options menu entry: lists the missing tracks and forgets the marks of those the user
    // leaves ticked, in one commit.
    void ForgetMissingTracks(const QString& currentTrack);

private:
    MarkRepository& m_repository;
    Platform& m_platform;
};
