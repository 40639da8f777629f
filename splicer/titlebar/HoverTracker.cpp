#include "titlebar/HoverTracker.h"

HoverTracker::Actions HoverTracker::surfaceMouseDown(bool haveCapture) {
    Actions a;
    a.captureMouse = !haveCapture;
    m_tracking = NotTracking;
    m_pointerOver = true;
    return a;
}

HoverTracker::Actions HoverTracker::surfaceMouseMove(bool overButton, bool leftButton,
                                                     bool pointerInside, bool haveCapture) {
    Actions a;
    if (overButton) {
        // Let go so that the button under the pointer gets the next move and lights up.
        a.releaseCapture = true;
        return a;
    }
    a.restoreNormalPictures = true;
    if (m_tracking == NotTracking && pointerInside) {
        m_pointerOver = true;
        a.captureMouse = !haveCapture;
        haveCapture = true;
        m_tracking = Tracking;
        a.startTimer = true;
    }
    if (leftButton) {
        m_pointerOver = false;
        m_tracking = NotTracking;
        a.startTimer = false;
        a.stopTimer = true;
        a.captureMouse = false;
        a.releaseCapture = true;
        a.startDrag = true;
    }
    a.raiseMouseMove = true;
    return a;
}

HoverTracker::Actions HoverTracker::surfaceMouseUp() {
    Actions a;
    m_tracking = NotTracking;
    m_pointerOver = false;
    a.releaseCapture = true;
    return a;
}

HoverTracker::Actions HoverTracker::timerTick(bool pointerInside, bool haveCapture) {
    Actions a;
    if (pointerInside) {
        return a;
    }
    a.stopTimer = true;
    m_pointerOver = false;
    m_tracking = NotTracking;
    a.releaseCapture = haveCapture;
    return a;
}

HoverTracker::Actions HoverTracker::buttonMouseMove() {
    Actions a;
    a.stopTimer = true;
    a.releaseCapture = true;
    m_tracking = NotTracking;
    m_pointerOver = true;
    return a;
}

HoverTracker::Actions HoverTracker::buttonMouseDown() {
    return buttonMouseMove();
}
