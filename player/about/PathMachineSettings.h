#pragma once
// The machine settings of this system as far as the about box asks for them: both
// system-information values answer with the first system-information program found on the
// search path (its full path, and the folder that holds it). With none found, neither key
// exists.

#include "about/MachineSettings.h"

#include <QStringList>

class PathMachineSettings : public MachineSettings {
public:
    // Programs tried in this order.
    static QStringList defaultPrograms();

    // `searchPaths` empty means the PATH of the environment.
    explicit PathMachineSettings(QStringList programs = defaultPrograms(),
                                 QStringList searchPaths = {});

    bool openKey(KeyRoot root, const QString& keyName, quint32 access, Handle& key) const override;
    bool queryValue(Handle key, const QString& valueName, quint32& type, QByteArray& buffer,
                    quint32& size) const override;
    void closeKey(Handle key) const override;

private:
    QString findProgram() const;

    QStringList m_programs;
    QStringList m_searchPaths;
};
