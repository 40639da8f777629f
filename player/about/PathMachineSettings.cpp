#include "about/PathMachineSettings.h"

#include "about/SysInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

// Handles double as the key they stand for.
constexpr MachineSettings::Handle ProgramKey = 1;
constexpr MachineSettings::Handle FolderKey = 2;

} // namespace

QStringList PathMachineSettings::defaultPrograms() {
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager")};
}

PathMachineSettings::PathMachineSettings(QStringList programs, QStringList searchPaths)
    : m_programs(std::move(programs)), m_searchPaths(std::move(searchPaths)) {}

QString PathMachineSettings::findProgram() const {
    for (const QString& name : m_programs) {
        const QString path = QStandardPaths::findExecutable(name, m_searchPaths);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
}

// Any access is granted: this reader offers nothing that could change a value.
bool PathMachineSettings::openKey(KeyRoot root, const QString& keyName, quint32,
                                  Handle& key) const {
    if (root != HKEY_LOCAL_MACHINE || findProgram().isEmpty()) {
        return false;
    }
    if (keyName.compare(SysInfoKey, Qt::CaseInsensitive) == 0) {
        key = ProgramKey;
    } else if (keyName.compare(SysInfoLocationKey, Qt::CaseInsensitive) == 0) {
        key = FolderKey;
    } else {
        return false;
    }
    return true;
}

bool PathMachineSettings::queryValue(Handle key, const QString& valueName, quint32& type,
                                     QByteArray& buffer, quint32& size) const {
    const QString wanted = key == ProgramKey ? SysInfoValue : SysInfoLocationValue;
    if ((key != ProgramKey && key != FolderKey) ||
        valueName.compare(wanted, Qt::CaseInsensitive) != 0) {
        return false;
    }
    const QString program = findProgram();
    if (program.isEmpty()) {
        return false;
    }

    const QString text = key == ProgramKey
                             ? QDir::toNativeSeparators(program)
                             : QDir::toNativeSeparators(QFileInfo(program).absolutePath());
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    const quint32 capacity = std::min<quint32>(size, quint32(buffer.size()));
    size = quint32(bytes.size());
    if (size > capacity) {
        return false;
    }
    std::copy(bytes.cbegin(), bytes.cend(), buffer.begin());
    type = ValueTypeText;
    return true;
}

void PathMachineSettings::closeKey(Handle) const {}
