// Qt key events to the virtual-key codes the key commands use, as X11 delivers them: the key Qt
// names, its modifiers and the X11 key code of the physical key.

#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

namespace vk = VirtualKeys;

namespace {

// X11 key codes of physical keys on a PC keyboard (evdev scan code + 8).
constexpr quint32 TopRow1 = 10, TopRow6 = 15, TopRow0 = 19, Keypad3 = 89, KeypadEnter = 104;
constexpr quint32 LetterB = 56, LetterL = 46, LetterZ = 52, LetterW = 25, ArrowRight = 114,
                  NoScanCode = 0;

struct Case {
    const char* what;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 scanCode;
    int expected;
};

const Case cases[] = {
    {"top-row 1", Qt::Key_1, Qt::NoModifier, TopRow1, 49},
    {"top-row 0 is 48", Qt::Key_0, Qt::NoModifier, TopRow0, 48},
    {"Shift+1 on a US layout is still the 1 key", Qt::Key_Exclam, Qt::ShiftModifier, TopRow1, 49},
    {"AZERTY & is the 1 key", Qt::Key_Ampersand, Qt::NoModifier, TopRow1, 49},
    {"AZERTY à is the 0 key", Qt::Key_Agrave, Qt::NoModifier, TopRow0, 48},
    {"AZERTY - is the 6 key", Qt::Key_Minus, Qt::NoModifier, TopRow6, 54},
    {"keypad 3 with Num Lock on", Qt::Key_3, Qt::KeypadModifier, Keypad3, 99},
    {"keypad 3 with Num Lock off is Page Down", Qt::Key_PageDown, Qt::KeypadModifier, Keypad3,
     vk::PageDown},
    {"a digit without a scan code (injected)", Qt::Key_7, Qt::NoModifier, NoScanCode, 55},
    {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, KeypadEnter, vk::Enter},
    {"Return", Qt::Key_Return, Qt::NoModifier, 36, vk::Enter},
    {"B", Qt::Key_B, Qt::NoModifier, LetterB, vk::KeyB},
    {"Ctrl+B keeps B", Qt::Key_B, Qt::ControlModifier, LetterB, vk::KeyB},
    {"F5", Qt::Key_F5, Qt::NoModifier, 71, vk::F5},
    {"right arrow", Qt::Key_Right, Qt::NoModifier, ArrowRight, vk::Right},
    {"AltGr alone has no code of its own", Qt::Key_AltGr, Qt::NoModifier, 108, 0},
    {"Russian И is the B key", 0x0418, Qt::NoModifier, LetterB, vk::KeyB},
    {"Russian Д is the L key", 0x0414, Qt::NoModifier, LetterL, vk::KeyL},
    {"Greek Ζ is the Z key", 0x0396, Qt::ControlModifier, LetterZ, vk::KeyZ},
    {"AZERTY Z stays Z", Qt::Key_Z, Qt::NoModifier, LetterW, vk::KeyZ},
    {"AZERTY comma on the M key stays no command", Qt::Key_Comma, Qt::NoModifier, 58, 0},
    {"media next", Qt::Key_MediaNext, Qt::NoModifier, 171, vk::MediaNext},
    {"media previous", Qt::Key_MediaPrevious, Qt::NoModifier, 173, vk::MediaPrevious},
    {"media stop", Qt::Key_MediaStop, Qt::NoModifier, 174, vk::MediaStop},
    {"media play", Qt::Key_MediaPlay, Qt::NoModifier, 172, vk::MediaPlayPause},
    {"media pause", Qt::Key_MediaPause, Qt::NoModifier, 209, vk::MediaPlayPause},
    {"media play/pause toggle", Qt::Key_MediaTogglePlayPause, Qt::NoModifier, 172,
     vk::MediaPlayPause},
    {"a key the tables do not use", Qt::Key_Tab, Qt::NoModifier, 23, 0},
};

TEST(VirtualKeys, TranslatesQtKeysByTheirPhysicalKey) {
    for (const Case& c : cases) {
        EXPECT_EQ(vk::fromQtKey(c.qtKey, c.modifiers, c.scanCode), c.expected) << c.what;
    }
}

TEST(VirtualKeys, ModifierMaskTakesAltGrForCtrlAndAlt) {
    EXPECT_EQ(vk::shiftMask(Qt::NoModifier), 0);
    EXPECT_EQ(vk::shiftMask(Qt::ShiftModifier | Qt::KeypadModifier), vk::ShiftMask);
    EXPECT_EQ(vk::shiftMask(Qt::ControlModifier), vk::CtrlMask);
    EXPECT_EQ(vk::shiftMask(Qt::AltModifier), vk::AltMask);
    EXPECT_EQ(vk::shiftMask(Qt::GroupSwitchModifier), vk::CtrlMask | vk::AltMask);
}

// Injected presses (PLAY's Right arrow, the tests' keys) go through toQtKey and must come back
// as the code they were made from.
TEST(VirtualKeys, InjectedKeysComeBackAsTheirCode) {
    const int codes[] = {vk::Right,     vk::Left,           vk::Space,      vk::Escape,
                         vk::PageDown,  vk::PageUp,         vk::KeyB,       vk::F1,
                         vk::F5,        vk::Digit0,         vk::Digit0 + 9, vk::KeyZ,
                         vk::MediaNext, vk::MediaPlayPause, vk::OemPlus,    vk::OemCloseBracket};
    for (int code : codes) {
        const int qtKey = vk::toQtKey(code);
        ASSERT_NE(qtKey, 0) << code;
        EXPECT_EQ(vk::fromQtKey(qtKey, Qt::NoModifier, NoScanCode), code) << code;
    }
}

} // namespace
