#include "settings/cInifile.h"

#include "base/Runtime.h"
#include "settings/ProfileFunctions.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <limits>

#include <vector>

namespace {

constexpr int valueBufferSize = 64000;
constexpr int listBufferSize = 8192;

// The profile functions give UTF-8; a value cut short at the end of the buffer may end inside a
// character, and that part of a character is dropped rather than shown as a stray sign.
QString decode(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8(bytes);
}

int32_t sum32(int32_t a, int32_t b) {
    const int64_t s = int64_t{a} + int64_t{b};
    if (s < std::numeric_limits<int32_t>::min() || s > std::numeric_limits<int32_t>::max()) {
        throw RuntimeError(errOverflow, QStringLiteral("Overflow"));
    }
    return static_cast<int32_t>(s);
}

} // namespace

QString cInifile::read(bool withSection, bool withKey, int size) const {
    const QByteArray section = m_section.toUtf8();
    const QByteArray key = m_key.toUtf8();
    const QByteArray def = m_default.toUtf8();
    std::vector<char> buf(static_cast<size_t>(size));
    const int n = GetPrivateProfileString(withSection ? section.constData() : nullptr,
                                          withKey ? key.constData() : nullptr, def.constData(),
                                          buf.data(), size, m_path);
    return decode(QByteArrayView(buf.data(), n));
}

void cInifile::write(bool withKey, const QString* value) {
    const QByteArray section = m_section.toUtf8();
    const QByteArray key = m_key.toUtf8();
    const QByteArray text = value ? value->toUtf8() : QByteArray();
    m_lastReturnCode =
        WritePrivateProfileString(section.constData(), withKey ? key.constData() : nullptr,
                                  value ? text.constData() : nullptr, m_path);
}

QString cInifile::Value() const {
    return read(true, true, valueBufferSize);
}

void cInifile::setValue(const QString& sValue) {
    QString clean = sValue;
    clean.remove(QChar(0));
    write(true, &clean);
}

void cInifile::DeleteKey() {
    write(true, nullptr);
}

void cInifile::DeleteSection() {
    write(false, nullptr);
}

QString cInifile::INISection() const {
    return read(true, false, listBufferSize);
}

void cInifile::setINISection(const QString& sSection) {
    // With no key the write removes the section whatever text comes with it.
    write(false, &sSection);
}

QString cInifile::Sections() const {
    return read(false, false, listBufferSize);
}

namespace {

// Every name that a NUL ends; what follows the last NUL is a name cut short and is dropped.
void splitList(const QString& list, bool keepEmpty, QStringList& names, int32_t& count) {
    count = 0;
    names.clear();
    qsizetype start = 0;
    for (qsizetype nul = list.indexOf(QChar(0)); nul >= 0;
         start = nul + 1, nul = list.indexOf(QChar(0), start)) {
        if (nul == start && !keepEmpty) {
            continue;
        }
        names.append(list.mid(start, nul - start));
        ++count;
    }
}

} // namespace

void cInifile::EnumerateCurrentSection(QStringList& sKey, int32_t& iCount) const {
    splitList(INISection(), true, sKey, iCount);
}

void cInifile::EnumerateAllSections(QStringList& sSections, int32_t& iCount) const {
    splitList(Sections(), false, sSections, iCount);
}

void cInifile::SaveFormPosition(FormWindow& frmThis) {
    const QString key = m_key;
    const int state = frmThis.windowState();
    if (state != FormWindow::Minimised) {
        m_key = QStringLiteral("Maximised");
        setValue(state == FormWindow::Maximised ? QStringLiteral("1") : QStringLiteral("0"));
        if (state != FormWindow::Maximised) {
            const std::pair<const char*, int32_t> geometry[] = {{"Left", frmThis.left()},
                                                                {"Top", frmThis.top()},
                                                                {"Width", frmThis.width()},
                                                                {"Height", frmThis.height()}};
            for (const auto& [name, value] : geometry) {
                m_key = QString::fromLatin1(name);
                setValue(QString::number(value));
            }
        }
    }
    m_key = key;
}

void cInifile::LoadFormPosition(FormWindow& frmThis, int32_t lMinWidth, int32_t lMinHeight) {
    const QString key = m_key;
    const QString def = m_default;
    // A text that no number conversion accepts, so a missing key keeps the current value.
    m_default = QStringLiteral("FAIL");
    bool ok = false;
    try {
        ok = loadPosition(frmThis, lMinWidth, lMinHeight);
    } catch (const RuntimeError&) {
        ok = false;
    }
    if (!ok) {
        m_lastReturnCode = 0;
    }
    m_key = key;
    m_default = def;
}

bool cInifile::loadPosition(FormWindow& frmThis, int32_t lMinWidth, int32_t lMinHeight) {
    auto stored = [this](const char* name, int32_t current) {
        m_key = QString::fromLatin1(name);
        return CLngDefault(Value(), current);
    };
    const double marginX = 4.0 * frmThis.twipsPerPixelX();
    const double marginY = 4.0 * frmThis.twipsPerPixelY();
    int32_t left = stored("Left", frmThis.left());
    int32_t top = stored("Top", frmThis.top());
    int32_t width = std::max(stored("Width", frmThis.width()), lMinWidth);
    int32_t height = std::max(stored("Height", frmThis.height()), lMinHeight);

    if (left < marginX) {
        left = nearestInt32(marginX);
    }
    if (top < marginY) {
        top = nearestInt32(marginY);
    }

    const double screenWidth = frmThis.screenWidth();
    if (sum32(left, width) > screenWidth - marginX) {
        left = nearestInt32(screenWidth - marginX - width);
        if (left < marginX) {
            left = nearestInt32(marginX);
        }
        if (sum32(left, width) > screenWidth - marginX) {
            width = nearestInt32(screenWidth - left - marginX);
        }
    }
    const double screenHeight = frmThis.screenHeight();
    if (sum32(top, height) > screenHeight - marginY) {
        top = nearestInt32(screenHeight - marginY - height);
        if (top < marginY) {
            top = nearestInt32(marginY);
        }
        if (sum32(top, height) > screenHeight - marginY) {
            height = nearestInt32(screenHeight - top - marginY);
        }
    }

    if (width >= lMinWidth && height >= lMinHeight && !frmThis.move(left, top, width, height)) {
        return false;
    }
    m_key = QStringLiteral("Maximised");
    if (CLngDefault(Value(), 0) != 0 && !frmThis.setWindowState(FormWindow::Maximised)) {
        return false;
    }
    return true;
}

int32_t cInifile::CLngDefault(const QString& sString, int32_t lDefault) {
    const std::optional<double> number = parseNumber(sString);
    if (!number) {
        return lDefault;
    }
    try {
        return nearestInt32(*number);
    } catch (const RuntimeError&) {
        return lDefault;
    }
}
