#include "settings/ProfileFunctions.h"

#include "settings/ProfileText.h"
#include "settings/ProfileTextCodec.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

struct ProfileFile {
    bool exists = false;
    QByteArray bytes;
};

// The file's bytes; nothing for a file that exists but cannot be read (a folder, no permission,
// a read error).
std::optional<ProfileFile> readProfile(const QString& file) {
    QFile f(file);
    if (!f.exists()) {
        return ProfileFile{};
    }
    if (!f.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return ProfileFile{true, bytes};
}

ProfileTextCodec codecOf(const ProfileFile& profile, const QString& file) {
    if (!profile.exists || profile.bytes.isEmpty()) {
        return ProfileTextCodec();
    }
    return ProfileTextCodec::detect(profile.bytes, winePrefixCodePage(file));
}

} // namespace

int GetPrivateProfileString(const char* section, const char* key, const char* def, char* buf,
                            int size, const QString& file) {
    const ProfileFile profile = readProfile(file).value_or(ProfileFile{});
    return ProfileText(codecOf(profile, file).toUtf8(profile.bytes))
        .getString(section, key, def, buf, size);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const QString& file) {
    const std::optional<ProfileFile> old = readProfile(file);
    if (!old) { // rewriting a file we could not read would lose what it holds
        return 0;
    }
    const ProfileTextCodec codec = codecOf(*old, file);
    const QByteArray before = codec.toUtf8(old->bytes);
    // A file whose text does not come back to the same bytes would change where it was not
    // edited.
    if (old->exists && codec.fromUtf8(before) != old->bytes) {
        return 0;
    }
    ProfileText text(before);
    if (!text.writeString(section, key, value)) {
        return 0;
    }
    // A removal creates the file as well, but the flush call (no section) touches nothing.
    if (!text.changed() && (old->exists || !section)) {
        return 1;
    }
    const std::optional<QByteArray> bytes = codec.fromUtf8(text.text());
    if (!bytes) {
        return 0;
    }
    QSaveFile out(file);
    // Unbuffered, so that a write cut short (a full disk, a size limit) shows in the count: a
    // buffered QSaveFile commits the truncated text as if all had been written.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return 0;
    }
    if (out.write(*bytes) != bytes->size()) {
        out.cancelWriting();
        return 0;
    }
    return out.commit() ? 1 : 0;
}
