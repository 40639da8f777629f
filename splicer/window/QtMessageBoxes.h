#pragma once
// Message boxes shown with QMessageBox, modal to the window that asks.

#include "window/MessageBoxes.h"

class QtMessageBoxes : public MessageBoxes {
public:
    Answer show(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override;
};
