#include "sync/WinePaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString winePrefix() {
    return QDir::homePath() + QStringLiteral("/.wine");
}

bool isWindowsPath(const QString& path) {
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 128 &&
           path.at(1) == QLatin1Char(':') &&
           (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/'));
}

} // namespace

QString exchangeFilePath(const QString& fileName) {
    const QString name = fileName + QStringLiteral(".ini");
    const QString inPrefix = winePrefix() + QStringLiteral("/drive_c/CorvaneFiles/") + name;
    if (QFileInfo::exists(inPrefix))
        return inPrefix;
    return QDir::homePath() + QStringLiteral("/CorvaneFiles/") + name;
}

QString linuxPathFromWindows(const QString& path) {
    if (!isWindowsPath(path))
        return path;
    const QFileInfo drive(winePrefix() + QStringLiteral("/dosdevices/") + path.at(0).toLower() +
                          QLatin1Char(':'));
    QString root;
    if (drive.isSymLink())
        root = drive.symLinkTarget();
    else if (drive.isDir())
        root = drive.absoluteFilePath();
    else
        return path;
    QString rest = path.mid(3);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(root + QLatin1Char('/') + rest);
}
