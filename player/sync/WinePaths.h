#pragma once
// Where files of the sibling product are on this system. That product is a Windows program; here
// it runs under Wine. A Wine prefix maps each drive letter through a symbolic link
// <prefix>/dosdevices/<letter>: (drive C: to <prefix>/drive_c when that link is missing), and
// Wine finds a file whatever the letter case of its Windows path.

#include <QString>
#include <QStringList>

// The Wine prefixes searched, in this order: the one named by WINEPREFIX, ~/.wine, then those
// under ~/.local/share/wineprefixes by name. Only folders that exist are listed.
QStringList winePrefixes();

struct ExchangeFile {
    QString path;   // the file on this system
    QString prefix; // the Wine prefix it was found in; empty for ~/CorvaneFiles
};

// The exchange file "<fileName>.ini" of the folder C:\CorvaneFiles: in the first prefix that has
// it, else in ~/CorvaneFiles (where it need not exist).
ExchangeFile findExchangeFile(const QString& fileName);

// A path in Windows form ("D:\Music\take 1.wav") as the same file on this system, through the
// drive mapping of `prefix`: "." and ".." are taken as Windows takes them, never above the
// drive's root, and a name that does not exist as written is matched without regard to letter
// case. Any other text, and a drive the prefix does not map, comes back unchanged.
QString linuxPathFromWindows(const QString& path, const QString& prefix);
