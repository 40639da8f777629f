#pragma once
// Tells a screen reader of things that happen away from the focus (a splice's progress, the
// file being joined, the outcome): an unseen child of the window that takes no space, whose
// accessible role is a notification. Each announce() is spoken once.

#include <QList>
#include <QWidget>

// One announcement's notification. A screen reader asks for the name after the event, and
// during a splice the window answers only now and then: each text keeps a voice of its own
// until many later ones have been said, so the question gets the text it was meant for.
class AnnouncerVoice : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class Announcer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVoices = 128;

    explicit Announcer(QWidget* parent);

    void announce(const QString& text);
    // The voice of the last announcement (null before the first).
    QWidget* lastVoice() const { return m_voices.isEmpty() ? nullptr : m_voices[m_last]; }

signals:
    // Each text as it is handed to the screen reader, for whoever else keeps a record.
    void announced(const QString& text);

private:
    QList<AnnouncerVoice*> m_voices;
    qsizetype m_last = -1;
};
