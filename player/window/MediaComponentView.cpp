#include "window/MediaComponentView.h"

#include "window/ReadoutLabel.h"

#include "engine/MediaComponent.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

QString clockText(double seconds, bool withHours) {
    const qint64 s = seconds > 0 ? static_cast<qint64>(std::floor(seconds)) : 0;
    if (withHours) {
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

enum class Glyph { Play, Pause, Stop, Volume, Muted };

// Light glyphs drawn here: the style's own media icons are dark and vanish on the dark panel.
QIcon glyph(Glyph g) {
    const qreal dpr = 2;
    QPixmap pm(QSize(20, 20) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xea, 0xed));
    switch (g) {
    case Glyph::Play:
        p.drawPolygon(QPolygonF({QPointF(6, 3.5), QPointF(17, 10), QPointF(6, 16.5)}));
        break;
    case Glyph::Pause:
        p.drawRoundedRect(QRectF(5, 4, 3.5, 12), 1, 1);
        p.drawRoundedRect(QRectF(11.5, 4, 3.5, 12), 1, 1);
        break;
    case Glyph::Stop:
        p.drawRoundedRect(QRectF(5, 5, 10, 10), 1.5, 1.5);
        break;
    case Glyph::Volume:
    case Glyph::Muted: {
        p.drawPolygon(QPolygonF({QPointF(3, 7.5), QPointF(6.5, 7.5), QPointF(10.5, 4),
                                 QPointF(10.5, 16), QPointF(6.5, 12.5), QPointF(3, 12.5)}));
        QPen pen(QColor(0xe8, 0xea, 0xed), 1.6, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (g == Glyph::Volume) {
            p.drawArc(QRectF(8, 6.5, 6, 7), -60 * 16, 120 * 16);
            p.drawArc(QRectF(8, 4, 9, 12), -60 * 16, 120 * 16);
        } else {
            p.drawLine(QPointF(13, 7.5), QPointF(17, 12.5));
            p.drawLine(QPointF(17, 7.5), QPointF(13, 12.5));
        }
        break;
    }
    }
    p.end();
    QIcon icon(pm);
    return icon;
}

QToolButton* makeButton(QWidget* parent, Glyph icon, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setIcon(glyph(icon));
    b->setIconSize({20, 20});
    b->setFixedSize(36, 36);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setAccessibleName(tip);
    // Reached with Tab, never taken by a click: the window's keys keep working after a click.
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

MediaComponentView::MediaComponentView(MediaComponent& component, QWidget* parent)
    : QWidget(parent), m_component(component) {
    // The window's keys work whichever control has the focus; a click never moves the focus
    // here, Tab does, for the Menu key's items (see KeyboardMenus).
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_StyledBackground, false);

    m_playPause = makeButton(this, Glyph::Play, tr("Play"));
    m_stop = makeButton(this, Glyph::Stop, tr("Stop"));
    m_seek = new QSlider(Qt::Horizontal, this);
    m_seek->setFocusPolicy(Qt::TabFocus);
    m_seek->setToolTip(tr("Seek"));
    m_seek->setAccessibleName(tr("Seek"));
    m_seek->setAccessibleDescription(tr("Position in the track, in milliseconds"));
    m_time = new ReadoutLabel(tr("Position and length"), timeText(0, 0), this);
    m_time->setMinimumWidth(84);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_mute = makeButton(this, Glyph::Volume, tr("Mute"));
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setFocusPolicy(Qt::TabFocus);
    m_volume->setAccessibleName(tr("Volume"));
    m_volume->setRange(0, 100);
    m_volume->setValue(component.backend().volume());
    m_volume->setFixedWidth(64);
    m_volume->setToolTip(tr("Volume"));

    auto* row = m_row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(6);
    row->addWidget(m_playPause);
    row->addWidget(m_stop);
    row->addSpacing(4);
    row->addWidget(m_seek, 1);
    row->addWidget(m_time);
    row->addSpacing(8);
    row->addWidget(m_mute);
    row->addWidget(m_volume);

    setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 18px; background: transparent; }"
        "QToolButton:hover { background: rgba(255,255,255,0.12); }"
        "QToolButton:pressed { background: rgba(255,255,255,0.22); }"
        "QToolButton:focus { border: 2px solid #8ab4f8; }"
        "QSlider:focus { border: 1px solid #8ab4f8; border-radius: 4px; }"
        "QLabel { color: #e8eaed; font-size: 12px; }"
        "QSlider::groove:horizontal { height: 4px; border-radius: 2px; background: #5f6368; }"
        "QSlider::sub-page:horizontal { border-radius: 2px; background: #8ab4f8; }"
        "QSlider::handle:horizontal { width: 12px; height: 12px; margin: -4px 0;"
        " border-radius: 6px; background: #e8eaed; }"
        "QSlider::handle:horizontal:hover { background: #ffffff; }"
        "QSlider::groove:horizontal:disabled { background: #3c4043; }"
        "QSlider::sub-page:horizontal:disabled { background: #3c4043; }"
        "QSlider::handle:horizontal:disabled { background: #5f6368; }"));

    m_tick = new QTimer(this);
    m_tick->setInterval(200);
    connect(m_tick, &QTimer::timeout, this, &MediaComponentView::refresh);

    connect(m_playPause, &QToolButton::clicked, this, &MediaComponentView::togglePlayPause);
    connect(m_stop, &QToolButton::clicked, this, [this] {
        m_component.stop();
        refresh();
    });
    connect(m_seek, &QSlider::sliderReleased, this, [this] {
        m_component.setPosition(m_seek->value() / 1000.0);
        refresh();
    });
    connect(m_seek, &QSlider::sliderMoved, this,
            [this](int ms) { m_time->setText(timeText(ms / 1000.0, m_component.length())); });
    connect(m_volume, &QSlider::valueChanged, this, [this](int v) {
        m_component.backend().setVolume(v);
        m_mute->setIcon(glyph(v == 0 ? Glyph::Muted : Glyph::Volume));
    });
    connect(m_mute, &QToolButton::clicked, this, [this] {
        if (m_volume->value() > 0) {
            m_volumeBeforeMute = m_volume->value();
            m_volume->setValue(0);
        } else {
            m_volume->setValue(m_volumeBeforeMute > 0 ? m_volumeBeforeMute : 100);
        }
    });

    connect(&component, &MediaComponent::stateChanged, this, &MediaComponentView::refresh);
    connect(&component, &MediaComponent::durationChanged, this, &MediaComponentView::refresh);
    connect(&component, &MediaComponent::seeked, this, &MediaComponentView::refresh);
    connect(&component, &MediaComponent::playingChanged, this, [this](bool playing) {
        if (playing) {
            m_tick->start();
        } else {
            m_tick->stop();
        }
    });
    refresh();
}

