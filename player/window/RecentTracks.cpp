#include "window/RecentTracks.h"

#include "base/AppIdentity.h"
#include "settings/SettingsAccess.h"

namespace {

const QString kSystem = QStringLiteral("system");
const QString kLastFile = QStringLiteral("LastFile");

QString keyOf(int place) {
    return QStringLiteral("Recent%1").arg(place + 1);
}

} // namespace

RecentTracks::RecentTracks(SettingsAccess& settings) : m_settings(settings) {
    load();
}

void RecentTracks::add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > kMax) {
        m_paths.removeLast();
    }
    save();
}

QString RecentTracks::lastFile() {
    return m_settings.read(AppIdentity::name(), kSystem, kLastFile, QString());
}

void RecentTracks::opened(const QString& path) {
    m_settings.write(AppIdentity::name(), kSystem, kLastFile, path);
    add(path);
}

void RecentTracks::remove(const QString& path) {
    if (m_paths.removeAll(path) > 0) {
        save();
    }
}

void RecentTracks::load() {
    for (int place = 0; place < kMax; ++place) {
        const QString path = m_settings.read(AppIdentity::name(), kSystem, keyOf(place), QString());
        if (!path.isEmpty() && !m_paths.contains(path)) {
            m_paths << path;
        }
    }
}

void RecentTracks::save() {
    std::vector<SettingsAccess::Entry> entries;
    for (int place = 0; place < kMax; ++place) {
        entries.push_back(
            {kSystem, keyOf(place), place < m_paths.size() ? m_paths[place] : QString()});
    }
    m_settings.writeAll(AppIdentity::name(), entries);
}
