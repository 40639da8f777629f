#include "mpris/MprisService.h"

#include "engine/PlayerInterface.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

MprisService::MprisService(PlayerInterface& player, QObject* parent)
    : QObject(parent), m_player(player) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    connect(&player, &PlayerInterface::stateChanged, this, &MprisService::announce);
    connect(&player, &PlayerInterface::rateChanged, this, &MprisService::announce);
    connect(&player, &PlayerInterface::trackOpened, this, [this] {
        ++m_opens;
        announce();
    });
}

bool MprisService::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kPath), this)) {
        return false;
    }
    return bus.registerService(QString::fromLatin1(kService));
}

QString MprisService::playbackStatus() const {
    const MediaBackend::State state = m_player.state();
    if (state == MediaBackend::State::Playing) {
        return QStringLiteral("Playing");
    }
    if (state == MediaBackend::State::Paused && m_player.position() > 0) {
        return QStringLiteral("Paused");
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const {
    QVariantMap m;
    const QString track = m_player.currentTrack();
    if (track.isEmpty()) {
        return m;
    }
    // Each opening is a track of its own, also when the same file is opened again.
    m.insert(
        QStringLiteral("mpris:trackid"),
        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/tavrel/track/%1").arg(m_opens))));
    m.insert(QStringLiteral("xesam:title"), QFileInfo(track).completeBaseName());
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track).toString());
    const double length = m_player.length();
    if (length > 0) {
        m.insert(QStringLiteral("mpris:length"), qlonglong(std::llround(length * 1e6)));
    }
    return m;
}

qlonglong MprisService::positionMicroseconds() const {
    return qlonglong(std::llround(m_player.position() * 1e6));
}

void MprisService::announce() {
    const QString status = playbackStatus();
    const QString track = m_player.currentTrack();
    QVariantMap changed;
    if (status != m_lastStatus) {
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (track != m_lastTrack || status != m_lastStatus || m_opens != m_lastOpens) {
        changed.insert(QStringLiteral("Metadata"), metadata());
    }
    const double rate = m_player.rate();
    if (rate != m_lastRate) {
        changed.insert(QStringLiteral("Rate"), rate);
    }
    m_lastStatus = status;
    m_lastTrack = track;
    m_lastRate = rate;
    m_lastOpens = m_opens;
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QStringList MprisRootAdaptor::mimeTypes() const {
    return {QStringLiteral("audio/x-wav"), QStringLiteral("audio/mpeg"),
            QStringLiteral("audio/x-ms-wma")};
}

void MprisRootAdaptor::Raise() {
    m_service->player().raise();
}

void MprisRootAdaptor::Quit() {
    m_service->player().quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

double MprisPlayerAdaptor::rate() const {
    return m_service->player().rate();
}

// Desktop media controls act like the keys of a multimedia keyboard.
void MprisPlayerAdaptor::Play() {
    m_service->player().play();
}
void MprisPlayerAdaptor::Pause() {
    m_service->player().pause();
}
void MprisPlayerAdaptor::PlayPause() {
    m_service->player().playPause();
}
void MprisPlayerAdaptor::Stop() {
    m_service->player().stop();
}
void MprisPlayerAdaptor::Next() {
    m_service->player().nextMark();
}
void MprisPlayerAdaptor::Previous() {
    m_service->player().previousMark();
}
