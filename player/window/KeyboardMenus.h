#pragma once
// The Menu key on the focused control opens a menu of what that control does, so every
// function of the window works from the keyboard alone: Space and Enter belong to play and
// pause here, so they cannot press the focused button. A control without a menu of its own
// gets one item that presses it (a button) or steps it (a slider).

#include <QHash>

#include <functional>

class QMenu;
class QWidget;

class KeyboardMenus {
public:
    using Filler = std::function<void(QMenu&)>;

    void add(QWidget* control, Filler fill);
    // Fills `menu` for `control`; false when there is nothing to offer.
    bool fill(QWidget* control, QMenu& menu) const;
    // Opens the menu of `control` below it and runs the chosen item.
    void open(QWidget* control) const;

private:
    QHash<QWidget*, Filler> m_fillers;
};
