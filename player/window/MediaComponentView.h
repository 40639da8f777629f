#pragma once
// A media component's own playback controls, as the components show them in their full mode:
// play/pause, stop, a seek slider, elapsed and total time, and volume.

#include "engine/MediaComponent.h"

#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

class MediaComponentView : public QWidget {
    Q_OBJECT
public:
    MediaComponentView(MediaComponent& component, QWidget* parent = nullptr);

    QToolButton* playPause() const { return m_playPause; }
    QToolButton* stopButton() const { return m_stop; }
    QSlider* seekSlider() const { return m_seek; }
    QLabel* timeLabel() const { return m_time; }
    QSlider* volumeSlider() const { return m_volume; }

    static QString clockText(double seconds);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    MediaComponent& m_component;
    QToolButton* m_playPause;
    QToolButton* m_stop;
    QSlider* m_seek;
    QLabel* m_time;
    QSlider* m_volume;
    QTimer m_tick;
    bool m_dragging = false;
};
