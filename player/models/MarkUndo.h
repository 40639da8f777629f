#pragma once
// The one step back that Ctrl+Z offers: the marks of the track as they were before the last
// clearing (or import). Any other change to the marks, and opening a track, forgets it, so
// that an undo never brings back marks over newer work or onto another track.

#include "models/MarkSnapshot.h"

#include <optional>
#include <utility>

class MarkUndo {
public:
    void remember(MarkSnapshot before) { m_before = std::move(before); }
    void forget() { m_before.reset(); }
    bool canUndo(const QString& track) const { return m_before && m_before->track == track; }
    // The remembered marks, given up: one undo per clearing.
    std::optional<MarkSnapshot> take() { return std::exchange(m_before, std::nullopt); }

private:
    std::optional<MarkSnapshot> m_before;
};
