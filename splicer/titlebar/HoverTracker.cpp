#include "titlebar/HoverTracker.h"

HoverTracker::Actions HoverTracker::surfaceMouseDown(bool haveCapture) {
    Actions a;
    a.captureMouse = !haveCapture;
    tracking_ = NotTracking;
    pointerOver_ = true;
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
    if (tracking_ == NotTracking && pointerInside) {
        pointerOver_ = true;
        a.captureMouse = !haveCapture;
        haveCapture = true;
        tracking_ = Tracking;
        a.startTimer = true;
    }
    if (leftButton) {
        pointerOver_ = false;
        tracking_ = NotTracking;
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
    tracking_ = NotTracking;
    pointerOver_ = false;
    a.releaseCapture = true;
    return a;
}

HoverTracker::Actions HoverTracker::timerTick(bool pointerInside, bool haveCapture) {
    Actions a;
    if (pointerInside)
        return a;
    a.stopTimer = true;
    pointerOver_ = false;
    tracking_ = NotTracking;
    a.releaseCapture = haveCapture;
    return a;
}

HoverTracker::Actions HoverTracker::buttonMouseMove() {
    Actions a;
    a.stopTimer = true;
    a.releaseCapture = true;
    tracking_ = NotTracking;
    pointerOver_ = true;
    return a;
}

HoverTracker::Actions HoverTracker::buttonMouseDown() {
    return buttonMouseMove();
}
