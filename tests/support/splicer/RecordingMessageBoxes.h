#pragma once
// Test double of the message boxes: records every box and answers questions from a script.
// Header only, kept with the other test support so that it never reaches the program.

#include "window/MessageBoxes.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

struct RecordedMessageBox {
    QString text;
    QString title;
    MessageBoxes::Buttons buttons;
    MessageBoxes::Icon icon;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    Answer show(QWidget*, const QString& text, const QString& title, Buttons buttons,
                Icon icon) override {
        shown.push_back({text, title, buttons, icon});
        if (onShow) {
            onShow(shown.back());
        }
        if (buttons == Buttons::Ok) {
            return Answer::Ok;
        }
        if (answers.empty()) {
            return Answer::Yes;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList texts() const {
        QStringList out;
        for (const RecordedMessageBox& m : shown) {
            out << m.text;
        }
        return out;
    }

    // Answers to Yes/No questions, consumed in order; Yes when the script is used up.
    std::deque<Answer> answers;
    std::vector<RecordedMessageBox> shown;
    std::function<void(const RecordedMessageBox&)> onShow;
};
