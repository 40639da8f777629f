#pragma once
// The player's text settings, addressed by application name, section and key, over the store
// (SettingsAccess).
//
// Callers set the whole address, then read or write Setting; the address stays in the object,
// so the next caller sets every part again. An incomplete address reads as empty text and
// drops writes, without a message. A failure of the store itself is reported by the store.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class SettingsAccess;

class cRegistry {
public:
    explicit cRegistry(SettingsAccess& store);

    QString AppName() const { return m_appName; }
    void setAppName(const QString& NewValue) { m_appName = NewValue; }

    QString Key() const { return m_key; }
    void setKey(const QString& NewValue) { m_key = NewValue; }

    QString Setting();
    void setSetting(const QString& NewValue);

    QString Section() const { return m_section; }
    void setSection(const QString& NewValue) { m_section = NewValue; }

    // Like Setting, with the key given here; the Key field is neither read nor changed.
    QString NamedSetting(const QString& Key);
    void setNamedSetting(const QString& Key, const QString& NewValue);

    // Several keys of the section written in one commit, so that a crash or a kill leaves
    // either all of the new values or all of the old ones. The current value is not changed.
    // True when committed; an incomplete address (application or section) writes nothing.
    using KeyValues = QList<QPair<QString, QString>>;
    bool setNamedSettings(const KeyValues& keysAndValues);

    // The sections of the application (Section is neither read nor changed).
    QStringList Sections();
    // The sections of the application whose key holds exactly this value.
    QStringList SectionsHolding(const QString& Key, const QString& Value);
    // Removes every key of these sections of the application in one commit.
    bool RemoveSections(const QStringList& sections);

    QString Default() const { return m_default; }
    void setDefault(const QString& NewValue) { m_default = NewValue; }

private:
    SettingsAccess& m_store;
    QString m_appName;
    QString m_currentValue;
    QString m_key;
    QString m_default;
    QString m_section;
};
