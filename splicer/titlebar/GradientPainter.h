#pragma once

#include <QImage>
#include <cstdint>
#include <optional>
#include <vector>

// The background of the title bar: one or two vertical colour gradients laid out by style,
// computed as a list of one-pixel row spans and then painted into the surface image.
class GradientPainter {
public:
    struct Frame {
        int W = 0;
        int SH = 0;
        std::int16_t style = 8;
        float cover = 3; // BackColorCover: tenths of the width taken by the first gradient
        std::uint8_t border = 2;
        // Plain RGB values (system colours already resolved).
        std::uint32_t v1Begin = 0, v1End = 0, v2Begin = 0, v2End = 0;
        std::uint32_t highlight = 0, dark = 0;
        // Style 13 builds its panel from the minimise button, and only when the close and
        // the minimise button are both shown; style 14 from the leftmost shown button.
        std::optional<int> minimizeLeft;
        std::optional<int> leftmostButton;
    };

    // A horizontal run of pixels [x1, x2) on row y; may reach outside the surface.
    struct Span {
        int y;
        int x1;
        int x2;
        std::uint32_t colour;
        bool operator==(const Span&) const = default;
    };

    // Rows of one gradient: the surface height, halved for style 14, 25 when that is < 1.
    static int gradientHeight(int SH, std::int16_t style);
    // The last row index painted: the gradient height, less the border allowance of the
    // styles that leave a strip at the bottom (3, 4, 7, 8) or a band margin (10 to 12).
    static int rowCount(int H, std::int16_t style, std::uint8_t border);
    // Row y of a gradient spanning H rows: begin colour on row 0, end colour on row H.
    static std::uint32_t rowColour(std::uint32_t begin, std::uint32_t end, int H, int y);

    static std::vector<Span> plan(const Frame& frame);
    static void paint(QImage& surface, const std::vector<Span>& spans);

    // The band behind a caption tw pixels wide: the background's column at x = 3 turned
    // upside down and stretched across, set in with a one-pixel sunken edge.
    static void paintDashBack(QImage& surface, int tw, std::uint8_t border, std::uint32_t highlight,
                              std::uint32_t dark);
};
