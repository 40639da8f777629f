#include "titlebar/TitleBarGeometry.h"

#include <gtest/gtest.h>

namespace {

TitleBarGeometry::Buttons buttons(bool close, bool max, bool min) {
    TitleBarGeometry::Buttons b;
    b.close = {QRect(0, 0, 16, 16), close};
    b.maximize = {QRect(0, 0, 16, 16), max};
    b.minimize = {QRect(0, 0, 16, 16), min};
    return b;
}

TEST(TitleBarGeometry, ButtonsAreLaidOutFromTheRight) {
    const struct {
        std::int16_t style;
        bool max;
        int close, maximize, minimize, top;
    } cases[] = {
        {8, false, 778, -1, 756, 8},   // 800 - 16 - 3 - 3, then 16 + 6 further left
        {14, false, 775, -1, 753, 10}, // margin 6, two pixels lower (9.5 -> 10)
        {13, false, 765, -1, 743, 10}, // margin = the close button's width
        {8, true, 778, 756, 734, 8},   {13, true, 765, 743, 721, 10},
    };
    for (const auto& c : cases) {
        auto b = buttons(true, c.max, true);
        TitleBarGeometry::layoutButtons(b, 800, 31, c.style);
        EXPECT_EQ(b.close.rect.left(), c.close) << c.style;
        EXPECT_EQ(b.close.rect.top(), c.top) << c.style;
        if (c.max) {
            EXPECT_EQ(b.maximize.rect.left(), c.maximize) << c.style;
        }
        EXPECT_EQ(b.minimize.rect.left(), c.minimize) << c.style;
    }
}

TEST(TitleBarGeometry, HiddenButtonsKeepTheirPlaceAndTakeNoPartInHits) {
    auto b = buttons(false, false, true);
    b.close.rect.moveTo(500, 7);
    TitleBarGeometry::layoutButtons(b, 800, 31, 8);
    EXPECT_EQ(b.close.rect.topLeft(), QPoint(500, 7));
    EXPECT_EQ(b.minimize.rect.left(), 800 - 16 - 6); // nothing to its right
    EXPECT_FALSE(TitleBarGeometry::buttonAt(b, {508, 15}).has_value());
    EXPECT_EQ(TitleBarGeometry::buttonAt(b, {785, 15}), TitleButton::Minimize);
}

TEST(TitleBarGeometry, ButtonHitsExcludeTheEdges) {
    auto b = buttons(true, false, true);
    TitleBarGeometry::layoutButtons(b, 800, 31, 8); // close at (778, 8) 16 x 16
    const struct {
        QPointF p;
        bool hit;
    } cases[] = {{{778, 15}, false}, {{778.5, 15}, true}, {{793.9, 15}, true},
                 {{794, 15}, false}, {{785, 8}, false},   {{785, 23.5}, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(TitleBarGeometry::buttonAt(b, c.p).has_value(), c.hit)
            << c.p.x() << "," << c.p.y();
    }
}

TEST(TitleBarGeometry, PointerInsideIncludesBothEnds) {
    EXPECT_TRUE(TitleBarGeometry::pointerInside({0, 0}, 800, 31));
    EXPECT_TRUE(TitleBarGeometry::pointerInside({800, 31}, 800, 31));
    EXPECT_FALSE(TitleBarGeometry::pointerInside({801, 10}, 800, 31));
    EXPECT_FALSE(TitleBarGeometry::pointerInside({10, -1}, 800, 31));
}

TEST(TitleBarGeometry, CaptionOriginByPosition) {
    const int W = 800, SH = 31, tw = 101, th = 21;
    TitleBarGeometry::CaptionPlacement c;
    c.border = 2;
    c.depth = 3;
    const struct {
        int posX, posY;
        bool icon;
        QPoint at;
    } cases[] = {
        {0, 0, false, {6, 5}},   // (31 - 21) / 2
        {0, 1, true, {32, 0}},   // after a 20-pixel icon at x 6
        {0, 2, false, {6, 4}},   // Fix((31 - 21 - 2) / 2)
        {0, 3, false, {6, 8}},   // 31 - 21 - 2
        {1, 1, true, {3, 0}},    // border + 1
        {2, 1, false, {350, 0}}, // (800 - 101) / 2 = 349.5 -> 350
        {3, 1, false, {693, 0}}, // right edge 2 + 1 + 3 pixels from the right
    };
    for (const auto& k : cases) {
        c.posX = k.posX;
        c.posY = k.posY;
        c.hasIcon = k.icon;
        c.picturePosX = 6;
        c.iconWidth = 20;
        EXPECT_EQ(TitleBarGeometry::captionOrigin(c, W, SH, tw, th), k.at) << k.posX << k.posY;
    }
}

TEST(TitleBarGeometry, IconPositionModes) {
    const QPoint stored(6, 4);
    const QSize icon(20, 20);
    EXPECT_EQ(TitleBarGeometry::iconPosition(0, stored, 800, 31, icon), stored);
    EXPECT_EQ(TitleBarGeometry::iconPosition(1, stored, 800, 31, icon), QPoint(390, 4));
    EXPECT_EQ(TitleBarGeometry::iconPosition(2, stored, 800, 31, icon), QPoint(6, 6)); // 5.5 -> 6
    EXPECT_EQ(TitleBarGeometry::iconPosition(3, stored, 800, 31, icon), QPoint(390, 6));
    EXPECT_EQ(TitleBarGeometry::iconPosition(7, stored, 800, 31, icon), stored);
}

} // namespace
