#pragma once
// A media component's own playback controls, as the component shows them in its full mode:
// play/pause, stop, a seek bar, elapsed and total time, and volume.

#include <QWidget>

class MediaComponent;
class QHBoxLayout;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;

class QMenu;

class MediaComponentView : public QWidget {
    Q_OBJECT
public:
    explicit MediaComponentView(MediaComponent& component, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {736, 60}; }

    // "1:05 / 3:20"; hours appear only for tracks of an hour or more.
    static QString timeText(double position, double duration);

    QToolButton* playPauseButton() const { return m_playPause; }
    QToolButton* stopButton() const { return m_stop; }
    QSlider* seekSlider() const { return m_seek; }
    QSlider* volumeSlider() const { return m_volume; }
    QLabel* timeLabel() const { return m_time; }

    // Puts more controls into the row, right after the seek bar's time.
    void addBesideSeek(QWidget* controls);

    // The Menu key's items for the seek slider: back, ahead, to the start.
    void fillSeekMenu(QMenu& menu);

public slots:
    // Reads the component again; also driven by a timer while it plays.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void togglePlayPause();

    MediaComponent& m_component;
    QToolButton* m_playPause;
    QToolButton* m_stop;
    QSlider* m_seek;
    QLabel* m_time;
    QToolButton* m_mute;
    QSlider* m_volume;
    QTimer* m_tick;
    QHBoxLayout* m_row;
    int m_volumeBeforeMute = 100;
};
