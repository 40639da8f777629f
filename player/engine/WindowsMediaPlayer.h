#pragma once
// WMP1: the component of the newer generation, with its URL, controls and currentMedia
// members, its play-state codes and its two notifications.

#include "engine/MediaComponent.h"

class WindowsMediaPlayer : public MediaComponent {
    Q_OBJECT
public:
    enum PlayStateCode {
        wmppsUndefined = 0,
        wmppsStopped = 1,
        wmppsPaused = 2,
        wmppsPlaying = 3,
        wmppsMediaEnded = 8,
        wmppsTransitioning = 9,
        wmppsReady = 10,
    };

    explicit WindowsMediaPlayer(std::unique_ptr<MediaBackend> backend, QObject* parent = nullptr);

    QString URL() const;
    // Assigning starts playing from 0.
    void setURL(const QString& url);

    struct Controls {
        void play();
        void pause();
        void stop();
        double currentPosition() const;
        void setCurrentPosition(double seconds);

        WindowsMediaPlayer& owner;
    };
    Controls& controls() { return m_controls; }

    struct Media {
        double duration() const;
        QString sourceURL() const;

        const WindowsMediaPlayer& owner;
    };
    const Media& currentMedia() const { return m_media; }

    int playState() const;
    static int playStateFor(MediaBackend::State state);

signals:
    void PlayStateChange(int NewState);
    void PositionChange(double oldPosition, double newPosition);

private:
    Controls m_controls{*this};
    Media m_media{*this};
    int m_lastPlayState = wmppsUndefined;
};
