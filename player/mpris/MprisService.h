#pragma once
// The player on the session bus as org.mpris.MediaPlayer2.tavrel, so that keyboard media
// keys, headset buttons, phone remotes and the desktop's media widgets reach it. Without a
// session bus the player runs as before, silently.

#include "base/AppIdentity.h"

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QVariantMap>

class MprisPlayerAdaptor;
class PlayerInterface;

// The D-Bus context of a call is the service's, also for the calls its adaptors take.
class MprisService : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.mpris.MediaPlayer2.tavrel";
    static constexpr const char* kPath = "/org/mpris/MediaPlayer2";
    // The track id of "no track".
    static constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

    explicit MprisService(PlayerInterface& player, QObject* parent = nullptr);
    // False when there is no session bus or the name is taken.
    bool registerOnSessionBus();

    PlayerInterface& player() { return m_player; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    QDBusObjectPath trackId() const;
    qlonglong positionMicroseconds() const;
    bool canSeek() const;
    QString loopStatus() const;

    // Moves the playhead by `offset` µs, held within the track.
    void seekBy(qlonglong offset);
    // Moves the playhead to `position` µs of the track named; ignored when that is not the
    // current track or the position lies outside it.
    void seekTo(const QDBusObjectPath& track, qlonglong position);
    // 0 pauses, as a desktop asks for with it; any other rate is the player's to hold and snap.
    void setRate(double rate);
    void setVolume(double volume);
    // "None" ends the loop between marks; "Track" and "Playlist" start it (there is no list of
    // tracks to repeat: the loop is what this player repeats).
    void setLoopStatus(const QString& status);
    // Opens a file:// URI; anything else is refused with the reason, which is returned (and
    // sent to a caller on the bus as its error).
    QString openUri(const QString& uri);

    // Tells listeners what changed since the last time.
    void announce();

signals:
    // The properties of the player interface that changed, as they are sent on the bus.
    void propertiesChanged(const QVariantMap& changed);

private:
    QString openFileUri(const QString& uri);

    PlayerInterface& m_player;
    MprisPlayerAdaptor* m_playerAdaptor;
    bool m_onBus = false;
    QString m_lastStatus;
    double m_lastRate = 1.0;
    double m_lastVolume = 1.0;
    QString m_lastLoop = QStringLiteral("None");
    bool m_lastCanSeek = false;
    QString m_lastTrack;
    double m_lastLength = 0;
    QMap<QString, QString> m_lastTags;
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
    // What OpenUri takes.
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
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayerAdaptor(MprisService* service);
    QString playbackStatus() const { return m_service->playbackStatus(); }
    QString loopStatus() const { return m_service->loopStatus(); }
    void setLoopStatus(const QString& status) { m_service->setLoopStatus(status); }
    QVariantMap metadata() const { return m_service->metadata(); }
    qlonglong position() const { return m_service->positionMicroseconds(); }
    // The practice speed, as the active back end reports it.
    double rate() const;
    void setRate(double rate) { m_service->setRate(rate); }
    double minimumRate() const;
    double maximumRate() const;
    double volume() const;
    void setVolume(double volume) { m_service->setVolume(volume); }
    bool canSeek() const { return m_service->canSeek(); }
    bool yes() const { return true; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    MprisService* m_service;
};
