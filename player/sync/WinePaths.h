#pragma once
// Where files of the sibling product are on this system. That product is a Windows program; here
// it runs under Wine, whose prefix ~/.wine maps drive C: to ~/.wine/drive_c and every drive
// letter through a symbolic link ~/.wine/dosdevices/<letter>:.

#include <QString>

// The exchange file "<fileName>.ini" of the folder C:\CorvaneFiles: inside the Wine prefix when
// it is there, else in ~/CorvaneFiles.
QString exchangeFilePath(const QString& fileName);

// A path in Windows form ("D:\Music\take 1.wav") as the same file on this system, through the
// prefix's drive mapping. Any other text, and a drive the prefix does not map, comes back
// unchanged.
QString linuxPathFromWindows(const QString& path);
