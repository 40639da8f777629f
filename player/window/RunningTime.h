#pragma once
// The running time beside the transport buttons and the winding of the F5 and F6 keys.
//
// While the active component plays, tmrTime shows its position every 100 ms; a go-to shows the
// new position at once, and a stop or pause shows where playback came to rest. tmrFast winds
// every 200 ms while its tag is "ff" (a second ahead) or "rw" (two seconds back), in whole
// seconds, and stops at the start of the track.

#include <QObject>
#include <QString>

class MediaPlayer;
class Platform;
class QLabel;
class QTimer;
class QWidget;
class WindowsMediaPlayer;
class modHybrid;

class RunningTime : public QObject {
    Q_OBJECT
public:
    // The window's own label, timers and PLAY button (a WMP go-to gives it the focus).
    struct Parts {
        QLabel& lblCount;
        QTimer& tmrTime;
        QTimer& tmrFast;
        QString& tmrFastTag;
        QWidget& cmdPlay;
        WindowsMediaPlayer& WMP1;
        MediaPlayer& mp1;
        modHybrid& hybrid;
        Platform& platform;
    };
    explicit RunningTime(const Parts& parts, QObject* parent = nullptr);

    void tmrTime_Timer();
    void tmrFast_Timer();
    // Winding: sets the tag ("ff" or "rw") and starts tmrFast; stops it and empties the tag.
    void startFast(const QString& tag);
    void stopFast();

private:
    void setRunningTime(double seconds);
    void showStoppedTime();

    Parts m_parts;
};
