#include "titlebar/GradientPainter.h"

#include "titlebar/OleColor.h"
#include "titlebar/Rounding.h"

#include <algorithm>
#include <array>
#include <cmath>

using titlebar::cint;
using titlebar::fix;

namespace {

// Colour steps are single-precision, as the stored colours and cover are.
std::uint32_t stepColour(std::uint32_t begin, std::uint32_t end, float divisor, int y) {
    const auto channel = [&](int b, int e) {
        const float d = float(b - e) / divisor;
        return cint(double(float(b) - float(y) * d));
    };
    return OleColor::rgb(channel(OleColor::red(begin), OleColor::red(end)),
                         channel(OleColor::green(begin), OleColor::green(end)),
                         channel(OleColor::blue(begin), OleColor::blue(end)));
}

class Planner {
public:
    explicit Planner(const GradientPainter::Frame& s)
        : m_s(s), m_H(GradientPainter::gradientHeight(s.SH, s.style)),
          m_N(GradientPainter::rowCount(m_H, s.style, s.border)),
          m_split(fix(double(float(s.W) * (s.cover / 10.0f)))) {}

    std::vector<GradientPainter::Span> run() {
        const int st = m_s.style;
        if (st == 0) {
            fullRows();
        } else if (st >= 1 && st <= 8) {
            slanted();
        } else if (st >= 9 && st <= 12) {
            curved();
        } else if (st == 13) {
            buttonPanel();
        } else if (st == 14) {
            glass();
        }
        return std::move(m_out);
    }

private:
    std::uint32_t first(int y) const { return stepColour(m_s.v1Begin, m_s.v1End, float(m_H), y); }
    std::uint32_t second(int y) const { return stepColour(m_s.v2Begin, m_s.v2End, float(m_H), y); }
    // The edge between the two gradients of styles 9 to 14 is drawn as a line that runs
    // from the highlight colour towards the dark one, halfway there at the last row.
    std::uint32_t edge(int y) const {
        return stepColour(m_s.highlight, m_s.dark, float(2 * m_H), y);
    }
    void span(int y, int x1, int x2, std::uint32_t c) {
        if (x2 > x1) {
            m_out.push_back({y, x1, x2, c});
        }
    }
    void split(int row, int colourRow, int b) {
        span(row, 0, b, first(colourRow));
        span(row, b, m_s.W, second(colourRow));
    }
    void edgeLine(int row, int colourRow, int b, int previous) {
        span(row, std::min(b, previous), std::max(b, previous) + 1, edge(colourRow));
    }

    void fullRows() {
        for (int y = 0; y <= m_N; ++y) {
            span(y, 0, m_s.W, first(y));
        }
    }

    void slanted() {
        const int st = m_s.style;
        const bool leftward = st <= 4;
        const bool frayed = st == 2 || st == 4 || st == 6 || st == 8;
        for (int y = 0; y <= m_N; ++y) {
            const int b = leftward ? m_split - y : m_split + y;
            split(y, y, b);
            if (!frayed) {
                continue;
            }
            // Single pixels of the first gradient just past the edge break it up; a line
            // drawn from one pixel to the next covers only its starting pixel.
            for (int offset : leftward ? std::array{2, 6, 11} : std::array{1, 5, 10}) {
                span(y, b + offset, b + offset + 1, first(y));
            }
        }
    }

    // The band of N rows is centred; the edge follows tan(a) for a from -1 to 1 radian,
    // scaled to swing 1.2 N pixels either side of the cover split, so it leaves the top
    // strip (second gradient) far to the left and joins the bottom strip (first gradient)
    // far to the right.
    void curved() {
        const int n = std::max(m_N, 1);
        const int start = cint((m_s.SH - m_N) / 2.0);
        const double swing = 1.2 * n / std::tan(1.0);
        for (int r = 0; r < start; ++r) {
            span(r, 0, m_s.W, second(std::min(r, m_H)));
        }
        int previous = 0;
        for (int y = 0; y <= m_N; ++y) {
            const double angle = -1.0 + y * (2.0 / n);
            const int b = fix(m_split + swing * std::tan(angle));
            split(start + y, y, b);
            edgeLine(start + y, y, b, y == 0 ? b : previous);
            previous = b;
        }
        for (int r = start + m_N + 1; r < m_s.SH; ++r) {
            span(r, 0, m_s.W, first(std::min(r, m_H)));
        }
    }

