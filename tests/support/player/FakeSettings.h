#pragma once
// Settings kept in memory, matched as the store matches them (names without regard to letter
// case, sections in the order of creation), for tests that need no SQLite file. Each commit is
// counted; `refuseWrites` makes every write fail as a full disk or a locked file would.

#include "settings/SettingsAccess.h"

#include <QHash>
#include <QStringList>

class FakeSettings : public SettingsAccess {
public:
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& fallback) override {
        const auto it = m_values.constFind(address(app, section, key));
        return it == m_values.constEnd() ? fallback : *it;
    }
    bool write(const QString& app, const QString& section, const QString& key,
               const QString& value) override {
        return writeAll(app, {{section, key, value}});
    }
    bool writeAll(const QString& app, const std::vector<Entry>& entries) override {
        if (refuseWrites) {
            return false;
        }
        for (const Entry& e : entries) {
            m_values.insert(address(app, e.section, e.key), e.value);
            QStringList& sections = m_sections[fold(app)];
            if (!contains(sections, e.section)) {
                sections << e.section;
            }
        }
        ++commits;
        return true;
    }
    bool removeSections(const QString& app, const QStringList& sections) override {
        if (refuseWrites) {
            return false;
        }
        for (const QString& section : sections) {
            const QString prefix = fold(app) + QChar(1) + fold(section) + QChar(1);
            m_values.removeIf([&](auto it) { return it.key().startsWith(prefix); });
            m_sections[fold(app)].removeIf(
                [&](const QString& s) { return fold(s) == fold(section); });
        }
        ++commits;
        return true;
    }
    QStringList sections(const QString& app) override { return m_sections.value(fold(app)); }
    QStringList sectionsHolding(const QString& app, const QString& key,
                                const QString& value) override {
        QStringList holding;
        for (const QString& section : sections(app)) {
            const auto it = m_values.constFind(address(app, section, key));
            if (it != m_values.constEnd() && *it == value) {
                holding << section;
            }
        }
        return holding;
    }

    bool refuseWrites = false;
    int commits = 0;

private:
    static QString fold(const QString& name) { return name.toCaseFolded(); }
    static QString address(const QString& app, const QString& section, const QString& key) {
        return fold(app) + QChar(1) + fold(section) + QChar(1) + fold(key);
    }
    static bool contains(const QStringList& sections, const QString& section) {
        for (const QString& s : sections) {
            if (fold(s) == fold(section)) {
                return true;
            }
        }
        return false;
    }

    QHash<QString, QString> m_values;
    QHash<QString, QStringList> m_sections;
};
