#include "window/HeldInput.h"

#include "engine/OpenController.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>

#include <memory>

HeldInput::HeldInput(QWidget& window, OpenController& opener, Platform& platform,
                     QWidget& openButton, QMenuBar& menuBar, QWidget& keyTarget)
    : m_window(window), m_opener(opener), m_platform(platform), m_openButton(openButton),
      m_menuBar(menuBar), m_keyTarget(keyTarget) {}

bool HeldInput::holds(QWidget* widget, QEvent* event) const {
    if (!m_opener.holding() || event == m_replayed) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // F1 opens another track at once: it takes over from the open under way.
        return static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        return widget != &m_openButton && !m_menuBar.isAncestorOf(widget) && widget != &m_menuBar;
    default:
        return false;
    }
}

bool HeldInput::hold(QWidget* widget, QEvent* event) {
    if (!holds(widget, event)) {
        return false;
    }
    std::shared_ptr<QEvent> copy(event->clone());
    const Qt::KeyboardModifiers modes = static_cast<QInputEvent*>(event)->modifiers();
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    m_opener.whenSettled([this, copy, modes, key, target = QPointer<QWidget>(widget)] {
        QWidget* to = target;
        if (key && (!to || to->isHidden())) {
            // A key is the window's whichever control had the focus.
            to = QApplication::focusWidget() && QApplication::focusWidget()->window() == &m_window
                     ? QApplication::focusWidget()
                     : &m_keyTarget;
        }
        // A click on a control that has gone (the previous track's bar) acted on that track.
        if (!to || (!key && (!to->isVisible() || !to->isEnabled()))) {
            return;
        }
        m_replayed = copy.get();
        m_platform.setHeldModeKeys(modes);
        QCoreApplication::sendEvent(to, copy.get());
        m_platform.setHeldModeKeys(std::nullopt);
        m_replayed = nullptr;
    });
    return true;
}
