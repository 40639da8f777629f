#include "marks/KeyCommands.h"

#include "base/Runtime.h"
#include "engine/modHybrid.h"
#include "marks/MarkPoints.h"
#include "platform/VirtualKeys.h"

namespace vk = VirtualKeys;

KeyCommands::KeyCommands(MarkPoints& marks, modHybrid& hybrid, TransportCommands transport)
    : m_marks(marks), m_hybrid(hybrid), m_transport(std::move(transport)) {}

int KeyCommands::markIndexOfKey(int16_t KeyCode) {
    if (KeyCode >= 49 && KeyCode <= 57) {
        return KeyCode - 49;
    }
    if (KeyCode >= 97 && KeyCode <= 105) {
        return KeyCode - 97;
    }
    if (KeyCode == 48 || KeyCode == 96) {
        return 9;
    }
    return -1;
}

bool KeyCommands::isFastKey(int16_t KeyCode) {
    return KeyCode == vk::MediaNext || KeyCode == vk::MediaPrevious || KeyCode == vk::Right ||
           KeyCode == vk::Left;
}

void KeyCommands::Form_KeyDown(int16_t KeyCode, int16_t Shift) {
    m_marks.readModeKeys(Shift);
    if (KeyCode == vk::Control) {
        m_marks.model().setSetMode(true);
    }
    if (KeyCode == vk::Alt) {
        m_marks.model().setClearMode(true);
    }
    if (KeyCode == vk::MediaNext) {
        m_transport.startFast(QStringLiteral("ff"));
    }
    if (KeyCode == vk::MediaPrevious) {
        m_transport.startFast(QStringLiteral("rw"));
    }
    if (KeyCode == vk::Space || KeyCode == vk::Enter || KeyCode == vk::Shift) {
        m_hybrid.TogglePlayPause();
        return;
    }
    switch (KeyCode) {
    case vk::Right:
        m_transport.startFast(QStringLiteral("ff"));
        break;
    case vk::Left:
        m_transport.startFast(QStringLiteral("rw"));
        break;
    case vk::Up:
        m_hybrid.ResumeOrPause();
        break;
    case vk::Escape:
        m_hybrid.StopTrack();
        break;
    default:
        break;
    }
    KeyCommand(KeyCode);
}

void KeyCommands::KeyCommand(int16_t KeyCode) {
    try {
        switch (KeyCode) {
        case vk::F1:
            m_transport.cmdOpen_Click();
            return;
        case vk::F1 + 1:
            m_transport.cmdPlay_Click();
            return;
        case vk::F1 + 2:
            m_transport.cmdPause_Click();
            return;
        case vk::F1 + 3:
            m_transport.cmdStop_Click();
            return;
        default:
            break;
        }
        const int mark = markIndexOfKey(KeyCode);
        if (!m_marks.model().setMode() && !m_marks.model().clearMode()) {
            if (mark >= 0) {
                m_marks.GoToMarkPoint(mark);
                return;
            }
            switch (KeyCode) {
            case vk::MediaPlayPause:
            case vk::F5:
                m_hybrid.PlayTrack();
                break;
            case vk::MediaStop:
                m_hybrid.StopTrack();
                break;
            case vk::PageUp:
                m_marks.StepMarkPoint(m_marks.model().current(), false);
                break;
            case vk::PageDown:
                m_marks.StepMarkPoint(m_marks.model().current(), true);
                break;
            case vk::KeyB:
                m_hybrid.PauseTrack();
                break;
            default:
                if (m_transport.otherKey) {
                    m_transport.otherKey(KeyCode);
                }
                break;
            }
        } else if (m_marks.model().setMode()) {
            if (mark >= 0) {
                m_marks.SetMarkPoint(mark);
            } else if (KeyCode == vk::KeyZ) {
                m_marks.UndoClearing();
            }
        } else if (mark >= 0) {
            m_marks.ClearMarkPoint(mark, true);
        }
    } catch (const RuntimeError&) {
        // A missing strip element has already been skipped inside the mark operations;
        // anything else ends the command without a message.
    }
}

void KeyCommands::Form_KeyUp(int16_t KeyCode, int16_t) {
    if (KeyCode == vk::Control) {
        m_marks.model().setSetMode(false);
    }
    if (KeyCode == vk::Alt) {
        m_marks.model().setClearMode(false);
    }
    if (isFastKey(KeyCode)) {
        m_transport.stopFast();
    }
}