void MediaComponentView::addBesideSeek(QWidget* controls) {
    const int at = m_row->indexOf(m_time) + 1;
    m_row->insertSpacing(at, 6);
    m_row->insertWidget(at + 1, controls);
    // Laid out now, not at the next show: the row may be added to after the window is up.
    m_row->activate();
}

QString MediaComponentView::timeText(double position, double duration) {
    const bool hours = duration >= 3600 || position >= 3600;
    return clockText(position, hours) + QStringLiteral(" / ") + clockText(duration, hours);
}

void MediaComponentView::fillSeekMenu(QMenu& menu) {
    const bool enabled = m_seek->isEnabled();
    auto item = [&](const QString& text, std::function<double()> target) {
        QAction* a = menu.addAction(text);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, target = std::move(target)] {
            m_component.setPosition(std::max(0.0, target()));
            refresh();
        });
    };
    item(tr("Back 5 seconds"), [this] { return m_component.position() - 5; });
    item(tr("Ahead 5 seconds"), [this] { return m_component.position() + 5; });
    item(tr("To the start"), [] { return 0.0; });
}

void MediaComponentView::togglePlayPause() {
    if (m_component.isPlaying()) {
        m_component.pause();
    } else {
        m_component.play();
    }
    refresh();
}

void MediaComponentView::refresh() {
    const bool track = m_component.hasTrack();
    const double length = track ? m_component.length() : 0;
    const double position = track ? m_component.position() : 0;
    const bool playing = m_component.isPlaying();

    m_playPause->setEnabled(track);
    m_stop->setEnabled(track);
    m_seek->setEnabled(track && length > 0);
    m_playPause->setIcon(glyph(playing ? Glyph::Pause : Glyph::Play));
    m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
    m_playPause->setAccessibleName(m_playPause->toolTip());
    if (!m_seek->isSliderDown()) {
        m_seek->setRange(0, static_cast<int>(std::lround(length * 1000)));
        m_seek->setValue(static_cast<int>(std::lround(std::min(position, length) * 1000)));
        m_time->setText(timeText(position, length));
    }
    if (playing && !m_tick->isActive()) {
        m_tick->start();
    }
}

void MediaComponentView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    p.fillPath(panel, QColor(0x20, 0x21, 0x24));
    p.setPen(QColor(0x3c, 0x40, 0x43));
    p.drawPath(panel);
}
