#pragma once
// The ten marks of the current track: per mark its position text, whether it is set, was
// cleared or was never set, and its note; plus the one step that Ctrl+Z can undo. Every change
// is written to the store first and takes effect only when the store has it, so a mark is
// never shown that is not stored. The keypad, the strip and the labels follow the signals.
//
// Beside the stored marks it holds what the mark commands decide about them and the views
// show: each keypad button's look (plain, set, current), the current mark, the set and clear
// modes, the strip's scale and where each mark's line stands on it, and the note line under
// the strip. Nothing learns what a mark is from a widget.

#include "models/MarkRepository.h"
#include "models/MarkSnapshot.h"
#include "models/MarkUndo.h"
#include "models/MovedTrackMarks.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class MarkModel : public QObject {
    Q_OBJECT
public:
    enum class State { NeverSet, Cleared, Set };
    // What a keypad button shows: yellow for a set mark, light red for the current one.
    enum class Look { Plain, Set, Current };
    static constexpr int kMarks = MarkRepository::kMarks;
    // The ten mark buttons, then "?" and "Clear All" (always plain).
    static constexpr int kButtons = kMarks + 2;

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

    // The marks as shown now, for `track`; a snapshot taken before a change can be given to
    // restore. A set mark's line keeps where it stood on the strip.
    MarkSnapshot snapshot(const QString& track) const;

    Look look(int button) const {
        return button >= 0 && button < kButtons ? m_looks[button] : Look::Plain;
    }
    // Emits lookChanged when the button's look changes.
    void setLook(int button, Look look);

    // The mark last set or gone to; -1 for none.
    int16_t current() const { return m_current; }
    void setCurrent(int16_t index) { m_current = index; }

    // Ctrl held: a mark key or click sets; Alt held: it clears.
    bool setMode() const { return m_setMode; }
    bool clearMode() const { return m_clearMode; }
    void setSetMode(bool on) { m_setMode = on; }
    void setClearMode(bool on) { m_clearMode = on; }

    // Twips of strip a second of track (0 before a track is laid out).
    int16_t stripScale() const { return m_stripScale; }
    void setStripScale(int16_t scale) { m_stripScale = scale; }
    // Where the mark's line stands on the strip, in twips; none while the mark has no slot.
    std::optional<int16_t> stripX(int index) const {
        return inRange(index) ? m_stripX[index] : std::nullopt;
    }
    void setStripX(int index, std::optional<int16_t> x) {
        if (inRange(index)) {
            m_stripX[index] = x;
        }
    }

    // The line under the strip: a mark's note, or news about the marks. Every call is told.
    QString noteLine() const { return m_noteLine; }
    void showNote(const QString& text);

signals:
    void markChanged(int index);
    void marksReset();
    void lookChanged(int button);
    void noteShown(const QString& text);

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

    std::array<Look, kButtons> m_looks{};
    int16_t m_current = -1;
    bool m_setMode = false;
    bool m_clearMode = false;
    int16_t m_stripScale = 0;
    // Slot 0 always exists, the others only once laid out.
    std::array<std::optional<int16_t>, kMarks> m_stripX{int16_t(0)};
    QString m_noteLine;
};
