#pragma once
// The mark strip as the track's timeline: a playhead at the playing position, the position
// and the track's length in small type at the strip's ends, a click on the free strip to go
// there, and the time under the pointer as its tooltip.
//
// It lies just above the backdrop and beneath every other child of picMarker, so mark lines,
// labels, nudge buttons and the title band cover it and keep their clicks: only a click where
// none of them is reaches it. While the track plays it moves the playhead on a frame timer,
// carried on between readings of the engine (PlayheadClock); otherwise no timer runs.

#include "window/PlayheadClock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class MarkModel;
class MarkStrip;
class MediaBackend;
class PlayerInterface;
class StripBackdrop;

class StripTimeline : public QWidget {
    Q_OBJECT
public:
    struct Parts {
        // The strip's surface (picMarker) and what lies behind its elements.
        QWidget& stripHost;
        StripBackdrop& backdrop;
        // The track as the active component plays it.
        PlayerInterface& player;
        // The strip's scale and its elements, which keep their clicks.
        MarkModel& marks;
        MarkStrip& strip;
        // Where the playhead starts: below the title band, which would hide it.
        int top;
    };
    explicit StripTimeline(const Parts& parts);

    // The time of the track at a pixel column of picMarker, within the track.
    double timeAt(double x) const;
    // The column where the playhead is drawn (its line covers the column left of it and this
    // one, as a mark line does); negative when there is none.
    double playheadX() const;
    double shownPosition() const { return m_position; }
    bool animating() const { return m_frame.isActive(); }
    // Tests put in their own clock.
    void setClock(PlayheadClock clock);

    // "1:05", "1:02:05"; tenths are added for the tooltip.
    static QString clockText(double seconds, bool tenths = false);

    static constexpr QRgb kPlayhead = 0xff0e9f77;
    static constexpr QRgb kEndText = 0xff8a93a6;
    // Longest time between two readings of the engine while playing.
    static constexpr int kSampleMs = 100;

signals:
    // A suggested section start was clicked with Ctrl held.
    void sectionTaken(double seconds);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MediaBackend& active() const;
    bool seekable() const;
    // On or right beside a shown mark element (the labels let clicks through to the strip).
    bool onMark(QPoint p) const;
    double scale() const;
    // Reads the engine again and shows what it says.
    void resample();
    void frame();
    void showPosition(double seconds);
    QRect playheadRect(double x) const;
    QRect endTextRect(bool right) const;

    StripBackdrop& m_backdrop;
    PlayerInterface& m_player;
    MarkModel& m_marks;
    MarkStrip& m_strip;
    int m_top;
    PlayheadClock m_clock;
    QTimer m_frame;
    QElapsedTimer m_sinceSample;
    double m_position = 0;
    double m_x = -1;
    QString m_positionText;
    bool m_pressed = false;
};
