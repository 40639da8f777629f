#include "platform/VirtualKeys.h"

#include <string>

namespace VirtualKeys {

namespace {

// X11 key codes of the digit row, "1" to "9" then "0" (evdev scan code + 8).
constexpr quint32 kX11DigitRowFirst = 10;
constexpr quint32 kX11DigitRowLast = 19;

// X11 key codes of the three letter rows of a US keyboard, and their letters.
struct LetterRow {
    quint32 first;
    const char* letters;
};
constexpr LetterRow kLetterRows[] = {{24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}};

int letterOfPhysicalKey(quint32 nativeScanCode) {
    for (const LetterRow& row : kLetterRows) {
        const quint32 count = static_cast<quint32>(std::char_traits<char>::length(row.letters));
        if (nativeScanCode >= row.first && nativeScanCode < row.first + count) {
            return row.letters[nativeScanCode - row.first];
        }
    }
    return 0;
}

// A character key of a layout beyond Latin-1 (Cyrillic, Greek, ...); Qt's own keys lie above.
bool isNonLatinCharacter(int qtKey) {
    return qtKey > 0xff && qtKey < Qt::Key_Escape;
}

struct Pair {
    int qt;
    int vk;
};

constexpr Pair kTable[] = {
    {Qt::Key_Shift, Shift},
    {Qt::Key_Control, Control},
    {Qt::Key_Alt, Alt},
    {Qt::Key_Return, Enter},
    {Qt::Key_Enter, Enter},
    {Qt::Key_Escape, Escape},
    {Qt::Key_Space, Space},
    {Qt::Key_PageUp, PageUp},
    {Qt::Key_PageDown, PageDown},
    {Qt::Key_End, End},
    {Qt::Key_Home, Home},
    {Qt::Key_Left, Left},
    {Qt::Key_Up, Up},
    {Qt::Key_Right, Right},
    {Qt::Key_Down, Down},
    {Qt::Key_Insert, Insert},
    {Qt::Key_Delete, Delete},
    {Qt::Key_Clear, 12},
    {Qt::Key_MediaNext, MediaNext},
    {Qt::Key_MediaPrevious, MediaPrevious},
    {Qt::Key_MediaStop, MediaStop},
    {Qt::Key_MediaPlay, MediaPlayPause},
    {Qt::Key_MediaPause, MediaPlayPause},
    {Qt::Key_MediaTogglePlayPause, MediaPlayPause},
    {Qt::Key_Equal, OemPlus},
    {Qt::Key_Plus, OemPlus},
    {Qt::Key_Minus, OemMinus},
    {Qt::Key_BracketLeft, OemOpenBracket},
    {Qt::Key_Backslash, OemBackslash},
    {Qt::Key_BracketRight, OemCloseBracket},
};

} // namespace

int fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9 && (modifiers & Qt::KeypadModifier)) {
        return Numpad0 + (qtKey - Qt::Key_0);
    }
    if (!(modifiers & Qt::KeypadModifier) && nativeScanCode >= kX11DigitRowFirst &&
        nativeScanCode <= kX11DigitRowLast) {
        return Digit0 + static_cast<int>((nativeScanCode - kX11DigitRowFirst + 1) % 10);
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return Digit0 + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return 'A' + (qtKey - Qt::Key_A);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return F1 + (qtKey - Qt::Key_F1);
    }
    for (const Pair& p : kTable) {
        if (p.qt == qtKey) {
            return p.vk;
        }
    }
    if (isNonLatinCharacter(qtKey)) {
        return letterOfPhysicalKey(nativeScanCode);
    }
    return 0;
}

int shiftMask(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier) {
        mask |= ShiftMask;
    }
    if (modifiers & (Qt::ControlModifier | Qt::GroupSwitchModifier)) {
        mask |= CtrlMask;
    }
    if (modifiers & (Qt::AltModifier | Qt::GroupSwitchModifier)) {
        mask |= AltMask;
    }
    return mask;
}

int fromKeyEvent(const QKeyEvent& event) {
    return fromQtKey(event.key(), event.modifiers(), event.nativeScanCode());
}

int toQtKey(int virtualKey) {
    if (virtualKey >= Digit0 && virtualKey <= Digit0 + 9) {
        return Qt::Key_0 + (virtualKey - Digit0);
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return Qt::Key_A + (virtualKey - 'A');
    }
    if (virtualKey >= F1 && virtualKey < F1 + 24) {
        return Qt::Key_F1 + (virtualKey - F1);
    }
    for (const Pair& p : kTable) {
        if (p.vk == virtualKey) {
            return p.qt;
        }
    }
    return 0;
}

} // namespace VirtualKeys
