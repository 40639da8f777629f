#include "titlebar/GradientPainter.h"
#include "titlebar/OleColor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

constexpr std::uint32_t V1B = OleColor::rgb(230, 230, 230);
constexpr std::uint32_t V1E = OleColor::rgb(90, 110, 140);
constexpr std::uint32_t V2B = OleColor::rgb(90, 110, 140);
constexpr std::uint32_t V2E = OleColor::rgb(38, 48, 79);

GradientPainter::Frame frame(int W, int SH, std::int16_t style, float cover = 6,
                             std::uint8_t border = 2) {
    GradientPainter::Frame s;
    s.W = W;
    s.SH = SH;
    s.style = style;
    s.cover = cover;
    s.border = border;
    s.v1Begin = V1B;
    s.v1End = V1E;
    s.v2Begin = V2B;
    s.v2End = V2E;
    s.highlight = OleColor::rgb(255, 255, 255);
    s.dark = 0;
    return s;
}

std::vector<GradientPainter::Span> row(const std::vector<GradientPainter::Span>& plan, int y) {
    std::vector<GradientPainter::Span> out;
    std::copy_if(plan.begin(), plan.end(), std::back_inserter(out),
                 [y](const auto& s) { return s.y == y; });
    return out;
}

int lastRow(const std::vector<GradientPainter::Span>& plan) {
    int last = -1;
    for (const auto& s : plan) {
        last = std::max(last, s.y);
    }
    return last;
}

// The x where the first gradient gives way to the second on row y.
int boundary(const std::vector<GradientPainter::Span>& plan, int y) {
    const auto r = row(plan, y);
    return r.at(0).x2;
}

TEST(GradientPainter, StyleZeroPaintsRowZeroToHeightFromBeginToEnd) {
    const auto plan = GradientPainter::plan(frame(800, 41, 0));
    EXPECT_EQ(lastRow(plan), 41);
    EXPECT_EQ(plan.size(), 42u);
    EXPECT_EQ(row(plan, 0).at(0).colour, V1B);
    EXPECT_EQ(row(plan, 41).at(0).colour, V1E);
    EXPECT_EQ(row(plan, 20).at(0),
              (GradientPainter::Span{20, 0, 800, GradientPainter::rowColour(V1B, V1E, 41, 20)}));
}

TEST(GradientPainter, RowColoursStepInSinglePrecisionAndRoundHalvesToEven) {
    // 140 / 41 per row on red: row 1 is 230 - 3.41 = 226.59 -> 227.
    EXPECT_EQ(OleColor::red(GradientPainter::rowColour(V1B, V1E, 41, 1)), 227);
    // A step of exactly 0.5 lands on halves: 10 - 0.5 = 9.5 goes to 10, 10 - 1.5 = 8.5 to 8.
    const std::uint32_t a = OleColor::rgb(10, 0, 0), b = OleColor::rgb(0, 0, 0);
    EXPECT_EQ(OleColor::red(GradientPainter::rowColour(a, b, 20, 1)), 10);
    EXPECT_EQ(OleColor::red(GradientPainter::rowColour(a, b, 20, 3)), 8);
}

TEST(GradientPainter, GradientHeightAndRowCountByStyle) {
    EXPECT_EQ(GradientPainter::gradientHeight(31, 14), 16); // 15.5 -> 16
    EXPECT_EQ(GradientPainter::gradientHeight(41, 14), 20); // 20.5 -> 20
    EXPECT_EQ(GradientPainter::gradientHeight(0, 0), 25);
    EXPECT_EQ(GradientPainter::gradientHeight(1, 14), 25); // 0.5 -> 0
    const struct {
        std::int16_t style;
        int rows;
    } cases[] = {{0, 31}, {1, 31},  {3, 28},  {4, 28},  {7, 28},  {8, 28},
                 {9, 31}, {10, 27}, {11, 24}, {12, 22}, {13, 31}, {14, 31}};
    for (const auto& c : cases) {
        EXPECT_EQ(GradientPainter::rowCount(31, c.style, 2), c.rows) << c.style;
    }
}

TEST(GradientPainter, StyleFourteenHalvesTheFirstGradient) {
    const auto plan = GradientPainter::plan(frame(800, 41, 14));
    EXPECT_EQ(row(plan, 20).at(0).colour, V1E); // end colour already at row 20
    EXPECT_EQ(row(plan, 40).at(0).colour,
              GradientPainter::rowColour(V2B, V2E, 20, 20)); // the lower half: second gradient
    const auto flat = GradientPainter::plan(frame(800, 0, 0));
    EXPECT_EQ(lastRow(flat), 25);
}

TEST(GradientPainter, SlantedBoundariesFollowTheCover) {
    const auto one = GradientPainter::plan(frame(800, 31, 1));
    EXPECT_EQ(boundary(one, 0), 480);
    EXPECT_EQ(boundary(one, 10), 470);
    const auto five = GradientPainter::plan(frame(800, 31, 5));
    EXPECT_EQ(boundary(five, 0), 480);
    EXPECT_EQ(boundary(five, 10), 490);
    // The second gradient runs from the boundary to the right edge.
    EXPECT_EQ(row(five, 10).at(1).x1, 490);
    EXPECT_EQ(row(five, 10).at(1).x2, 800);
    EXPECT_EQ(row(five, 10).at(1).colour, GradientPainter::rowColour(V2B, V2E, 31, 10));
}

