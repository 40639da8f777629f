#pragma once
// A ring drawn around whichever control of the window has the keyboard focus, thick and in a
// colour that stands out both on the window's light face and on the dark title bar, so that
// a user of the keyboard always sees where the keys go. It lies outside the control, leaves
// the control's own look alone and lets the mouse through.

#include <QFocusFrame>

class FocusRing : public QFocusFrame {
    Q_OBJECT
public:
    // Follows the focus among the controls of `window`.
    explicit FocusRing(QWidget* window);

    static constexpr int Width = 3;
    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* now);

    QWidget* m_window;
};
