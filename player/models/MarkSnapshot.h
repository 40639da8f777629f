#pragma once
// The ten marks of one track as the window shows them at one moment: enough to put them back
// in the window and in the store exactly as they were.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

struct MarkSnapshot {
    struct Mark {
        bool set = false;
        // The position text; for a mark that is not set, what its slot held ("" or "0").
        QString position;
        QString note;
        // Where its line stands on the strip, in twips: a mark set at the player is drawn
        // from the exact position, one laid out from its text from whole seconds. None: lay
        // it out from its text.
        std::optional<int16_t> x;
        // The position as the store holds it, when it was read from there: setting a mark
        // reads the player once for the window and once more for the store, so the two texts
        // can differ. None: the store gets the position text.
        std::optional<QString> stored;
        bool operator==(const Mark&) const = default;
    };

    QString track;
    std::array<Mark, 10> marks;

    bool operator==(const MarkSnapshot&) const = default;
};
