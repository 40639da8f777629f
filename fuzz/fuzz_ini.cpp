// Fuzzes the INI reader and editor: any file text, names, values and buffer sizes. Beyond "no
// crash, no sanitizer report" it checks that reads stay inside their buffer and terminate it,
// that a write followed by a read returns what was written (as the reader trims and unquotes
// it), that an edit leaves other sections and keys alone, that deletes remove what they name,
// that a file's bytes survive the trip through its text, and that the file functions give
// exactly what the in-memory text does.

#include "settings/ProfileFunctions.h"
#include "settings/ProfileText.h"
#include "settings/ProfileTextCodec.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "check failed: %s\n", what);
        abort();
    }
}

bool isBlank(char c) {
    return std::strchr(" \t\r\v\f\x1a", c) != nullptr && c != '\0';
}

std::string trimmed(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

// Names that are UTF-8 match case-folded; others byte for byte but for ASCII letter case.
bool sameName(const std::string& a, const std::string& b) {
    const std::string x = trimmed(a);
    const std::string y = trimmed(b);
    QStringDecoder dx(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QStringDecoder dy(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ux = dx(QByteArrayView(x.data(), qsizetype(x.size())));
    const QString uy = dy(QByteArrayView(y.data(), qsizetype(y.size())));
    if (!dx.hasError() && !dy.hasError()) {
        return ux.toCaseFolded() == uy.toCaseFolded();
    }
    if (x.size() != y.size()) {
        return false;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (low(x[i]) != low(y[i])) {
            return false;
        }
    }
    return true;
}

// What a read gives back for a value as written.
std::string asRead(const std::string& value) {
    std::string v = trimmed(value);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

const char* const def = "\x01"
                        "default";

std::string read(const ProfileText& t, const char* section, const char* key) {
    std::vector<char> buf(70000);
    const int n = t.getString(section, key, def, buf.data(), int(buf.size()));
    return std::string(buf.data(), size_t(n));
}

// A read into a buffer of exactly `size` bytes: what it copies stays inside and ends in NULs.
void checkBounded(const ProfileText& t, const char* section, const char* key, int size, bool list) {
    std::vector<char> buf(size_t(size > 0 ? size : 1), '\x7f');
    const int n = t.getString(section, key, def, size > 0 ? buf.data() : nullptr, size);
    if (size <= 0) {
        check(n == 0, "no buffer, no count");
        return;
    }
    check(n >= 0 && n <= size - 1, "count inside the buffer");
    check(buf[size_t(n)] == '\0', "terminated");
    // A key listing of a section without keys is the default text, not a list.
    const bool isDefault =
        std::string(buf.data(), size_t(n)) == std::string(def).substr(0, size_t(n));
    if (list && size >= 2 && n == size - 2 && !isDefault) {
        check(buf[size_t(size - 1)] == '\0', "a cut list ends in two NULs");
    }
}

QString scratchFile() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("fuzz.ini"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t mode = in.ConsumeIntegral<uint8_t>();
    const std::string section = in.ConsumeRandomLengthString(40).c_str();
    const std::string key = in.ConsumeRandomLengthString(40).c_str();
    const std::string other = in.ConsumeRandomLengthString(40).c_str();
    const std::string value = in.ConsumeRandomLengthString(200).c_str();
    const int bufferSize = in.ConsumeIntegralInRange<int>(-1, 300);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray text(rest.data(), qsizetype(rest.size()));

    const ProfileText original(text);
    check(original.text() == text && !original.changed(), "reading changes nothing");
    checkBounded(original, section.c_str(), key.c_str(), bufferSize, false);
    checkBounded(original, section.c_str(), nullptr, bufferSize, true);
    checkBounded(original, nullptr, nullptr, bufferSize, true);

    const char* s = section.c_str();
    const char* k = key.c_str();
    const char* o = other.c_str();
    const std::string otherKeyBefore = read(original, s, o);
    const std::string otherSectionBefore = read(original, o, k);

    ProfileText edited(text);
    const bool written = edited.writeString(s, k, value.c_str());
    if (!written) {
        check(edited.text() == text, "a refused write changes nothing");
    } else {
        check(read(edited, s, k) == asRead(value), "write then read returns the value");
        if (!sameName(other, key)) {
            check(read(edited, s, o) == otherKeyBefore, "other keys untouched");
        }
        if (!sameName(other, section)) {
            check(read(edited, o, k) == otherSectionBefore, "other sections untouched");
        }
        ProfileText again(edited.text());
        check(again.writeString(s, k, value.c_str()) && !again.changed(), "a rewrite is a no-op");

        ProfileText withoutKey(edited.text());
        check(withoutKey.writeString(s, k, nullptr), "delete key");
        check(read(withoutKey, s, k) == def, "a deleted key reads the default");

        ProfileText withoutSection(edited.text());
        check(withoutSection.writeString(s, nullptr, nullptr), "delete section");
        check(read(withoutSection, s, nullptr) == def, "a deleted section lists nothing");
        if (!sameName(other, section)) {
            check(read(withoutSection, o, k) == otherSectionBefore, "other sections kept");
        }
    }

    // Every file in a code page or in UTF-8 without a mark (so, valid UTF-8) comes back to the
    // same bytes through its text, so that an edit changes nothing beyond the lines it concerns.
    const ProfileTextCodec codec = ProfileTextCodec::detect(text);
    const QByteArray asText = codec.toUtf8(text);
    if (codec.form() == ProfileTextCodec::Form::CodePage ||
        (codec.form() == ProfileTextCodec::Form::Utf8 && !text.startsWith("\xEF\xBB\xBF"))) {
        check(codec.fromUtf8(asText) == text, "the file's text gives back its bytes");
    }

    // A share of the inputs goes through real files as well, in whatever form they are.
    if ((mode & 7) == 0) {
        const QString path = scratchFile();
        {
            QFile f(path);
            check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file");
            f.write(text);
        }
        ProfileText inFile(text.isEmpty() ? QByteArray() : asText);
        const bool editable = inFile.writeString(s, k, value.c_str());
        const std::optional<QByteArray> expected = codec.fromUtf8(inFile.text());
        const bool result = WritePrivateProfileString(s, k, value.c_str(), path) != 0;
        QFile f(path);
        check(f.open(QIODevice::ReadOnly), "scratch file back");
        const QByteArray after = f.readAll();
        if (result) {
            check(editable && expected && after == *expected, "file holds the edited text");
        } else {
            check(after == text && (!editable || !expected || codec.fromUtf8(asText) != text),
                  "a refused file write has a reason and changes nothing");
        }
        std::vector<char> buf(70000);
        const int n = GetPrivateProfileString(s, k, def, buf.data(), int(buf.size()), path);
        const ProfileText reread(after.isEmpty() ? QByteArray()
                                                 : ProfileTextCodec::detect(after).toUtf8(after));
        check(std::string(buf.data(), size_t(n)) == read(reread, s, k), "file read agrees");
    }
    return 0;
}
