#pragma once
// The modal message boxes of the splicer window, behind an interface so that window tests can
// record what the user would have been told and answer questions from a script.

#include <QString>

class QWidget;

class MessageBoxes {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Exclamation };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;
    virtual Answer show(QWidget* parent, const QString& text, const QString& title, Buttons buttons,
                        Icon icon) = 0;
};
