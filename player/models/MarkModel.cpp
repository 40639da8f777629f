#include "models/MarkModel.h"

#include "models/MarkPosition.h"

MarkModel::MarkModel(MarkRepository& repository, QObject* parent)
    : QObject(parent), m_repository(repository), m_moved(repository) {}

QString MarkModel::load(const QString& track, double durationSeconds) {
    m_undo.forget();
    m_track = track;
    const QString movedFrom = m_moved.follow(track, durationSeconds);
    const MarkRepository::Stored stored = m_repository.read(track);
    for (int i = 0; i < kMarks; ++i) {
        Mark& m = m_marks[i];
        if (MarkPosition::parse(stored.positions[i])) {
            m = {State::Set, stored.positions[i], stored.notes[i]};
        } else {
            m = {State::NeverSet, QStringLiteral("0"), stored.notes[i]};
        }
    }
    emit marksReset();
    return movedFrom;
}

void MarkModel::unload() {
    m_undo.forget();
    m_track.clear();
    m_marks = {};
    emit marksReset();
}

bool MarkModel::set(int index, const QString& position) {
    if (!inRange(index) || !m_repository.writePosition(m_track, index, position)) {
        return false;
    }
    m_marks[index].state = State::Set;
    m_marks[index].position = position;
    emit markChanged(index);
    return true;
}

bool MarkModel::clear(int index, bool withNote) {
    if (!inRange(index)) {
        return false;
    }
    // Without a track there is nothing stored to clear; the window still forgets the note.
    const bool stored = m_repository.writePosition(m_track, index, QString());
    if (!stored && !m_track.isEmpty()) {
        return false;
    }
    Mark& m = m_marks[index];
    m.state = State::Cleared;
    m.position.clear();
    if (withNote) {
        m.note.clear();
    }
    emit markChanged(index);
    return true;
}

bool MarkModel::setNote(int index, const QString& note) {
    if (!inRange(index) || !m_repository.writeNote(m_track, index, note)) {
        return false;
    }
    m_marks[index].note = note;
    emit markChanged(index);
    return true;
}

bool MarkModel::restore(const MarkSnapshot& marks) {
    if (m_track.isEmpty() || marks.track != m_track) {
        return false;
    }
    MarkRepository::Stored stored;
    for (int i = 0; i < kMarks; ++i) {
        const MarkSnapshot::Mark& m = marks.marks[i];
        stored.positions[i] = m.set ? m.stored.value_or(m.position) : QString();
        stored.notes[i] = m.note;
    }
    if (!m_repository.writeAll(m_track, stored)) {
        return false;
    }
    for (int i = 0; i < kMarks; ++i) {
        const MarkSnapshot::Mark& m = marks.marks[i];
        m_marks[i].state =
            m.set ? State::Set : (m.position.isEmpty() ? State::Cleared : State::NeverSet);
        m_marks[i].position = m.set ? stored.positions[i] : m.position;
        m_marks[i].note = m.note;
    }
    emit marksReset();
    return true;
}

MarkSnapshot MarkModel::snapshot(const QString& track) const {
    MarkSnapshot s;
    s.track = track;
    for (int i = 0; i < kMarks; ++i) {
        const bool set = isSet(i);
        s.marks[i] = {set, position(i), note(i), set ? m_stripX[i] : std::nullopt, std::nullopt};
    }
    return s;
}

void MarkModel::setLook(int button, Look look) {
    // "?" and "Clear All" are never a set or current mark: stepping between marks relies on it.
    if (button < 0 || button >= kMarks || m_looks[button] == look) {
        return;
    }
    m_looks[button] = look;
    emit lookChanged(button);
}

void MarkModel::showNote(const QString& text) {
    m_noteLine = text;
    emit noteShown(text);
}
