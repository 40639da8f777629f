#include "marks/StripBackdrop.h"

#include "marks/StripMath.h"

#include <QEvent>
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
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void StripBackdrop::setOverview(std::vector<float> peaks, double duration) {
    m_peaks = std::move(peaks);
    m_duration = duration;
    update();
}

void StripBackdrop::clearOverview() {
    m_peaks.clear();
    m_duration = 0;
    update();
}

void StripBackdrop::setStripScale(int16_t twipsPerSecond) {
    m_scale = twipsPerSecond;
    update();
}

void StripBackdrop::setBand(int top, int height) {
    m_band = QRect(0, top, width(), height);
    update();
}

void StripBackdrop::setLoopSpan(int fromTwips, int toTwips, int leadInTwips) {
    m_loopFrom = fromTwips;
    m_loopTo = toTwips;
    m_leadIn = leadInTwips;
    update();
}

double StripBackdrop::xOfTime(double seconds) const {
    return seconds * m_scale / StripMath::kTwipsPerPixel;
}

void StripBackdrop::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double loopLeft = m_loopFrom / double(StripMath::kTwipsPerPixel);
    const double loopRight = m_loopTo / double(StripMath::kTwipsPerPixel);
    const bool loop = m_loopTo > m_loopFrom;
    if (loop)
        p.fillRect(QRectF(loopLeft, 0, loopRight - loopLeft, height()),
                   QColor::fromRgba(kLoopShade));
    if (loop && m_leadIn >= 0 && m_leadIn < m_loopFrom) {
        const double leadLeft = m_leadIn / double(StripMath::kTwipsPerPixel);
        p.fillRect(QRectF(leadLeft, 0, loopLeft - leadLeft, height()),
                   QColor::fromRgba(kLeadInShade));
    }
    if (m_peaks.empty() || m_duration <= 0 || m_scale <= 0 || m_band.height() < 2)
        return;

    // Column x of the widget shows the loudest of the peaks whose stretch of the track falls
    // into it, so a strip drawn wider or narrower than the overview loses no peak.
    const double span = xOfTime(m_duration);
    const int columns = std::min(width(), static_cast<int>(std::ceil(span)));
    const size_t n = m_peaks.size();
    const double mid = m_band.top() + m_band.height() / 2.0;
    const double half = m_band.height() / 2.0;
    for (int x = 0; x < columns; ++x) {
        const auto first = static_cast<size_t>(std::floor(x / span * n));
        auto last = static_cast<size_t>(std::ceil((x + 1) / span * n));
        last = std::clamp(last, first + 1, n);
        if (first >= n)
            break;
        const float peak =
            *std::max_element(m_peaks.begin() + long(first), m_peaks.begin() + long(last));
        // Square root: quiet passages of a mixed track still show, loud ones keep their room.
        const double h = std::max(0.5, std::sqrt(double(peak)) * half);
        const bool inLoop = loop && x + 0.5 >= loopLeft && x + 0.5 <= loopRight;
        p.fillRect(QRectF(x, mid - h, 1, 2 * h), QColor::fromRgba(inLoop ? kWaveInLoop : kWave));
    }
}