    // The second gradient forms a panel behind the window buttons. Its edge starts 1.2 N
    // pixels left of the minimise button and slants one pixel per row to the right, the
    // same slant as styles 5 to 8. Without both buttons the bar is one plain gradient.
    void buttonPanel() {
        if (!m_s.minimizeLeft) {
            fullRows();
            return;
        }
        const int x0 = fix(*m_s.minimizeLeft - 1.2 * m_N);
        for (int y = 0; y <= m_N; ++y) {
            const int b = x0 + y;
            split(y, y, b);
            edgeLine(y, y, b, b);
        }
    }

    // Two half-height gradients stacked, the first above the second, like a glass bar; the
    // buttons sit on a panel of the second gradient over the full height whose edge starts
    // 1.2 H pixels left of the leftmost button and slants half a pixel per row.
    void glass() {
        const int rows = std::max(m_N, m_s.SH - 1);
        const auto base = [&](int r) { return r <= m_H ? first(r) : second(r - m_H); };
        for (int r = 0; r <= rows; ++r) {
            if (!m_s.leftmostButton) {
                span(r, 0, m_s.W, base(r));
                continue;
            }
            const int b = fix(*m_s.leftmostButton - 1.2 * m_H + r * 0.5);
            const int panelRow = m_s.SH > 0 ? cint(double(r) * m_H / m_s.SH) : r;
            span(r, 0, b, base(r));
            span(r, b, m_s.W, second(panelRow));
            edgeLine(r, r, b, b);
        }
    }

    const GradientPainter::Frame& m_s;
    const int m_H;
    const int m_N;
    const int m_split;
    std::vector<GradientPainter::Span> m_out;
};

// Device pixels of a logical coordinate on a surface drawn at the screen's pixel ratio; at a
// ratio of 1 they are the same.
int device(const QImage& img, double v) {
    return int(std::lround(v * img.devicePixelRatio()));
}

// Fills the logical row y from x1 up to x2 with all the device pixels it covers.
void fillRow(QImage& img, int y, int x1, int x2, QRgb c) {
    const int top = std::max(device(img, y), 0);
    const int bottom = std::min(device(img, y + 1), img.height());
    const int left = std::max(device(img, x1), 0);
    const int right = std::min(device(img, x2), img.width());
    for (int row = top; row < bottom; ++row) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(row));
        std::fill(line + std::min(left, right), line + right, c);
    }
}

QRgb toRgb(std::uint32_t c) {
    return qRgb(OleColor::red(c), OleColor::green(c), OleColor::blue(c));
}

} // namespace

int GradientPainter::gradientHeight(int SH, std::int16_t style) {
    int H = SH;
    if (style == 14) {
        H = cint(H * 0.5);
    }
    return H < 1 ? 25 : H;
}

int GradientPainter::rowCount(int H, std::int16_t style, std::uint8_t border) {
    switch (style) {
    case 3:
    case 4:
    case 7:
    case 8:
        return H - (border + 1);
    case 10:
        return H - (border + 2);
    case 11:
        return H - (border + 5);
    case 12:
        return H - (border + 7);
    default:
        return H;
    }
}

std::uint32_t GradientPainter::rowColour(std::uint32_t begin, std::uint32_t end, int H, int y) {
    return stepColour(begin, end, float(H), y);
}

std::vector<GradientPainter::Span> GradientPainter::plan(const Frame& frame) {
    return Planner(frame).run();
}

void GradientPainter::paint(QImage& surface, const std::vector<Span>& spans) {
    for (const Span& s : spans) {
        fillRow(surface, s.y, s.x1, s.x2, toRgb(s.colour));
    }
}

void GradientPainter::paintDashBack(QImage& surface, int tw, std::uint8_t border,
                                    std::uint32_t highlight, std::uint32_t dark) {
    const int w = cint(tw * 1.2);
    const int t = border + 2;
    const QSize logical = surface.deviceIndependentSize().toSize();
    const int h = cint(logical.height() - 2.0 * t);
    if (w <= 0 || h <= 0 || logical.width() <= 6 || t + h > logical.height()) {
        return;
    }
    std::vector<QRgb> column(static_cast<std::size_t>(h));
    for (int k = 0; k < h; ++k) {
        column[std::size_t(k)] = surface.pixel(device(surface, 3), device(surface, t + h - 1 - k));
    }
    for (int k = 0; k < h; ++k) {
        fillRow(surface, t + k, 6, 6 + w, column[std::size_t(k)]);
    }
    fillRow(surface, t, 6, 6 + w, toRgb(dark));
    fillRow(surface, t + h - 1, 6, 6 + w, toRgb(highlight));
    for (int k = 1; k < h - 1; ++k) {
        fillRow(surface, t + k, 6, 7, toRgb(dark));
        fillRow(surface, t + k, 6 + w - 1, 6 + w, toRgb(highlight));
    }
}
