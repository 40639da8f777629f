#pragma once
// The keyboard and remote-control commands: the two mode keys (Ctrl = set, Alt = clear), the
// number keys, the media keys, paging between marks, play/pause toggles, the fast keys, and
// Ctrl+Z, which undoes the last clearing of marks.

#include <QString>

#include <cstdint>
#include <functional>

class MarkPoints;
class modHybrid;

struct TransportCommands {
    std::function<void()> cmdOpen_Click;
    std::function<void()> cmdPlay_Click;
    std::function<void()> cmdPause_Click;
    std::function<void()> cmdStop_Click;
    // tmrFast: set its tag ("ff" or "rw") and start it; stop it and empty its tag.
    std::function<void(const QString& tag)> startFast;
    std::function<void()> stopFast;
    // Keys the tables above leave free (practice speed, transpose, loop), without a mode key.
    std::function<void(int16_t KeyCode)> otherKey;
};

class KeyCommands {
public:
    KeyCommands(MarkPoints& marks, modHybrid& hybrid, TransportCommands transport);

    // Shift: the modifier mask of the press (VirtualKeys::ShiftMask ...); the mode keys are
    // read again from it and from the keyboard before every press is handled.
    void Form_KeyDown(int16_t KeyCode, int16_t Shift);
    void KeyCommand(int16_t KeyCode);
    void Form_KeyUp(int16_t KeyCode, int16_t Shift);

    // The mark index of a number key (top row or keypad), or -1.
    static int markIndexOfKey(int16_t KeyCode);
    // Keys whose release ends fast winding.
    static bool isFastKey(int16_t KeyCode);

private:
    MarkPoints& m_marks;
    modHybrid& m_hybrid;
    TransportCommands m_transport;
};