TEST(GradientPainter, FrayedStylesAddSinglePixelsPastTheEdge) {
    const struct {
        std::int16_t style;
        std::set<int> pixels; // relative to the boundary on row 4
        int lastRow;
    } cases[] = {
        {2, {2, 6, 11}, 31}, {4, {2, 6, 11}, 28}, {6, {1, 5, 10}, 31}, {8, {1, 5, 10}, 28}};
    for (const auto& c : cases) {
        const auto plan = GradientPainter::plan(frame(800, 31, c.style));
        const auto r = row(plan, 4);
        ASSERT_EQ(r.size(), 5u) << c.style;
        const int b = r[0].x2;
        std::set<int> got;
        for (std::size_t i = 2; i < r.size(); ++i) {
            EXPECT_EQ(r[i].x2 - r[i].x1, 1);
            EXPECT_EQ(r[i].colour, r[0].colour);
            got.insert(r[i].x1 - b);
        }
        EXPECT_EQ(got, c.pixels) << c.style;
        EXPECT_EQ(lastRow(plan), c.lastRow) << c.style;
    }
}

TEST(GradientPainter, CurvedStylesCentreTheirBandAndBendTheEdge) {
    for (std::int16_t style : {9, 10, 11, 12}) {
        const auto plan = GradientPainter::plan(frame(800, 31, style));
        for (int y = 0; y < 31; ++y) {
            EXPECT_FALSE(row(plan, y).empty()) << style << " row " << y;
        }
    }
    // The edge moves right going down, bending: slow in the middle, fast at the ends.
    const auto plan = GradientPainter::plan(frame(800, 31, 9));
    const int b0 = boundary(plan, 0), bMid = boundary(plan, 15), bEnd = boundary(plan, 31);
    EXPECT_LT(b0, bMid);
    EXPECT_LT(bMid, bEnd);
    EXPECT_GT(boundary(plan, 1) - b0, boundary(plan, 16) - bMid);
    EXPECT_NEAR(bMid, 480, 2);
    // Style 12's band of 22 rows starts at row 4 (4.5 rounds to even): rows above are the
    // second gradient across, rows below the first.
    const auto twelve = GradientPainter::plan(frame(800, 31, 12));
    EXPECT_EQ(row(twelve, 3).size(), 1u);
    EXPECT_EQ(row(twelve, 3).at(0).colour, GradientPainter::rowColour(V2B, V2E, 31, 3));
    EXPECT_EQ(row(twelve, 4).at(0).colour, V1B);
    EXPECT_EQ(row(twelve, 30).size(), 1u);
    EXPECT_EQ(row(twelve, 30).at(0).colour, GradientPainter::rowColour(V1B, V1E, 31, 30));
}

TEST(GradientPainter, StyleThirteenNeedsCloseAndMinimiseForItsPanel) {
    auto s = frame(800, 31, 13);
    const auto plain = GradientPainter::plan(s);
    EXPECT_EQ(row(plain, 5).size(), 1u);
    s.minimizeLeft = 743;
    const auto panel = GradientPainter::plan(s);
    // 743 - 1.2 * 31 = 705.8 -> 705 on row 0, one pixel right per row.
    EXPECT_EQ(boundary(panel, 0), 705);
    EXPECT_EQ(boundary(panel, 20), 725);
    EXPECT_LT(boundary(panel, 31), 743);
}

TEST(GradientPainter, PaintClipsSpansToTheSurface) {
    QImage img(10, 3, QImage::Format_RGB32);
    img.fill(Qt::black);
    GradientPainter::paint(img, {{1, -5, 4, OleColor::rgb(255, 0, 0)},
                                 {2, 8, 40, OleColor::rgb(0, 0, 255)},
                                 {7, 0, 10, OleColor::rgb(0, 255, 0)}});
    EXPECT_EQ(img.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(4, 1), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(9, 2), qRgb(0, 0, 255));
}

TEST(GradientPainter, DashBackTurnsTheBackgroundUpsideDownBehindTheCaption) {
    QImage img(200, 31, QImage::Format_RGB32);
    GradientPainter::paint(img, GradientPainter::plan(frame(200, 31, 0)));
    const QImage before = img.copy();
    GradientPainter::paintDashBack(img, 50, 2, OleColor::rgb(255, 255, 255), 0);
    // t = 4, h = 23, w = 60: inside the edge, row 4 + k shows what row 26 - k had at x = 3.
    EXPECT_EQ(img.pixel(20, 6), before.pixel(3, 24));
    EXPECT_EQ(img.pixel(60, 20), before.pixel(3, 10));
    EXPECT_EQ(img.pixel(20, 4), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(20, 26), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(70, 10), before.pixel(70, 10)); // past the band
    EXPECT_EQ(img.pixel(20, 2), before.pixel(20, 2));
}

} // namespace
