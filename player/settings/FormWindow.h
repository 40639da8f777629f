#pragma once
// What cInifile needs of a window and its screen to save and restore the window's position:
// geometry in twips (1/1440 inch) and the window state. The player's window supplies one;
// tests supply a fake.

#include <cstdint>

class FormWindow {
public:
    enum State : int { Normal = 0, Minimised = 1, Maximised = 2 };

    virtual ~FormWindow() = default;

    virtual int windowState() const = 0;
    // False when the window refuses the change.
    virtual bool setWindowState(int state) = 0;

    virtual int32_t left() const = 0;
    virtual int32_t top() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // Sets all four at once; false when the window refuses, as a minimised or maximised
    // window does.
    virtual bool move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;

    virtual double screenWidth() const = 0;
    virtual double screenHeight() const = 0;
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
};
