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
    KeyL = 76,
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

// 0 when the key has no code in the tables.
// The digit row is recognised by its physical key, so layouts whose digits need Shift still
// give the digit; keypad digits with Num Lock off arrive as the navigation keys they send.
int fromKeyEvent(const QKeyEvent& event);
int fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

// The Qt key of a virtual-key code, for injected presses.
int toQtKey(int virtualKey);

} // namespace VirtualKeys
