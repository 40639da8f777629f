#pragma once
// Marks that follow their track when the user moves or renames its file. Every track opened
// has its file's fingerprint stored beside its marks; a track opened under a path that never had
// marks or notes stored takes over the marks and notes of a track whose fingerprint is the
// same. A path whose marks were cleared keeps them cleared. The section of the old path is kept.

#include <QString>

class MarkRepository;

class MovedTrackMarks {
public:
    explicit MovedTrackMarks(MarkRepository& repository);

    // Stores the fingerprint of `track` and brings marks over when they are found elsewhere.
    // Returns the path the marks came from, or empty text when nothing was brought over.
    QString follow(const QString& track, double durationSeconds);

private:
    MarkRepository& m_repository;
};
