#include "about/SysInfo.h"

#include "base/AppIdentity.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr quint32 BufferSize = 1024;

QString numberText(const QByteArray& bytes, quint32 size) {
    quint32 value = 0;
    for (quint32 i = 0; i < 4 && i < size; ++i) {
        value |= quint32(quint8(bytes[i])) << (8 * i);
    }
    return QString::number(value);
}

} // namespace

bool GetKeyValue(const MachineSettings& settings, KeyRoot KeyRoot, const QString& KeyName,
                 const QString& SubKeyRef, QString& KeyVal) {
    MachineSettings::Handle key = 0;
    if (!settings.openKey(KeyRoot, KeyName, KeyAccessAll, key)) {
        KeyVal.clear();
        return false;
    }

    QByteArray buffer(BufferSize, '\0');
    quint32 size = BufferSize;
    quint32 type = 0;
    // A value of size 0 has no character at position `size` to inspect: it is a failed read.
    if (!settings.queryValue(key, SubKeyRef, type, buffer, size) || size == 0 ||
        size > BufferSize) {
        KeyVal.clear();
        settings.closeKey(key);
        return false;
    }

    const quint32 kept = buffer[size - 1] == '\0' ? size - 1 : size;
    if (type == ValueTypeText) {
        KeyVal = QString::fromUtf8(buffer.constData(), kept);
    } else if (type == ValueTypeNumber) {
        KeyVal = numberText(buffer, kept);
    }

    settings.closeKey(key);
    return true;
}

void StartSysInfo(Platform& platform, const MachineSettings& settings) {
    QString path;
    bool found = GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoKey, SysInfoValue, path);
    if (!found &&
        GetKeyValue(settings, HKEY_LOCAL_MACHINE, SysInfoLocationKey, SysInfoLocationValue, path)) {
        const QString program = QDir(path).filePath(SysInfoFileName);
        found = QFileInfo::exists(program);
        path = program;
    }
    // An empty path (a value of another type under the first key) names nothing to start.
    if (found && !path.isEmpty() && platform.startProgram(path)) {
        return;
    }
    platform.messageBox(SysInfoUnavailable, AppIdentity::name(), MsgButtons::Ok, MsgIcon::None);
}
