#pragma once
// Tells a screen reader of things that happen away from the focus (a splice's progress, the
// file being joined, the outcome): an unseen child of the window that takes no space, whose
// accessible role is a notification. Each announce() is spoken once.

#include <QWidget>

class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void announce(const QString& text);

signals:
    // Each text as it is handed to the screen reader, for whoever else keeps a record.
    void announced(const QString& text);
};
