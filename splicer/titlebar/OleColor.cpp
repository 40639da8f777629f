#include "titlebar/OleColor.h"

std::optional<std::uint32_t> OleColor::translate(std::uint32_t c, const QPalette& palette) {
    if (!isSystem(c)) {
        return (c & 0xFF000000u) == 0 ? std::optional<std::uint32_t>(c) : std::nullopt;
    }
    if ((c & 0x7FFFFF00u) != 0) {
        return std::nullopt;
    }
    const auto pick = [&](QPalette::ColorGroup group, QPalette::ColorRole role) {
        return std::optional<std::uint32_t>(fromQColor(palette.color(group, role)));
    };
    constexpr auto A = QPalette::Active;
    constexpr auto I = QPalette::Inactive;
    switch (c & 0xFF) {
    case 0:  // scroll bar
    case 15: // button face
        return pick(A, QPalette::Button);
    case 1:  // desktop
    case 12: // application workspace
        return pick(A, QPalette::Dark);
    case 2:  // active caption
    case 13: // highlight
        return pick(A, QPalette::Highlight);
    case 3: // inactive caption
        return pick(I, QPalette::Highlight);
    case 4: // menu
    case 5: // window
        return pick(A, QPalette::Base);
    case 6:  // window frame
    case 21: // 3D dark shadow
        return pick(A, QPalette::Shadow);
    case 7: // menu text
    case 8: // window text
        return pick(A, QPalette::Text);
    case 9:  // caption text
    case 14: // highlight text
        return pick(A, QPalette::HighlightedText);
    case 10: // active border
    case 11: // inactive border
        return pick(A, QPalette::Window);
    case 16: // button shadow
        return pick(A, QPalette::Mid);
    case 17: // grey text
        return pick(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return pick(A, QPalette::ButtonText);
    case 19: // inactive caption text
        return pick(I, QPalette::HighlightedText);
    case 20: // button highlight
        return pick(A, QPalette::Light);
    case 22: // 3D light
        return pick(A, QPalette::Midlight);
    case 23: // tooltip text
        return pick(A, QPalette::ToolTipText);
    case 24: // tooltip background
        return pick(A, QPalette::ToolTipBase);
    default:
        return std::nullopt;
    }
}
