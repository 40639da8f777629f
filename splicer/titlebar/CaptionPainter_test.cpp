#include "titlebar/CaptionPainter.h"
#include "titlebar/OleColor.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(CaptionPainter, ExtrusionOffsetsByDirections) {
    using V = std::vector<QPoint>;
    const struct {
        bool top, bottom, left, right;
        V offsets;
    } cases[] = {
        {false, true, false, true, {{2, 2}}},
        {true, false, true, false, {{-2, -2}}},
        {true, true, true, false, {{-2, -2}}}, // top and left win over the rest
        {true, false, false, true, {{0, -2}, {2, 0}}},
        {false, true, true, false, {{0, 2}, {-2, 0}}},
        {false, false, false, false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CaptionPainter::layerOffsets(2, c.top, c.bottom, c.left, c.right), c.offsets);
    }
    // All four: every point of the square ring of radius 2.
    auto ring = CaptionPainter::layerOffsets(2, true, true, true, true);
    std::sort(ring.begin(), ring.end(),
              [](QPoint a, QPoint b) { return std::pair(a.x(), a.y()) < std::pair(b.x(), b.y()); });
    ring.erase(std::unique(ring.begin(), ring.end()), ring.end());
    EXPECT_EQ(ring.size(), 16u);
    for (const QPoint p : ring) {
        EXPECT_EQ(std::max(std::abs(p.x()), std::abs(p.y())), 2);
    }
}

TEST(CaptionPainter, LayersRunFromTheFarColourTowardsTheNearOne) {
    const std::uint32_t farC = OleColor::rgb(0, 100, 200), nearC = OleColor::rgb(90, 100, 0);
    EXPECT_EQ(CaptionPainter::layerColour(farC, nearC, 3, 3), farC);
    EXPECT_EQ(CaptionPainter::layerColour(farC, nearC, 3, 1), OleColor::rgb(60, 100, 67));
    EXPECT_EQ(CaptionPainter::layerColour(farC, nearC, 4, 2), OleColor::rgb(45, 100, 100));
}

TEST(CaptionPainter, OutlineAddsOneLayerAndCountsEvenForBlack) {
    EXPECT_EQ(CaptionPainter::outlineColour(false, OleColor::rgb(255, 0, 0)), 0u);
    EXPECT_EQ(CaptionPainter::outlineColour(true, 0), OleColor::rgb(0, 0, 1));
    EXPECT_EQ(CaptionPainter::effectiveDepth(2, OleColor::rgb(0, 0, 1)), 3);
    EXPECT_EQ(CaptionPainter::effectiveDepth(0, OleColor::rgb(0, 0, 1)), 0);
    EXPECT_EQ(CaptionPainter::effectiveDepth(2, 0), 2);
}

TEST(CaptionPainter, CellIsOneAndAHalfTimesTheRoundedPointSize) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(14.25);
    EXPECT_EQ(CaptionPainter::cellHeight(f), 21);
    f.setPointSizeF(9);
    EXPECT_EQ(CaptionPainter::cellHeight(f), 14); // 13.5 -> 14
    const QSize text = CaptionPainter::measure(QStringLiteral("Plemora"), f);
    EXPECT_EQ(text.height(), 14);
    EXPECT_GT(text.width(), 20);
}

TEST(OleColor, SystemColoursComeFromThePalette) {
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(11, 22, 33));
    pal.setColor(QPalette::ButtonText, QColor(44, 55, 66));
    EXPECT_EQ(OleColor::translate(OleColor::ButtonFace, pal), OleColor::rgb(11, 22, 33));
    EXPECT_EQ(OleColor::translate(OleColor::ButtonText, pal), OleColor::rgb(44, 55, 66));
    EXPECT_EQ(OleColor::translate(0x00123456, pal), 0x00123456u);
    EXPECT_FALSE(OleColor::translate(0x800000FF, pal).has_value());
    EXPECT_FALSE(OleColor::translate(0x01000000, pal).has_value());
    EXPECT_EQ(OleColor::red(0x00123456), 0x56);
    EXPECT_EQ(OleColor::green(0x00123456), 0x34);
    EXPECT_EQ(OleColor::blue(0x00123456), 0x12);
}

} // namespace
