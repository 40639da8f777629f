#pragma once
// The tracks opened last, newest first, without repeats, kept in the settings store beside
// the last file: application Tavrel, section "system", keys Recent1 to Recent8 (an empty
// value is a free place). Tracks' own sections and their mark keys are never touched.

#include <QStringList>

class SettingsAccess;

class RecentTracks {
public:
    static constexpr int kMax = 8;

    explicit RecentTracks(SettingsAccess& settings);

    // Newest first.
    const QStringList& paths() const { return m_paths; }
    // Puts the track first (moving it there when already listed), drops the oldest past kMax.
    void add(const QString& path);
    void remove(const QString& path);

    // The track opened last ("LastFile"), empty when none; a track that has opened is stored
    // there and put first in the list.
    QString lastFile();
    void opened(const QString& path);

private:
    void load();
    void save();

    SettingsAccess& m_settings;
    QStringList m_paths;
};
