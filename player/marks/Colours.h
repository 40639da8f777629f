#pragma once
// Colours of the mark controls as 0x00BBGGRR values; the top bit names a system colour.

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace Colours {

constexpr uint32_t ButtonFace = 0x8000000F;
constexpr uint32_t WindowText = 0x80000008;
constexpr uint32_t Yellow = 0x0000FFFF;
constexpr uint32_t LightRed = 0x008080FF;
constexpr uint32_t Red = 0x000000FF;
constexpr uint32_t Black = 0x00000000;
constexpr uint32_t White = 0x00FFFFFF;
constexpr uint32_t NudgeGrey = 0x00808080;
constexpr uint32_t NoteBack = 0x00E0E0E0;

// Resolves system colours from the palette; plain values are split into their channels.
QColor toQColor(uint32_t value, const QPalette& palette);

} // namespace Colours
