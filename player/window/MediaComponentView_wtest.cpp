#include "window/MediaComponentView.h"

#include "engine/MediaPlayer.h"
#include "player/FakeMediaBackend.h"

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

class MediaComponentView_wtest : public QObject {
    Q_OBJECT
private slots:
    void timeText_data();
    void timeText();
    void controlsFollowTheComponent();
    void seekBarMovesTheComponent();
    void volumeAndMute();
    void looksTidy();
};

void MediaComponentView_wtest::timeText_data() {
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << 0.0 << 0.0 << "0:00 / 0:00";
    QTest::newRow("minutes") << 65.9 << 200.0 << "1:05 / 3:20";
    QTest::newRow("hour-long") << 61.0 << 3725.5 << "0:01:01 / 1:02:05";
}

void MediaComponentView_wtest::timeText() {
    QFETCH(double, position);
    QFETCH(double, duration);
    QFETCH(QString, text);
    QCOMPARE(MediaComponentView::timeText(position, duration), text);
}

void MediaComponentView_wtest::controlsFollowTheComponent() {
    auto* fake = new FakeMediaBackend;
    fake->setDuration(200);
    MediaPlayer mp1{std::unique_ptr<MediaBackend>(fake)};
    MediaComponentView view(mp1);
    QVERIFY(!view.playPauseButton()->isEnabled());
    QVERIFY(!view.seekSlider()->isEnabled());

    mp1.setFileName(QStringLiteral("/t/a.wav"));
    fake->advance(65.2);
    view.refresh();
    QVERIFY(view.playPauseButton()->isEnabled());
    QCOMPARE(view.timeLabel()->text(), QStringLiteral("1:05 / 3:20"));
    QCOMPARE(view.seekSlider()->value(), 65200);
    QCOMPARE(view.playPauseButton()->toolTip(), QStringLiteral("Pause"));

    view.playPauseButton()->click();
    QCOMPARE(mp1.PlayState(), static_cast<int>(MediaPlayer::mpPaused));
    QCOMPARE(view.playPauseButton()->toolTip(), QStringLiteral("Play"));
    view.playPauseButton()->click();
    QCOMPARE(mp1.PlayState(), static_cast<int>(MediaPlayer::mpPlaying));

    view.stopButton()->click();
    QCOMPARE(mp1.PlayState(), static_cast<int>(MediaPlayer::mpStopped));
    QCOMPARE(view.timeLabel()->text(), QStringLiteral("0:00 / 3:20"));
    QCOMPARE(mp1.FileName(), QStringLiteral("/t/a.wav"));
}

void MediaComponentView_wtest::seekBarMovesTheComponent() {
    auto* fake = new FakeMediaBackend;
    MediaPlayer mp1{std::unique_ptr<MediaBackend>(fake)};
    MediaComponentView view(mp1);
    mp1.setFileName(QStringLiteral("/t/a.wav"));
    QSlider* seek = view.seekSlider();
    seek->setSliderDown(true);
    seek->setSliderPosition(42500);
    fake->advance(1);
    view.refresh(); // a refresh while dragging leaves the handle where the user holds it
    QCOMPARE(seek->value(), 42500);
    seek->setSliderDown(false);
    QCOMPARE(fake->seeks, (std::vector<double>{42.5}));
    QCOMPARE(mp1.CurrentPosition(), 42.5);
}

void MediaComponentView_wtest::volumeAndMute() {
    auto* fake = new FakeMediaBackend;
    MediaPlayer mp1{std::unique_ptr<MediaBackend>(fake)};
    MediaComponentView view(mp1);
    view.volumeSlider()->setValue(60);
    QCOMPARE(fake->volume(), 60);
    auto* mute = view.findChildren<QToolButton*>().last();
    mute->click();
    QCOMPARE(fake->volume(), 0);
    mute->click();
    QCOMPARE(fake->volume(), 60);
}

void MediaComponentView_wtest::looksTidy() {
    auto* fake = new FakeMediaBackend;
    fake->setDuration(245.3);
    MediaPlayer mp1{std::unique_ptr<MediaBackend>(fake)};
    MediaComponentView view(mp1);
    view.resize(view.sizeHint());
    mp1.setFileName(QStringLiteral("/t/a.wav"));
    fake->advance(83.5);
    view.refresh();
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.size(), QSize(736, 60));
    // The panel is dark with rounded corners: the corner pixel is not painted.
    QVERIFY(qAlpha(shot.pixel(0, 0)) < 255 || shot.pixel(0, 0) != shot.pixel(30, 30));
    shot.save(QStringLiteral("MediaComponentView.png"));
}

QTEST_MAIN(MediaComponentView_wtest)
#include "MediaComponentView_wtest.moc"
