#include "window/MprisService.h"

#include "engine/PracticeTempo.h"
#include "platform/VirtualKeys.h"
#include "window/PracticeTools.h"
#include "window/frmRehearsal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

MprisService::MprisService(frmRehearsal& window) : QObject(&window), m_window(window) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    for (MediaComponent* c :
         {static_cast<MediaComponent*>(window.WMP1), static_cast<MediaComponent*>(window.mp1)}) {
        connect(c, &MediaComponent::stateChanged, this, &MprisService::announce);
        connect(c, &MediaComponent::durationChanged, this, &MprisService::announce);
    }
    connect(&window.practice().tempo(), &PracticeTempo::changed, this, &MprisService::announce);
}

bool MprisService::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QString::fromLatin1(kPath), this))
        return false;
    return bus.registerService(QString::fromLatin1(kService));
}

QString MprisService::playbackStatus() const {
    const MediaComponent& c = m_window.hybrid().active();
    if (c.isPlaying())
        return QStringLiteral("Playing");
    if (c.isPaused() && c.position() > 0)
        return QStringLiteral("Paused");
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const {
    QVariantMap m;
    const QString track = m_window.hybrid().CurrentTrack;
    if (track.isEmpty())
        return m;
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/tavrel/track"))));
    m.insert(QStringLiteral("xesam:title"), QFileInfo(track).completeBaseName());
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track).toString());
    const double length = m_window.hybrid().duration();
    if (length > 0)
        m.insert(QStringLiteral("mpris:length"), qlonglong(std::llround(length * 1e6)));
    return m;
}

qlonglong MprisService::positionMicroseconds() const {
    return qlonglong(std::llround(m_window.hybrid().position() * 1e6));
}

void MprisService::announce() {
    const QString status = playbackStatus();
    const QString track = m_window.hybrid().CurrentTrack;
    QVariantMap changed;
    if (status != m_lastStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    if (track != m_lastTrack || status != m_lastStatus)
        changed.insert(QStringLiteral("Metadata"), metadata());
    const double rate = m_window.hybrid().active().backend().speed();
    if (rate != m_lastRate)
        changed.insert(QStringLiteral("Rate"), rate);
    m_lastStatus = status;
    m_lastTrack = track;
    m_lastRate = rate;
    if (changed.isEmpty())
        return;
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
    m_service->window().raise();
    m_service->window().activateWindow();
}

void MprisRootAdaptor::Quit() {
    m_service->window().close();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

double MprisPlayerAdaptor::rate() const {
    return m_service->window().hybrid().active().backend().speed();
}

// Desktop media controls act like the keys of a multimedia keyboard.
void MprisPlayerAdaptor::Play() {
    m_service->window().hybrid().PlayTrack();
}
void MprisPlayerAdaptor::Pause() {
    m_service->window().hybrid().PauseTrack();
}

void MprisPlayerAdaptor::PlayPause() {
    // A headset has one button for both; a playing track pauses rather than restarting.
    if (m_service->window().hybrid().active().isPlaying())
        m_service->window().hybrid().PauseTrack();
    else
        m_service->window().hybrid().PlayTrack();
}

void MprisPlayerAdaptor::Stop() {
    m_service->window().hybrid().StopTrack();
}

void MprisPlayerAdaptor::Next() {
    m_service->window().keyDown(VirtualKeys::PageDown);
    m_service->window().keyUp(VirtualKeys::PageDown);
}

void MprisPlayerAdaptor::Previous() {
    m_service->window().keyDown(VirtualKeys::PageUp);
    m_service->window().keyUp(VirtualKeys::PageUp);
}
