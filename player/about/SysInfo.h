#pragma once
// The system-information button of the about box and the settings lookup behind it.

#include "about/MachineSettings.h"

#include <QString>

class Platform;

// Where the machine names its system-information program: the program's full path, or the
// folder that holds it.
inline const QString SysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString SysInfoValue = QStringLiteral("PATH");
inline const QString SysInfoLocationKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
inline const QString SysInfoLocationValue = QStringLiteral("MSINFO");
inline const QString SysInfoFileName = QStringLiteral("MSINFO32.EXE");

inline const QString SysInfoUnavailable =
    QStringLiteral("System Information Is Unavailable At This Time");

// Reads one value into `KeyVal`: text as it is (without its terminator), a 32-bit number as
// decimal text, any other type leaves `KeyVal` as passed. False, with `KeyVal` emptied, when
// the key or the value cannot be read or the value is empty.
bool GetKeyValue(const MachineSettings& settings, KeyRoot KeyRoot, const QString& KeyName,
                 const QString& SubKeyRef, QString& KeyVal);

// Starts the system-information program the machine settings name, or tells the user that
// there is none.
void StartSysInfo(Platform& platform, const MachineSettings& settings);
