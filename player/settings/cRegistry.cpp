#include "settings/cRegistry.h"

#include "settings/SettingsAccess.h"

cRegistry::cRegistry(SettingsAccess& store) : m_store(store) {}

QString cRegistry::Setting() {
    if (m_appName.isEmpty() || m_section.isEmpty() || m_key.isEmpty()) {
        return QString();
    }
    m_currentValue = m_store.read(m_appName, m_section, m_key, m_default);
    return m_currentValue;
}

void cRegistry::setSetting(const QString& NewValue) {
    if (m_appName.isEmpty() || m_section.isEmpty() || m_key.isEmpty()) {
        return;
    }
    m_currentValue = NewValue;
    m_store.write(m_appName, m_section, m_key, m_currentValue);
}

QString cRegistry::NamedSetting(const QString& Key) {
    if (m_section.isEmpty() || m_appName.isEmpty()) {
        return QString();
    }
    m_currentValue = m_store.read(m_appName, m_section, Key, m_default);
    return m_currentValue;
}

void cRegistry::setNamedSetting(const QString& Key, const QString& NewValue) {
    if (m_section.isEmpty() || m_appName.isEmpty()) {
        return;
    }
    m_store.write(m_appName, m_section, Key, NewValue);
    m_currentValue = NewValue;
}

bool cRegistry::setNamedSettings(const KeyValues& keysAndValues) {
    if (m_section.isEmpty() || m_appName.isEmpty()) {
        return false;
    }
    std::vector<SettingsAccess::Entry> entries;
    entries.reserve(keysAndValues.size());
    for (const auto& [key, value] : keysAndValues) {
        entries.push_back({m_section, key, value});
    }
    return m_store.writeAll(m_appName, entries);
}

QStringList cRegistry::Sections() {
    return m_appName.isEmpty() ? QStringList() : m_store.sections(m_appName);
}

QStringList cRegistry::SectionsHolding(const QString& Key, const QString& Value) {
    return m_appName.isEmpty() ? QStringList() : m_store.sectionsHolding(m_appName, Key, Value);
}

bool cRegistry::RemoveSections(const QStringList& sections) {
    return !m_appName.isEmpty() && m_store.removeSections(m_appName, sections);
}
