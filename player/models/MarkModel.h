#pragma once
// The ten marks of the current track: per mark its position text, whether it is set, was
// cleared or was never set, and its note; plus the one step that Ctrl+Z can undo. Every change
// is written to the store first and takes effect only when the store has it, so a mark is
// never shown that is not stored. The keypad, the strip and the labels follow the signals.

#include "models/MarkRepository.h"
#include "models/MarkSnapshot.h"
#include "models/MarkUndo.h"
#include "models/MovedTrackMarks.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class MarkModel : public QObject {
    Q_OBJECT
public:
    enum class State { NeverSet, Cleared, Set };
    static constexpr int kMarks = MarkRepository::kMarks;

    explicit MarkModel(MarkRepository& repository, QObject* parent = nullptr);

    QString track() const { return m_track; }
    State state(int index) const { return m_marks.at(index).state; }
    bool isSet(int index) const { return inRange(index) && state(index) == State::Set; }
    // "0" for a mark the track never had, empty after a clear.
    QString position(int index) const {
        return inRange(index) ? m_marks[index].position : QString();
    }
    QString note(int index) const { return inRange(index) ? m_marks[index].note : QString(); }

    // Makes the track's stored marks and notes the model's; a stored value that is no number
    // counts as never set. Returns the path the marks were brought over from when the track's
    // file had moved (see MovedTrackMarks), or empty text.
    QString load(const QString& track, double durationSeconds);
    // No track: nothing is set.
    void unload();

    bool set(int index, const QString& position);
    // `withNote`: the note goes too, in the model only (the stored note stays).
    bool clear(int index, bool withNote);
    bool setNote(int index, const QString& note);

    // Undo: the marks before the last clearing (or import) of this track.
    void remember(MarkSnapshot before) { m_undo.remember(std::move(before)); }
    void forgetUndo() { m_undo.forget(); }
    bool canUndo() const { return !m_track.isEmpty() && m_undo.canUndo(m_track); }
    std::optional<MarkSnapshot> takeUndo() { return m_undo.take(); }

    // Stores the marks and notes of the snapshot in one commit, then makes them the model's.
    bool restore(const MarkSnapshot& marks);

signals:
    void markChanged(int index);
    void marksReset();

private:
    struct Mark {
        State state = State::NeverSet;
        QString position = QStringLiteral("0");
        QString note;
    };
    static bool inRange(int index) { return index >= 0 && index < kMarks; }

    MarkRepository& m_repository;
    MovedTrackMarks m_moved;
    QString m_track;
    std::array<Mark, kMarks> m_marks;
    MarkUndo m_undo;
};
