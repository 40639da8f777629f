#include "settings/ProfileFunctions.h"

#include "settings/ProfileText.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

// The file's bytes; empty for a file that does not exist, nothing for one that exists but
// cannot be read (a folder, no permission, a read error).
std::optional<QByteArray> readProfile(const QString& file) {
    QFile f(file);
    if (!f.exists())
        return QByteArray();
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

int GetPrivateProfileString(const char* section, const char* key, const char* def, char* buf,
                            int size, const QString& file) {
    return ProfileText(readProfile(file).value_or(QByteArray()))
        .getString(section, key, def, buf, size);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const QString& file) {
    const std::optional<QByteArray> old = readProfile(file);
    if (!old) // rewriting a file we could not read would lose what it holds
        return 0;
    ProfileText text(*old);
    if (!text.writeString(section, key, value))
        return 0;
    if (!text.changed())
        return 1;
    QSaveFile out(file);
    // Unbuffered, so that a write cut short (a full disk, a size limit) shows in the count: a
    // buffered QSaveFile commits the truncated text as if all had been written.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 0;
    if (out.write(text.text()) != text.text().size()) {
        out.cancelWriting();
        return 0;
    }
    return out.commit() ? 1 : 0;
}
