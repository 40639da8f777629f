#pragma once
// A screen reader's voice for the window it lives in: each announce() is one notification
// event carrying the text, so a screen reader speaks it once. It takes no room and shows
// nothing.

#include <QWidget>

class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* window);

    void announce(const QString& text);

signals:
    // After each announcement; for whoever checks what was said.
    void announced(const QString& text);
};
