#include "window/StripTimeline.h"

#include "engine/PlayerInterface.h"
#include "marks/MarkStrip.h"
#include "marks/StripBackdrop.h"
#include "marks/StripMath.h"
#include "models/MarkModel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwips = StripMath::kTwipsPerPixel;

} // namespace

StripTimeline::StripTimeline(const Parts& parts)
    : QWidget(&parts.stripHost), m_backdrop(parts.backdrop), m_player(parts.player),
      m_marks(parts.marks), m_strip(parts.strip), m_top(parts.top) {
    setObjectName(QStringLiteral("stripTimeline"));
    setGeometry(parentWidget()->rect());
    parentWidget()->installEventFilter(this);
    // Beneath every element of the strip, above the backdrop only.
    lower();
    m_backdrop.lower();

    QFont small = font();
    small.setPointSizeF(7.5);
    setFont(small);

    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, &StripTimeline::frame);
    // The player tells of the active component only: its state, length, seeks and the loop
    // turning back.
    connect(&m_player, &PlayerInterface::stateChanged, this, &StripTimeline::resample);
    connect(&m_player, &PlayerInterface::seeked, this, &StripTimeline::resample);
    connect(&m_player, &PlayerInterface::trackOpened, this, &StripTimeline::resample);
}

MediaBackend& StripTimeline::active() const {
    return m_player.activeBackend();
}

double StripTimeline::scale() const {
    return m_marks.stripScale();
}

bool StripTimeline::seekable() const {
    const MediaBackend& b = active();
    return scale() > 0 && !b.path().isEmpty() && b.duration() > 0;
}

bool StripTimeline::onMark(QPoint p) const {
    const MarkStrip& strip = m_strip;
    for (int i = 0; i < MarkStrip::kSlots; ++i) {
        if (!strip.exists(i)) {
            continue;
        }
        const QWidget* elements[] = {&strip.linMark(i), &strip.lblMark(i), &strip.cmdNudge(i)};
        for (const QWidget* e : elements) {
            if (e->isVisible() && e->geometry().adjusted(-2, -2, 2, 2).contains(p)) {
                return true;
            }
        }
    }
    return false;
}

void StripTimeline::setClock(PlayheadClock clock) {
    m_clock = std::move(clock);
    resample();
}

double StripTimeline::timeAt(double x) const {
    if (scale() <= 0) {
        return 0;
    }
    return std::clamp(x * kTwips / scale(), 0.0, std::max(0.0, active().duration()));
}

double StripTimeline::playheadX() const {
    return m_x;
}

void StripTimeline::resample() {
    const MediaBackend& b = active();
    const double speed = b.speed();
    m_clock.sample(b.position(), b.state() == MediaBackend::State::Playing, speed);
    m_sinceSample.start();
    if (m_clock.playing() && seekable()) {
        // One frame per device pixel the playhead moves, but no slower than the readings.
        const double pixelsPerSecond = scale() / kTwips * devicePixelRatioF() * speed;
        const int interval =
            std::clamp(int(1000.0 / std::max(pixelsPerSecond, 1e-3)), 16, kSampleMs);
        m_frame.start(interval);
    } else {
        m_frame.stop();
    }
    showPosition(m_clock.position());
}

void StripTimeline::frame() {
    if (m_sinceSample.elapsed() >= kSampleMs) {
        resample();
        return;
    }
    showPosition(m_clock.position());
}

void StripTimeline::showPosition(double seconds) {
    m_position = seconds;
    double x = -1;
    if (seekable()) {
        const double dpr = devicePixelRatioF();
        x = std::round(std::clamp(seconds, 0.0, active().duration()) * scale() / kTwips * dpr) /
            dpr;
    }
    if (x != m_x) {
        if (m_x >= 0) {
            update(playheadRect(m_x));
        }
        if (x >= 0) {
            update(playheadRect(x));
        }
        m_x = x;
        m_backdrop.setPlayedUntil(x);
    }
    const QString text = seekable() ? clockText(seconds) : QString();
    if (text != m_positionText) {
        m_positionText = text;
        update(endTextRect(false));
        update(endTextRect(true));
    }
}

QRect StripTimeline::playheadRect(double x) const {
    const int top = m_top;
    const int bottom = qRound(MarkStrip::kLineBottom / kTwips);
    return QRect(int(std::floor(x)) - 2, top, 4, bottom - top);
}

QRect StripTimeline::endTextRect(bool right) const {
    const int h = fontMetrics().height();
    const int w = 90;
    return QRect(right ? width() - w - 5 : 5, height() - h - 1, w, h);
}

QString StripTimeline::clockText(double seconds, bool tenths) {
    if (!std::isfinite(seconds) || seconds < 0) {
        seconds = 0;
    }
    const auto total = static_cast<long long>(tenths ? std::floor(seconds * 10) : seconds * 10);
    const long long whole = total / 10;
    const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    QString text = h > 0 ? QStringLiteral("%1:%2:%3")
                               .arg(h)
                               .arg(m, 2, 10, QLatin1Char('0'))
                               .arg(s, 2, 10, QLatin1Char('0'))
                         : QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    if (tenths) {
        text += QStringLiteral(".%1").arg(total % 10);
    }
    return text;
}

void StripTimeline::paintEvent(QPaintEvent* event) {
    if (!seekable()) {
        return;
    }
    QPainter p(this);
    // Most paintings are the playhead's few columns: the texts are laid out only when seen.
    p.setPen(QColor::fromRgba(kEndText));
    if (event->rect().intersects(endTextRect(false))) {
        p.drawText(endTextRect(false), Qt::AlignLeft | Qt::AlignVCenter, m_positionText);
    }
    if (event->rect().intersects(endTextRect(true))) {
        p.drawText(endTextRect(true), Qt::AlignRight | Qt::AlignVCenter,
                   clockText(active().duration()));
    }
    if (m_x >= 0) {
        // The same columns a mark line at this time takes: one left of x and x itself.
        const QRect r = playheadRect(m_x);
        p.fillRect(QRectF(m_x - 1, r.top(), 2, r.height()), QColor::fromRgba(kPlayhead));
    }
}

void StripTimeline::mousePressEvent(QMouseEvent* event) {
    m_pressed =
        event->button() == Qt::LeftButton && seekable() && !onMark(event->position().toPoint());
    if (m_pressed) {
        event->accept();
    } else {
        event->ignore();
    }
}

void StripTimeline::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (!click || !seekable()) {
        event->ignore();
        return;
    }
    event->accept();
    // Ctrl on a suggested section start takes it as a mark instead.
    if (event->modifiers() & Qt::ControlModifier) {
        if (const auto section = m_backdrop.sectionNear(event->position().x())) {
            emit sectionTaken(*section);
            return;
        }
    }
    // The same seek as the component's own seek bar; playing goes on from there.
    active().seek(timeAt(event->position().x()));
    resample();
}

bool StripTimeline::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (seekable() && !onMark(help->pos())) {
            QToolTip::showText(help->globalPos(), clockText(timeAt(help->pos().x()), true), this,
                               QRect(help->pos().x() - 1, 0, 3, height()));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

bool StripTimeline::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return false;
}
