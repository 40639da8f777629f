#pragma once
// The program's name and version, both set once in the build. The settings store files every
// value under the name, message boxes carry it as their title, and the about box, the
// desktop's media controls and the sound server show it.

#include <QString>

namespace AppIdentity {

inline QString name() {
    return QStringLiteral(TAVREL_APP_TITLE);
}

inline QString version() {
    return QStringLiteral("%1.%2.%3")
        .arg(TAVREL_VERSION_MAJOR)
        .arg(TAVREL_VERSION_MINOR)
        .arg(TAVREL_VERSION_REVISION);
}

} // namespace AppIdentity
