#include "settings/ProfileTextCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes the code page leaves open stand, as Windows
// reads them, for the control characters of the same number. Every other byte is Latin-1.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QByteArray cp1252ToUtf8(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += (b >= 0x80 && b < 0xA0) ? QChar(cp1252High[b - 0x80]) : QChar(b);
    }
    return text.toUtf8();
}

std::optional<QByteArray> cp1252FromText(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += static_cast<char>(u);
            continue;
        }
        const auto* at = std::find(cp1252High.begin(), cp1252High.end(), u);
        if (at == cp1252High.end()) {
            return std::nullopt;
        }
        out += static_cast<char>(0x80 + (at - cp1252High.begin()));
    }
    return out;
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8(bytes));
    return !utf8.hasError();
}

std::optional<QString> fromUtf8(const QByteArray& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(text);
    if (utf8.hasError()) {
        return std::nullopt;
    }
    return s;
}

// One strict conversion through the C library: a byte or character that the target cannot
// hold fails the whole conversion instead of becoming a substitute.
std::optional<QByteArray> iconvert(const QByteArray& name, bool toUtf8, const QByteArray& in) {
    const iconv_t cd =
        toUtf8 ? iconv_open("UTF-8", name.constData()) : iconv_open(name.constData(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    const std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    QByteArray out(in.size() * 4 + 16, Qt::Uninitialized);
    char* inp = const_cast<char*>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char* outp = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != 0 || inLeft != 0) {
        return std::nullopt;
    }
    if (iconv(cd, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

QByteArray iconvName(int codePage) {
    const QByteArray cp = "CP" + QByteArray::number(codePage);
    const iconv_t cd = iconv_open("UTF-8", cp.constData());
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(cd);
        return cp;
    }
    return "WINDOWS-" + QByteArray::number(codePage);
}

// Bytes in a code page other than 1252, as UTF-8; nothing unless the code page reads every
// byte and writes the result back to the same bytes, so that rewriting the file keeps the rest.
std::optional<QByteArray> codePageToUtf8(const QByteArray& bytes, int codePage) {
    if (codePage == 1252 || codePage == 65001 || codePage <= 0) {
        return std::nullopt;
    }
    const QByteArray name = iconvName(codePage);
    const std::optional<QByteArray> text = iconvert(name, true, bytes);
    if (!text || iconvert(name, false, *text) != bytes) {
        return std::nullopt;
    }
    return text;
}

QStringDecoder::Encoding utf16(ProfileTextCodec::Form form) {
    return form == ProfileTextCodec::Form::Utf16LE ? QStringDecoder::Utf16LE
                                                   : QStringDecoder::Utf16BE;
}

} // namespace

ProfileTextCodec ProfileTextCodec::detect(const QByteArray& bytes, int codePage) {
    ProfileTextCodec codec;
    if (bytes.startsWith("\xFF\xFE")) {
        codec.m_form = Form::Utf16LE;
    } else if (bytes.startsWith("\xFE\xFF")) {
        codec.m_form = Form::Utf16BE;
    } else if (!bytes.startsWith("\xEF\xBB\xBF") && !isUtf8(bytes)) {
        codec.m_form = Form::CodePage;
        codec.m_codePage = codePageToUtf8(bytes, codePage) ? codePage : 1252;
    }
    return codec;
}

QByteArray ProfileTextCodec::toUtf8(const QByteArray& bytes) const {
    switch (m_form) {
    case Form::Utf8:
        return bytes;
    case Form::Utf16LE:
    case Form::Utf16BE: {
        // The decoder drops the byte-order mark at the start, and only that one.
        QStringDecoder decoder(utf16(m_form), QStringDecoder::Flag::Stateless);
        return QString(decoder(bytes)).toUtf8();
    }
    case Form::CodePage:
        if (m_codePage != 1252) {
            if (const std::optional<QByteArray> text = codePageToUtf8(bytes, m_codePage)) {
                return *text;
            }
        }
        return cp1252ToUtf8(bytes);
    }
    return bytes;
}

std::optional<QByteArray> ProfileTextCodec::fromUtf8(const QByteArray& text) const {
    const std::optional<QString> s = ::fromUtf8(text);
    if (!s) {
        return std::nullopt;
    }
    switch (m_form) {
    case Form::Utf8:
        return text;
    case Form::Utf16LE:
    case Form::Utf16BE: {
        QStringEncoder encoder(utf16(m_form),
                               QStringEncoder::Flag::WriteBom | QStringEncoder::Flag::Stateless);
        return QByteArray(encoder(*s));
    }
    case Form::CodePage:
        if (m_codePage != 1252) {
            return iconvert(iconvName(m_codePage), false, text);
        }
        return cp1252FromText(*s);
    }
    return std::nullopt;
}

namespace {

// "ACP" under the code-page key of a Wine registry file, where Wine records the ANSI code page
// of the prefix's locale.
// Where `lowerNeedle` first occurs in `text` from `from` on, letter case aside; -1 when not.
qsizetype findIgnoringCase(QByteArrayView text, QByteArrayView lowerNeedle, qsizetype from = 0) {
    const auto at =
        std::search(text.begin() + from, text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                    [](char c, char n) { return (c >= 'A' && c <= 'Z' ? char(c + 32) : c) == n; });
    return at == text.end() ? -1 : at - text.begin();
}

int registryCodePage(const QString& systemReg) {
    QFile f(systemReg);
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray reg = f.readAll();
    const qsizetype key =
        findIgnoringCase(reg, "\n[system\\\\currentcontrolset\\\\control\\\\nls\\\\codepage]");
    if (key < 0) {
        return 0;
    }
    const qsizetype keyEnd = reg.indexOf("\n[", key + 1);
    const QByteArrayView values =
        QByteArrayView(reg).sliced(key, (keyEnd < 0 ? reg.size() : keyEnd) - key);
    const qsizetype acp = findIgnoringCase(values, "\n\"acp\"=\"");
    if (acp < 0) {
        return 0;
    }
    const qsizetype begin = acp + 8;
    const qsizetype end = values.indexOf('"', begin);
    bool ok = false;
    const int cp = end < 0 ? 0 : values.sliced(begin, end - begin).toInt(&ok);
    return ok ? cp : 0;
}

} // namespace

int winePrefixCodePage(const QString& file) {
    // Registry files run to megabytes; each is read again only when it changes.
    struct Seen {
        QDateTime modified;
        qint64 size = 0;
        int codePage = 0;
    };
    static QHash<QString, Seen> seen;

    QDir dir = QFileInfo(file).absoluteDir();
    for (;;) {
        const QFileInfo reg(dir.filePath(QStringLiteral("system.reg")));
        if (reg.isFile() && QFileInfo(dir.filePath(QStringLiteral("drive_c"))).isDir()) {
            Seen& s = seen[reg.absoluteFilePath()];
            if (s.modified != reg.lastModified() || s.size != reg.size()) {
                s = {reg.lastModified(), reg.size(), registryCodePage(reg.absoluteFilePath())};
            }
            return s.codePage > 0 ? s.codePage : 1252;
        }
        if (!dir.cdUp()) {
            return 1252;
        }
    }
}
