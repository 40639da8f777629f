#include "window/RecentTracks.h"

#include "base/AppIdentity.h"
#include "settings/cRegistry.h"

namespace {

const QString kSystem = QStringLiteral("system");

QString keyOf(int place) {
    return QStringLiteral("Recent%1").arg(place + 1);
}

} // namespace

RecentTracks::RecentTracks(cRegistry& registry) : m_registry(registry) {
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

void RecentTracks::remove(const QString& path) {
    if (m_paths.removeAll(path) > 0) {
        save();
    }
}

void RecentTracks::load() {
    m_registry.setAppName(AppIdentity::name());
    m_registry.setSection(kSystem);
    m_registry.setDefault(QString());
    for (int place = 0; place < kMax; ++place) {
        const QString path = m_registry.NamedSetting(keyOf(place));
        if (!path.isEmpty() && !m_paths.contains(path)) {
            m_paths << path;
        }
    }
}

void RecentTracks::save() {
    cRegistry::KeyValues values;
    for (int place = 0; place < kMax; ++place) {
        values << qMakePair(keyOf(place), place < m_paths.size() ? m_paths[place] : QString());
    }
    m_registry.setAppName(AppIdentity::name());
    m_registry.setSection(kSystem);
    m_registry.setNamedSettings(values);
}
