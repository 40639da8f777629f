#include "sync/WinePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isWindowsPath(const QString& path) {
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 128 &&
           path.at(1) == QLatin1Char(':') &&
           (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/'));
}

// The folder that drive `letter` of the prefix stands for, or nothing.
QString driveRoot(const QString& prefix, QChar letter) {
    const QFileInfo link(prefix + QStringLiteral("/dosdevices/") + letter.toLower() +
                         QLatin1Char(':'));
    if (link.isSymLink()) {
        return link.symLinkTarget();
    }
    if (link.isDir()) {
        return link.absoluteFilePath();
    }
    if (letter.toLower() == QLatin1Char('c') &&
        QFileInfo(prefix + QStringLiteral("/drive_c")).isDir()) {
        return prefix + QStringLiteral("/drive_c");
    }
    return {};
}

// The names of a path after the drive, with "." dropped and ".." taking off the name before it,
// as Windows reads a path before it looks at the disk. ".." at the root stays at the root.
QStringList windowsNames(const QString& rest) {
    QStringList names;
    for (const QString& name :
         rest.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (name == QLatin1String(".")) {
            continue;
        }
        if (name == QLatin1String("..")) {
            if (!names.isEmpty()) {
                names.removeLast();
            }
            continue;
        }
        names.append(name);
    }
    return names;
}

// `names` below `root`, each name as it is on the disk: as written when that exists, else the
// first entry (by name) of the folder that differs from it only in letter case. From the first
// name that matches nothing on, the rest is kept as written.
QString resolveNames(const QString& root, const QStringList& names) {
    QString at = root;
    bool found = true;
    for (const QString& name : names) {
        const QString exact = at + QLatin1Char('/') + name;
        if (!found || QFileInfo::exists(exact)) {
            at = exact;
            continue;
        }
        const QString folded = name.toCaseFolded();
        const QStringList entries = QDir(at).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        found = false;
        for (const QString& entry : entries) {
            if (entry.toCaseFolded() == folded) {
                at += QLatin1Char('/') + entry;
                found = true;
                break;
            }
        }
        if (!found) {
            at = exact;
        }
    }
    return QDir::cleanPath(at);
}

} // namespace

QStringList winePrefixes() {
    QStringList candidates;
    const QString named = qEnvironmentVariable("WINEPREFIX");
    if (!named.isEmpty()) {
        candidates << named;
    }
    candidates << QDir::homePath() + QStringLiteral("/.wine");
    const QDir shared(QDir::homePath() + QStringLiteral("/.local/share/wineprefixes"));
    for (const QString& name : shared.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        candidates << shared.filePath(name);
    }
    QStringList prefixes;
    for (const QString& candidate : candidates) {
        const QString prefix = QDir::cleanPath(QDir(candidate).absolutePath());
        if (QFileInfo(prefix).isDir() && !prefixes.contains(prefix)) {
            prefixes << prefix;
        }
    }
    return prefixes;
}

ExchangeFile findExchangeFile(const QString& fileName) {
    const QString windowsPath =
        QStringLiteral("C:\\CorvaneFiles\\") + fileName + QStringLiteral(".ini");
    for (const QString& prefix : winePrefixes()) {
        const QString path = linuxPathFromWindows(windowsPath, prefix);
        if (path != windowsPath && QFileInfo(path).isFile()) {
            return {path, prefix};
        }
    }
    const QString inHome = resolveNames(
        QDir::homePath(), {QStringLiteral("CorvaneFiles"), fileName + QStringLiteral(".ini")});
    return {inHome, QString()};
}

QString linuxPathFromWindows(const QString& path, const QString& prefix) {
    if (!isWindowsPath(path) || prefix.isEmpty()) {
        return path;
    }
    const QString root = driveRoot(prefix, path.at(0));
    if (root.isEmpty()) {
        return path;
    }
    return resolveNames(root, windowsNames(path.mid(3)));
}
