#pragma once
// Key events that reach the player window, whichever control has the focus, become the presses
// and releases of the key commands. On the way, AltGr is sent as Ctrl and Alt together, so
// AltGr with a digit sets a mark as Ctrl+Alt does; and the release of a fast key is held back
// for a moment, since X11 sends a release before every repeated press and only the real
// release may stop winding. A held-back release is dropped only when a press of the same key
// follows; any other key event lets it through first, in the order the two came.

#include <QObject>
#include <QTimer>

#include <cstdint>

class KeyCommands;
class QKeyEvent;

class KeyPreview : public QObject {
    Q_OBJECT
public:
    static constexpr int kRepeatGapMs = 40;

    explicit KeyPreview(KeyCommands& keys, QObject* parent = nullptr);

    // False when the event is no key of a command (it then goes on to the focused control).
    bool keyEvent(const QKeyEvent& event);

    // One press or release of a virtual key; an unexpected error ends it silently.
    void keyDown(int virtualKey, int16_t Shift = 0);
    void keyUp(int virtualKey, int16_t Shift = 0);

private:
    void releaseHeldBack();

    KeyCommands& m_keys;
    QTimer m_heldBack;
    int m_heldBackKey = 0;
};
