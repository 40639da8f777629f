#include "window/MediaComponentView.h"

#include <QHBoxLayout>
#include <QStyle>

#include <cmath>

MediaComponentView::MediaComponentView(MediaComponent& component, QWidget* parent)
    : QWidget(parent), m_component(component) {
    setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 10, 4);
    row->setSpacing(8);

    auto makeButton = [this](QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIconSize(QSize(18, 18));
        return b;
    };
    m_playPause = makeButton(QStyle::SP_MediaPlay, tr("Play"));
    m_stop = makeButton(QStyle::SP_MediaStop, tr("Stop"));
    m_seek = new QSlider(Qt::Horizontal, this);
    m_seek->setRange(0, 0);
    m_seek->setFocusPolicy(Qt::NoFocus);
    m_seek->setToolTip(tr("Position"));
    m_time = new QLabel(clockText(0) + QStringLiteral(" / ") + clockText(0), this);
    m_time->setMinimumWidth(96);
    m_time->setAlignment(Qt::AlignCenter);
    auto* speaker = new QLabel(this);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setRange(0, 100);
    m_volume->setValue(m_component.backend().volume());
    m_volume->setFixedWidth(80);
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setToolTip(tr("Volume"));

    row->addWidget(m_playPause);
    row->addWidget(m_stop);
    row->addWidget(m_seek, 1);
    row->addWidget(m_time);
    row->addWidget(speaker);
    row->addWidget(m_volume);

    connect(m_playPause, &QToolButton::clicked, this, [this] {
        if (m_component.isPlaying())
            m_component.pause();
        else
            m_component.play();
    });
    connect(m_stop, &QToolButton::clicked, this, [this] { m_component.stop(); });
    connect(m_seek, &QSlider::sliderPressed, this, [this] { m_dragging = true; });
    connect(m_seek, &QSlider::sliderReleased, this, [this] {
        m_dragging = false;
        m_component.setPosition(m_seek->value() / 10.0);
    });
    connect(m_volume, &QSlider::valueChanged, this,
            [this](int v) { m_component.backend().setVolume(v); });
    connect(&m_component, &MediaComponent::stateChanged, this, &MediaComponentView::refresh);
    connect(&m_component, &MediaComponent::seeked, this, &MediaComponentView::refresh);
    connect(&m_component, &MediaComponent::durationChanged, this, &MediaComponentView::refresh);
    m_tick.setInterval(250);
    connect(&m_tick, &QTimer::timeout, this, &MediaComponentView::refresh);
    connect(&m_component, &MediaComponent::playingChanged, this, [this](bool playing) {
        if (playing && isVisible())
            m_tick.start();
        else
            m_tick.stop();
    });
    setStyleSheet(QStringLiteral(
        "MediaComponentView { background: #eef1f6; border: 1px solid #c3cad6; border-radius: 6px; }"
        "QLabel { color: #26304f; font-size: 9pt; }"
        "QSlider::groove:horizontal { height: 4px; background: #c9d0dc; border-radius: 2px; }"
        "QSlider::sub-page:horizontal { background: #3a6fc4; border-radius: 2px; }"
        "QSlider::handle:horizontal { width: 12px; margin: -5px 0; border-radius: 6px;"
        " background: #ffffff; border: 1px solid #3a6fc4; }"));
}

QString MediaComponentView::clockText(double seconds) {
    const long long s = seconds > 0 ? std::llround(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

void MediaComponentView::refresh() {
    const double length = m_component.length();
    const double pos = m_component.position();
    m_playPause->setIcon(style()->standardIcon(m_component.isPlaying() ? QStyle::SP_MediaPause
                                                                       : QStyle::SP_MediaPlay));
    m_playPause->setToolTip(m_component.isPlaying() ? tr("Pause") : tr("Play"));
    m_seek->setRange(0, static_cast<int>(std::lround(std::max(0.0, length) * 10)));
    if (!m_dragging)
        m_seek->setValue(static_cast<int>(std::lround(std::max(0.0, pos) * 10)));
    m_time->setText(clockText(pos) + QStringLiteral(" / ") + clockText(length));
}

void MediaComponentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    if (m_component.isPlaying())
        m_tick.start();
}
