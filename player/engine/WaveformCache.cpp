#include "engine/WaveformCache.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr quint32 kMagic = 0x54565746; // "TVWF"
// 2: the musical map follows the peaks.
constexpr quint32 kVersion = 2;

// What identifies the file an entry was made from.
struct Identity {
    QString path;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds

    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const QString& trackPath) {
    const QFileInfo info(trackPath);
    if (!info.isFile()) {
        return std::nullopt;
    }
    std::error_code ec;
    const auto stamp = std::filesystem::last_write_time(
        std::filesystem::path(info.absoluteFilePath().toStdString()), ec);
    if (ec) {
        return std::nullopt;
    }
    return Identity{info.absoluteFilePath(), info.size(), qint64(stamp.time_since_epoch().count())};
}

} // namespace

WaveformCache::WaveformCache(QString folder) : m_folder(std::move(folder)) {}

QString WaveformCache::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Tavrel");
}

QString WaveformCache::entryFile(const QString& trackPath) const {
    const QByteArray key = QCryptographicHash::hash(
        QFileInfo(trackPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
    return m_folder + QStringLiteral("/overview-") + QString::fromLatin1(key.toHex()) +
           QStringLiteral(".peaks");
}

std::optional<Waveform> WaveformCache::load(const QString& trackPath, int columns) const {
    const auto identity = identityOf(trackPath);
    if (!identity) {
        return std::nullopt;
    }
    QFile f(entryFile(trackPath));
    if (!f.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QDataStream in(&f);
    quint32 magic = 0, version = 0;
    Identity stored;
    double duration = 0;
    QByteArray peaks;
    in >> magic >> version;
    if (magic != kMagic || version != kVersion) {
        return std::nullopt;
    }
    QList<double> beats, sections;
    double bpm = 0, analysed = 0;
    in >> stored.path >> stored.size >> stored.modified >> duration >> peaks >> bpm >> beats >>
        sections >> analysed;
    if (in.status() != QDataStream::Ok || !(stored == *identity) || peaks.size() != columns ||
        !(duration > 0) || !(bpm >= 0 && bpm <= 1000)) {
        return std::nullopt;
    }
    Waveform w;
    w.map.bpm = bpm;
    w.map.beats.assign(beats.begin(), beats.end());
    w.map.sections.assign(sections.begin(), sections.end());
    w.map.analysedSeconds = analysed;
    w.duration = duration;
    w.peaks.reserve(static_cast<size_t>(columns));
    for (char c : peaks) {
        w.peaks.push_back(static_cast<unsigned char>(c) / 255.0f);
    }
    return w;
}

bool WaveformCache::store(const QString& trackPath, const Waveform& waveform) const {
    const auto identity = identityOf(trackPath);
    if (!identity || !QDir().mkpath(m_folder)) {
        return false;
    }
    QByteArray peaks;
    peaks.reserve(static_cast<qsizetype>(waveform.peaks.size()));
    // Rounded up, so a quiet passage never comes back as silence.
    for (float p : waveform.peaks) {
        peaks.append(static_cast<char>(
            static_cast<unsigned char>(std::clamp(std::ceil(p * 255.0f), 0.0f, 255.0f))));
    }
    QSaveFile f(entryFile(trackPath));
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QDataStream out(&f);
    out << kMagic << kVersion << identity->path << identity->size << identity->modified
        << waveform.duration << peaks << waveform.map.bpm
        << QList<double>(waveform.map.beats.begin(), waveform.map.beats.end())
        << QList<double>(waveform.map.sections.begin(), waveform.map.sections.end())
        << waveform.map.analysedSeconds;
    return out.status() == QDataStream::Ok && f.commit();
}
