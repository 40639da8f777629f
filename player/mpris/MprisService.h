#pragma once
// The player on the session bus as org.mpris.MediaPlayer2.tavrel, so that keyboard media
// keys, headset buttons and phone remotes reach it through the desktop. Without a session bus
// the player runs as before, silently.

#include "engine/AppIdentity.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

class PlayerInterface;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.mpris.MediaPlayer2.tavrel";
    static constexpr const char* kPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(PlayerInterface& player, QObject* parent = nullptr);
    // False when there is no session bus or the name is taken.
    bool registerOnSessionBus();

    PlayerInterface& player() { return m_player; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionMicroseconds() const;
    // Tells listeners that the status, the track or the speed changed.
    void announce();

private:
    PlayerInterface& m_player;
    QString m_lastStatus;
    QString m_lastTrack;
    double m_lastRate = 1.0;
    // Tracks opened so far, the same file again included; the number names the track.
    quint64 m_opens = 0;
    quint64 m_lastOpens = 0;
};

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service);
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return AppIdentity::name(); }
    QString desktopEntry() const { return QStringLiteral("tavrel"); }
    QStringList uriSchemes() const { return {QStringLiteral("file")}; }
    QStringList mimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService* m_service;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayerAdaptor(MprisService* service);
    QString playbackStatus() const { return m_service->playbackStatus(); }
    QVariantMap metadata() const { return m_service->metadata(); }
    qlonglong position() const { return m_service->positionMicroseconds(); }
    // The practice speed, as the active back end reports it.
    double rate() const;
    double minimumRate() const { return 0.5; }
    double maximumRate() const { return 1.5; }
    double volume() const { return 1.0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();

private:
    MprisService* m_service;
};
