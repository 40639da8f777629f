#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>
#include <optional>

// Colours of the title bar are 32-bit values with red in the low byte, then green, then
// blue (0x00BBGGRR). A value with the top bit set names a system colour by its index in
// the low byte (0x8000000F is the button face); it is resolved from the palette when drawn.
class OleColor {
public:
    static constexpr std::uint32_t ButtonFace = 0x8000000F;
    static constexpr std::uint32_t ButtonText = 0x80000012;

    static constexpr std::uint32_t rgb(int r, int g, int b) {
        return std::uint32_t(clampChannel(r)) | std::uint32_t(clampChannel(g)) << 8 |
               std::uint32_t(clampChannel(b)) << 16;
    }
    static constexpr int red(std::uint32_t c) { return int(c & 255); }
    static constexpr int green(std::uint32_t c) { return int((c / 256) & 255); }
    static constexpr int blue(std::uint32_t c) { return int((c / 65536) & 255); }
    static constexpr bool isSystem(std::uint32_t c) { return (c & 0x80000000u) != 0; }

    // The RGB value of c: plain colours unchanged, system colours from the palette; nothing
    // for a system index the palette has no role for, or a value with stray high bits.
    static std::optional<std::uint32_t> translate(std::uint32_t c, const QPalette& palette);

    static QColor toQColor(std::uint32_t rgbValue) {
        return QColor(red(rgbValue), green(rgbValue), blue(rgbValue));
    }
    static std::uint32_t fromQColor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

private:
    static constexpr int clampChannel(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
};
