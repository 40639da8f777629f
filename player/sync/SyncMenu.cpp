#include "sync/SyncMenu.h"

#include "base/AppIdentity.h"
#include "sync/ReadUtilityIni.h"
#include "sync/WinePaths.h"

void mnuOptionsSync_Click(Platform& platform, const std::function<void(QString& path)>& openTrack) {
    const QString named = ReadUtilityIni(QStringLiteral("Tavrel"), QStringLiteral("Path"),
                                         QStringLiteral("CorvaneUtilityFile"));
    if (named.isEmpty() || named.toLower() == QLatin1String("not entered")) {
        platform.messageBox(QStringLiteral("Unable to comply with request\r\n"
                                           "(Requires Corvane Version 5 or above)"),
                            AppIdentity::name(), MsgButtons::Ok, MsgIcon::None);
        return;
    }
    // The track's drive letter means what it means in the prefix that holds the exchange file.
    QString prefix = findExchangeFile(QStringLiteral("CorvaneUtilityFile")).prefix;
    if (prefix.isEmpty()) {
        prefix = winePrefixes().value(0);
    }
    QString path = linuxPathFromWindows(named, prefix);
    openTrack(path);
}
