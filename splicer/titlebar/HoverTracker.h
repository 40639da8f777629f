#pragma once

#include <cstdint>

// Keeps the window buttons' hover pictures right when the pointer leaves the bar. While
// tracking, the bar holds the mouse capture and a short timer checks whether the pointer is
// still inside; the widget carries out the actions each step asks for.
class HoverTracker {
public:
    static constexpr std::uint8_t NotTracking = 255;
    static constexpr std::uint8_t Tracking = 1;

    struct Actions {
        bool captureMouse = false;
        bool releaseCapture = false;
        bool startTimer = false;
        bool stopTimer = false;
        bool restoreNormalPictures = false; // every enabled button back to its normal picture
        bool startDrag = false;             // move the host window with the mouse
        bool raiseMouseMove = false;
        bool operator==(const Actions&) const = default;
    };

    Actions surfaceMouseDown(bool haveCapture);
    // overButton: the position lies inside a shown button's rectangle (the move arrived
    // here because the bar holds the capture).
    Actions surfaceMouseMove(bool overButton, bool leftButton, bool pointerInside,
                             bool haveCapture);
    Actions surfaceMouseUp();
    Actions timerTick(bool pointerInside, bool haveCapture);
    // The pointer moved on, or pressed, one of the buttons.
    Actions buttonMouseMove();
    Actions buttonMouseDown();

    std::uint8_t tracking() const { return m_tracking; }
    bool pointerOver() const { return m_pointerOver; }

private:
    std::uint8_t m_tracking = NotTracking;
    bool m_pointerOver = false;
};
