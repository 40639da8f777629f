#include "marks/StripBackdrop.h"

#include "marks/StripMath.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

StripBackdrop::StripBackdrop(QWidget* picMarker) : QWidget(picMarker) {
    setObjectName(QStringLiteral("stripBackdrop"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(picMarker->rect());
    picMarker->installEventFilter(this);
    lower();
}

bool StripBackdrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        invalidate();
    }
    return false;
}

void StripBackdrop::invalidate() {
    m_unplayedImage = QImage();
    m_playedImage = QImage();
    update();
}

void StripBackdrop::setOverview(std::vector<float> peaks, double duration) {
    m_peaks = std::move(peaks);
    m_duration = duration;
    invalidate();
}

void StripBackdrop::clearOverview() {
    m_peaks.clear();
    m_duration = 0;
    invalidate();
}

void StripBackdrop::setStripScale(int16_t twipsPerSecond) {
    m_scale = twipsPerSecond;
    invalidate();
}

void StripBackdrop::setBand(int top, int height) {
    m_band = QRect(0, top, width(), height);
    invalidate();
}

void StripBackdrop::setLoopSpan(int fromTwips, int toTwips, int leadInTwips) {
    m_loopFrom = fromTwips;
    m_loopTo = toTwips;
    m_leadIn = leadInTwips;
    invalidate();
}

void StripBackdrop::setPlayedUntil(double x) {
    if (x == m_played) {
        return;
    }
    const double before = m_played;
    m_played = x;
    if (m_peaks.empty()) {
        return;
    }
    // Only the columns that changed colour are drawn again.
    const double lo = std::max(0.0, std::min(before, x));
    const double hi = std::max(before, x);
    if (hi >= 0) {
        update(QRect(int(std::floor(lo)) - 1, m_band.top(), int(std::ceil(hi - lo)) + 3,
                     m_band.height()));
    }
}

double StripBackdrop::playedEdge(double dpr) const {
    return std::round(m_played * dpr) / dpr;
}

double StripBackdrop::xOfTime(double seconds) const {
    return seconds * m_scale / StripMath::kTwipsPerPixel;
}

QImage StripBackdrop::envelope(bool played, double dpr) {
    QImage& cached = played ? m_playedImage : m_unplayedImage;
    if (!cached.isNull() && cached.devicePixelRatio() == dpr) {
        return cached;
    }
    const int deviceWidth = int(std::ceil(width() * dpr));
    const int deviceHeight = int(std::ceil(m_band.height() * dpr));
    QImage image(deviceWidth, deviceHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QColor plain = QColor::fromRgba(played ? kWavePlayed : kWave);
    const QColor inLoopColour = QColor::fromRgba(played ? kWavePlayedInLoop : kWaveInLoop);
    const double loopLeft = m_loopFrom / double(StripMath::kTwipsPerPixel) * dpr;
    const double loopRight = m_loopTo / double(StripMath::kTwipsPerPixel) * dpr;
    const bool loop = m_loopTo > m_loopFrom;

    // Device column x shows the loudest of the peaks whose stretch of the track falls into
    // it, so a strip drawn wider or narrower than the overview loses no peak.
    const double span = xOfTime(m_duration) * dpr;
    const int columns = std::min(deviceWidth, static_cast<int>(std::ceil(span)));
    const size_t n = m_peaks.size();
    const double mid = deviceHeight / 2.0;
    QPainter p(&image);
    for (int x = 0; x < columns; ++x) {
        const auto first = static_cast<size_t>(std::floor(x / span * n));
        auto last = static_cast<size_t>(std::ceil((x + 1) / span * n));
        last = std::clamp(last, first + 1, n);
        if (first >= n) {
            break;
        }
        const float peak =
            *std::max_element(m_peaks.begin() + long(first), m_peaks.begin() + long(last));
        // Square root: quiet passages of a mixed track still show, loud ones keep their room.
        const double h = std::max(0.5 * dpr, std::sqrt(double(peak)) * mid);
        const bool inLoop = loop && x + 0.5 >= loopLeft && x + 0.5 <= loopRight;
        p.fillRect(QRectF(x, mid - h, 1, 2 * h), inLoop ? inLoopColour : plain);
    }
    p.end();
    image.setDevicePixelRatio(dpr);
    cached = image;
    return cached;
}

void StripBackdrop::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const double loopLeft = m_loopFrom / double(StripMath::kTwipsPerPixel);
    const double loopRight = m_loopTo / double(StripMath::kTwipsPerPixel);
    const bool loop = m_loopTo > m_loopFrom;
    if (loop) {
        p.fillRect(QRectF(loopLeft, 0, loopRight - loopLeft, height()),
                   QColor::fromRgba(kLoopShade));
    }
    if (loop && m_leadIn >= 0 && m_leadIn < m_loopFrom) {
        const double leadLeft = m_leadIn / double(StripMath::kTwipsPerPixel);
        p.fillRect(QRectF(leadLeft, 0, loopLeft - leadLeft, height()),
                   QColor::fromRgba(kLeadInShade));
    }
    if (m_scale <= 0 || m_band.height() < 2 || !event->rect().intersects(m_band)) {
        return;
    }
    if (m_peaks.empty() || m_duration <= 0) {
        paintBeats(p);
        paintSections(p);
        return;
    }
    // At the pixel density of what is painted on: the screen, or an image made at 2x.
    const double dpr = p.device()->devicePixelRatioF();
    const double edge = std::clamp(playedEdge(dpr), 0.0, double(width()));
    const QRectF band(m_band);
    if (edge > 0) {
        p.save();
        p.setClipRect(QRectF(0, band.top(), edge, band.height()));
        p.drawImage(band.topLeft(), envelope(true, dpr));
        p.restore();
    }
    p.setClipRect(QRectF(edge, band.top(), width() - edge, band.height()));
    p.drawImage(band.topLeft(), envelope(false, dpr));
    p.setClipping(false);
    paintBeats(p);
    paintSections(p);
}

