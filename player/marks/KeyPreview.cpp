#include "marks/KeyPreview.h"

#include "marks/KeyCommands.h"
#include "platform/VirtualKeys.h"

#include <QKeyEvent>

#include <exception>
#include <utility>

namespace vk = VirtualKeys;

KeyPreview::KeyPreview(KeyCommands& keys, QObject* parent) : QObject(parent), m_keys(keys) {
    m_heldBack.setSingleShot(true);
    m_heldBack.setInterval(kRepeatGapMs);
    connect(&m_heldBack, &QTimer::timeout, this, &KeyPreview::releaseHeldBack);
}

void KeyPreview::releaseHeldBack() {
    m_heldBack.stop();
    if (const int key = std::exchange(m_heldBackKey, 0)) {
        keyUp(key);
    }
}

bool KeyPreview::keyEvent(const QKeyEvent& event) {
    const bool press = event.type() == QEvent::KeyPress;
    const int16_t shift = static_cast<int16_t>(vk::shiftMask(event.modifiers()));
    if (event.key() == Qt::Key_AltGr) {
        releaseHeldBack();
        if (press) {
            keyDown(vk::Control, shift);
            keyDown(vk::Alt, shift);
        } else {
            keyUp(vk::Alt, shift);
            keyUp(vk::Control, shift);
        }
        return true;
    }
    const int key = vk::fromKeyEvent(event);
    if (key == 0) {
        return false;
    }
    if (press && key == m_heldBackKey) {
        // The release just before this press was an auto-repeat, not the real one.
        m_heldBack.stop();
        m_heldBackKey = 0;
    }
    releaseHeldBack();
    if (press) {
        keyDown(key, shift);
    } else if (KeyCommands::isFastKey(static_cast<int16_t>(key))) {
        m_heldBackKey = key;
        m_heldBack.start();
    } else {
        keyUp(key, shift);
    }
    return true;
}

void KeyPreview::keyDown(int virtualKey, int16_t Shift) {
    try {
        m_keys.Form_KeyDown(static_cast<int16_t>(virtualKey), Shift);
    } catch (const std::exception&) {
    }
}

void KeyPreview::keyUp(int virtualKey, int16_t Shift) {
    try {
        m_keys.Form_KeyUp(static_cast<int16_t>(virtualKey), Shift);
    } catch (const std::exception&) {
    }
}
