#pragma once
// Keys and clicks that act on a track, while a track opens: held by the open controller and
// sent again, to the same control with the same mode keys, once the open has ended. F1, the
// OPEN button and the menu bar are never held: they open another track at once.

#include <QEvent>

class OpenController;
class Platform;
class QMenuBar;
class QWidget;

class HeldInput {
public:
    // `window`: whose keys are held; `openButton` and `menuBar` are never held; `keyTarget`
    // takes a held key whose control has gone when nothing in the window has the focus.
    HeldInput(QWidget& window, OpenController& opener, Platform& platform, QWidget& openButton,
              QMenuBar& menuBar, QWidget& keyTarget);

    // True when the event is held (the caller then drops it); an event sent again is not.
    bool hold(QWidget* widget, QEvent* event);

private:
    bool holds(QWidget* widget, QEvent* event) const;

    QWidget& m_window;
    OpenController& m_opener;
    Platform& m_platform;
    QWidget& m_openButton;
    QMenuBar& m_menuBar;
    QWidget& m_keyTarget;
    // The held event being sent again: it passes the key preview as if it had just come in.
    QEvent* m_replayed = nullptr;
};