void StripBackdrop::setBeats(std::vector<double> beats, std::vector<bool> barStarts) {
    m_beats = std::move(beats);
    m_barStarts = std::move(barStarts);
    m_barStarts.resize(m_beats.size(), false);
    update();
}

void StripBackdrop::setSections(std::vector<double> starts) {
    m_sections = std::move(starts);
    update();
}

std::optional<double> StripBackdrop::sectionNear(double x, double pixels) const {
    std::optional<double> best;
    for (double s : m_sections) {
        const double d = std::abs(xOfTime(s) - x);
        if (d <= pixels && (!best || d < std::abs(xOfTime(*best) - x))) {
            best = s;
        }
    }
    return best;
}

void StripBackdrop::paintBeats(QPainter& p) const {
    if (m_beats.size() < 2) {
        return;
    }
    // The typical gap between neighbours decides what is drawn: every beat, bars only, or
    // nothing when even bars would crowd into a grey wash.
    std::vector<double> gaps;
    for (size_t i = 1; i < m_beats.size(); ++i) {
        gaps.push_back(xOfTime(m_beats[i]) - xOfTime(m_beats[i - 1]));
    }
    std::nth_element(gaps.begin(), gaps.begin() + long(gaps.size() / 2), gaps.end());
    const double beatGap = gaps[gaps.size() / 2];
    const bool everyBeat = beatGap >= kMinTickGap;
    const bool bars = beatGap * 4 >= kMinTickGap;
    if (!bars) {
        return;
    }
    const QRectF band(m_band);
    const double dpr = p.device()->devicePixelRatioF();
    for (size_t i = 0; i < m_beats.size(); ++i) {
        const bool bar = m_barStarts[i];
        if (!bar && !everyBeat) {
            continue;
        }
        // On a device pixel, so that a tick is one crisp line at any scale.
        const double x = (std::floor(xOfTime(m_beats[i]) * dpr) + 0.5) / dpr;
        if (x > width()) {
            break;
        }
        p.setPen(QPen(QColor::fromRgba(bar ? kBarTick : kBeatTick), 1 / dpr));
        const double inset = bar ? 0 : band.height() / 4;
        p.drawLine(QPointF(x, band.top() + inset), QPointF(x, band.bottom() + 1 - inset));
    }
}

void StripBackdrop::paintSections(QPainter& p) const {
    if (m_sections.empty()) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF band(m_band);
    const QColor outline = QColor::fromRgba(kSectionOutline);
    for (double s : m_sections) {
        const double x = xOfTime(s);
        if (x > width()) {
            break;
        }
        // A dashed stem across the band under a hollow flag: a suggestion, not a mark.
        QPen stem(outline, 1, Qt::DashLine);
        stem.setDashPattern({2, 2});
        p.setPen(stem);
        p.drawLine(QPointF(x, band.top() + 6), QPointF(x, band.bottom()));
        p.setPen(QPen(outline, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF(
            {QPointF(x, band.top()), QPointF(x + 6, band.top() + 3), QPointF(x, band.top() + 6)}));
    }
    p.restore();
}
