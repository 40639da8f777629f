#include "window/FocusRing.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>

namespace {

// The frame takes its margin around the control from its style.
class RingMetrics : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin) {
            return FocusRing::Width;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

FocusRing::FocusRing(QWidget* window) : QFocusFrame(window), m_window(window) {
    setObjectName(QStringLiteral("focusRing"));
    auto* metrics = new RingMetrics;
    metrics->setParent(this);
    setStyle(metrics);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
}

QColor FocusRing::colour() {
    return {200, 100, 0};
}

// Only controls that Tab reaches are ringed: the title bar, which takes the focus when its
// buttons are clicked, is not something the keys work.
void FocusRing::follow(QWidget* now) {
    const bool ours =
        now && now != m_window && now->window() == m_window && (now->focusPolicy() & Qt::TabFocus);
    setWidget(ours ? now : nullptr);
}

void FocusRing::paintEvent(QPaintEvent*) {
    if (!widget()) {
        return;
    }
    QPainter p(this);
    p.setPen(Qt::NoPen);
    p.setBrush(colour());
    const QRect all = rect();
    p.drawRect(all.x(), all.y(), all.width(), Width);
    p.drawRect(all.x(), all.bottom() - Width + 1, all.width(), Width);
    p.drawRect(all.x(), all.y(), Width, all.height());
    p.drawRect(all.right() - Width + 1, all.y(), Width, all.height());
}
