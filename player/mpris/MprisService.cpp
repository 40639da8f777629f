#include "mpris/MprisService.h"

#include "engine/PlayerInterface.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

qlonglong microseconds(double seconds) {
    return qlonglong(std::llround(seconds * 1e6));
}

} // namespace

MprisService::MprisService(PlayerInterface& player, QObject* parent)
    : QObject(parent), m_player(player) {
    new MprisRootAdaptor(this);
    m_playerAdaptor = new MprisPlayerAdaptor(this);
    for (auto changed : {&PlayerInterface::stateChanged, &PlayerInterface::rateChanged,
                         &PlayerInterface::volumeChanged, &PlayerInterface::loopingChanged}) {
        connect(&player, changed, this, &MprisService::announce);
    }
    connect(&player, &PlayerInterface::trackOpened, this, [this] {
        ++m_opens;
        announce();
    });
    // Desktop progress bars run on from the last position they were told: every jump is told.
    connect(&player, &PlayerInterface::seeked, this,
            [this](double seconds) { emit m_playerAdaptor->Seeked(microseconds(seconds)); });
    m_lastVolume = player.volume();
}

bool MprisService::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kPath), this)) {
        return false;
    }
    m_onBus = bus.registerService(QString::fromLatin1(kService));
    return m_onBus;
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

QDBusObjectPath MprisService::trackId() const {
    if (m_player.currentTrack().isEmpty()) {
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    }
    // Each opening is a track of its own, also when the same file is opened again.
    return QDBusObjectPath(QStringLiteral("/org/tavrel/track/%1").arg(m_opens));
}

QVariantMap MprisService::metadata() const {
    QVariantMap m;
    const QString track = m_player.currentTrack();
    if (track.isEmpty()) {
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    // The file's own tags where it has them; a track without a title is called by its name.
    const QMap<QString, QString> tags = m_player.tags();
    const QString title = tags.value(QStringLiteral("title")).trimmed();
    m.insert(QStringLiteral("xesam:title"),
             title.isEmpty() ? QFileInfo(track).completeBaseName() : title);
    const QString artist = tags.value(QStringLiteral("artist")).trimmed();
    if (!artist.isEmpty()) {
        m.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    }
    const QString album = tags.value(QStringLiteral("album")).trimmed();
    if (!album.isEmpty()) {
        m.insert(QStringLiteral("xesam:album"), album);
    }
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track).toString(QUrl::FullyEncoded));
    const double length = m_player.length();
    if (length > 0) {
        m.insert(QStringLiteral("mpris:length"), microseconds(length));
    }
    return m;
}

qlonglong MprisService::positionMicroseconds() const {
    return microseconds(m_player.position());
}

bool MprisService::canSeek() const {
    return !m_player.currentTrack().isEmpty() && m_player.length() > 0;
}

QString MprisService::loopStatus() const {
    return m_player.looping() ? QStringLiteral("Track") : QStringLiteral("None");
}

void MprisService::seekBy(qlonglong offset) {
    if (!canSeek()) {
        return;
    }
    const double target = m_player.position() + offset / 1e6;
    // Past the end the track ends, as it would playing there; there is no next track.
    m_player.setPosition(std::clamp(target, 0.0, m_player.length()));
}

void MprisService::seekTo(const QDBusObjectPath& track, qlonglong position) {
    // A client that has not caught up with a new track must not move the new one.
    if (!canSeek() || track != trackId()) {
        return;
    }
    const double seconds = position / 1e6;
    if (seconds < 0 || seconds > m_player.length()) {
        return;
    }
    m_player.setPosition(seconds);
}

void MprisService::setRate(double rate) {
    if (!std::isfinite(rate)) {
        return;
    }
    if (rate == 0) {
        m_player.pause();
        return;
    }
    m_player.setRate(rate);
}

void MprisService::setVolume(double volume) {
    if (std::isfinite(volume)) {
        m_player.setVolume(std::clamp(volume, 0.0, 1.0));
    }
}

void MprisService::setLoopStatus(const QString& status) {
    if (status == QLatin1String("None")) {
        m_player.setLooping(false);
    } else if (status == QLatin1String("Track") || status == QLatin1String("Playlist")) {
        m_player.setLooping(true);
    }
}

QString MprisService::openUri(const QString& uri) {
    const QString refusal = openFileUri(uri);
    if (!refusal.isEmpty() && calledFromDBus()) {
        sendErrorReply(QDBusError::NotSupported, refusal);
    }
    return refusal;
}

QString MprisService::openFileUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("Only file:// URIs can be opened: %1").arg(uri);
    }
    // Another machine's file is not reachable as a path of this one.
    if (!url.host().isEmpty() &&
        url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("Only files of this computer can be opened: %1").arg(uri);
    }
    const QString path = url.path();
    if (path.isEmpty() || path == QLatin1String("/")) {
        return QStringLiteral("The URI names no file: %1").arg(uri);
    }
    m_player.openFile(path);
    return {};
}

void MprisService::announce() {
    QVariantMap changed;
    const QString status = playbackStatus();
    if (status != m_lastStatus) {
        changed.insert(QStringLiteral("PlaybackStatus"), status);
        m_lastStatus = status;
    }
    const QString track = m_player.currentTrack();
    const double length = m_player.length();
    const QMap<QString, QString> tags = m_player.tags();
    if (track != m_lastTrack || m_opens != m_lastOpens || length != m_lastLength ||
        tags != m_lastTags) {
        changed.insert(QStringLiteral("Metadata"), metadata());
        m_lastTrack = track;
        m_lastOpens = m_opens;
        m_lastLength = length;
        m_lastTags = tags;
    }
    const bool seekable = canSeek();
    if (seekable != m_lastCanSeek) {
        changed.insert(QStringLiteral("CanSeek"), seekable);
        m_lastCanSeek = seekable;
    }
    const double rate = m_player.rate();
    if (rate != m_lastRate) {
        changed.insert(QStringLiteral("Rate"), rate);
        m_lastRate = rate;
    }
    const double volume = m_player.volume();
    if (volume != m_lastVolume) {
        changed.insert(QStringLiteral("Volume"), volume);
        m_lastVolume = volume;
    }
    const QString loop = loopStatus();
    if (loop != m_lastLoop) {
        changed.insert(QStringLiteral("LoopStatus"), loop);
        m_lastLoop = loop;
    }
    if (changed.isEmpty()) {
        return;
    }
    emit propertiesChanged(changed);
    if (!m_onBus) {
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
double MprisPlayerAdaptor::minimumRate() const {
    return m_service->player().minimumRate();
}
double MprisPlayerAdaptor::maximumRate() const {
    return m_service->player().maximumRate();
}
double MprisPlayerAdaptor::volume() const {
    return m_service->player().volume();
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
void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    m_service->seekBy(Offset);
}
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    m_service->seekTo(TrackId, Position);
}
void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    m_service->openUri(Uri);
}
