#pragma once
// The one place where Qt key events become the virtual-key codes the key commands use.

#include <QKeyEvent>

namespace VirtualKeys {

enum : int {
    Shift = 16,
    Control = 17,
    Alt = 18,
    Enter = 13,
    Escape = 27,
    Space = 32,
    PageUp = 33,
    PageDown = 34,
    End = 35,
    Home = 36,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Insert = 45,
    Delete = 46,
    Digit0 = 48,
    KeyB = 66,
    KeyG = 71,
    KeyL = 76,
    KeyM = 77,
    KeyP = 80,
    KeyT = 84,
    KeyZ = 90,
    Numpad0 = 96,
    F1 = 112,
    F5 = 116,
    MediaNext = 176,
    MediaPrevious = 177,
    MediaStop = 178,
    MediaPlayPause = 179,
    OemPlus = 187,  // "=" key
    OemMinus = 189, // "-" key
    OemOpenBracket = 219,
    OemBackslash = 220,
    OemCloseBracket = 221,
};

// Bits of the modifier mask that goes with a key code: Shift 1, Ctrl 2, Alt 4.
enum : int { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

// 0 when the key has no code in the tables (AltGr included: it stands for Ctrl and Alt, two
// codes, which the window's key preview sends).
// The digit row is recognised by its physical key, so layouts whose digits need Shift still
// give the digit; keypad digits with Num Lock off arrive as the navigation keys they send.
// Letters are the letters Qt names; a letter of a non-Latin layout is the Latin letter of its
// physical key on a US keyboard, so B, L and Z work whatever the layout.
int fromKeyEvent(const QKeyEvent& event);
int fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

// The modifier mask of Qt's modifiers; AltGr (Qt's group switch) is Ctrl and Alt together.
int shiftMask(Qt::KeyboardModifiers modifiers);

// The Qt key of a virtual-key code, for injected presses.
int toQtKey(int virtualKey);

} // namespace VirtualKeys
