#pragma once
// Text settings addressed by application, section and key, as the rooms that keep settings see
// them: SettingsStore keeps them in SQLite; tests put an in-memory double in its place.
//
// The three names match without regard to letter case. Every write is committed before it
// returns; one made of several entries leaves all of them or none.

#include <QString>
#include <QStringList>

#include <vector>

class SettingsAccess {
public:
    struct Entry {
        QString section;
        QString key;
        QString value;
    };

    virtual ~SettingsAccess() = default;

    // The stored value, or fallback when the application, section or key does not exist.
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& fallback) = 0;
    // True when the value is committed.
    virtual bool write(const QString& app, const QString& section, const QString& key,
                       const QString& value) = 0;
    // Every entry in one commit; true when committed.
    virtual bool writeAll(const QString& app, const std::vector<Entry>& entries) = 0;
    // Removes every key of all these sections in one commit.
    virtual bool removeSections(const QString& app, const QStringList& sections) = 0;
    // The sections of an application, spelled as first written, in the order of creation.
    virtual QStringList sections(const QString& app) = 0;
    // The sections whose key holds exactly this value (letter case counts in the value).
    virtual QStringList sectionsHolding(const QString& app, const QString& key,
                                        const QString& value) = 0;

protected:
    SettingsAccess() = default;
    SettingsAccess(const SettingsAccess&) = default;
    SettingsAccess& operator=(const SettingsAccess&) = default;
};
