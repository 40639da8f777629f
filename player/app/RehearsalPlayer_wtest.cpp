// The player as the desktop's media controls see it, on the real window with fake back ends:
// jumps reported as seeks, the seek bar's seek, the speed held and snapped as the speed keys
// hold it, the volume slider, the loop between marks and the window's open.

#include "app/RehearsalPlayer.h"
#include "engine/PracticeTempo.h"
#include "marks/Colours.h"
#include "player/RehearsalRig.h"
#include "practice/LoopBetweenMarks.h"
#include "window/MediaComponentView.h"

#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <clocale>

class RehearsalPlayerTest : public QObject {
    Q_OBJECT

    // Marks 1 and 2 at 2 s and 5 s, mark 1 gone to, paused there.
    static void marksAt2And5(RehearsalRig& rig, const QString& track) {
        rig.open(track);
        rig.standAt(2);
        rig.ctrlClick(0);
        rig.standAt(5);
        rig.ctrlClick(1);
        rig.press('1');
    }

    static std::vector<double> seconds(const QSignalSpy& spy) {
        std::vector<double> out;
        for (const QList<QVariant>& args : spy) {
            out.push_back(args.at(0).toDouble());
        }
        return out;
    }

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void everyJumpOfTheCurrentTrackIsASeek() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        // The WAV stays loaded in its component while the MP3 plays.
        rig.open(rig.path("Before.wav"));
        marksAt2And5(rig, rig.path("Take.mp3"));
        QSignalSpy seeked(&player, &PlayerInterface::seeked);

        player.setPosition(30);
        QCOMPARE(rig.wmp().position(), 30.0);
        rig.press(vk::PageDown);
        QCOMPARE(rig.wmp().position(), 5.0);
        rig.press('1');
        // A loop with a lead-in starts with a jump to it; every turn back jumps there again.
        rig.practice().loop().setLeadIn(1);
        rig.press(vk::KeyL);
        rig.w->WMP1->controls().play();
        rig.wmp().advance(4.5);
        QCOMPARE(seconds(seeked), (std::vector<double>{30, 5, 2, 1, 1}));
        rig.press(vk::KeyL);

        // Ordinary playback and the component not in use are not.
        seeked.clear();
        rig.wmp().advance(1);
        rig.mp().seek(3);
        QCOMPARE(seeked.count(), 0);
    }

    void aSeekAskedForWhileATrackOpensActsOnTheNewTrack() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        rig.open(rig.path("First.mp3"));
        rig.wmp().opensAtOnce = false;
        rig.open(rig.path("Second.mp3"));
        player.setPosition(12);
        QVERIFY(rig.wmp().seeks.empty() || rig.wmp().seeks.back() != 12);
        rig.wmp().finishOpening();
        QTRY_COMPARE(rig.w->hybrid().CurrentTrack, rig.path("Second.mp3"));
        QCOMPARE(rig.wmp().position(), 12.0);
    }

    void rateIsHeldAndSnappedAsTheSpeedKeysDo_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("percent");
        QTest::newRow("between steps") << 0.73 << 75;
        QTest::newRow("just below a step") << 0.724 << 70;
        QTest::newRow("above the range") << 3.0 << 150;
        QTest::newRow("below the range") << 0.1 << 50;
        QTest::newRow("far above") << 1e300 << 150;
        QTest::newRow("normal") << 1.0 << 100;
    }

    void rateIsHeldAndSnappedAsTheSpeedKeysDo() {
        QFETCH(double, rate);
        QFETCH(int, percent);
        RehearsalRig rig;
        rig.open(rig.path("Take.mp3"));
        rig.root->player().setRate(rate);
        QCOMPARE(rig.practice().tempo().speedPercent(), percent);
        QCOMPARE(rig.root->player().rate(), percent / 100.0);
    }

    void volumeMovesTheSliderOfTheTrackInUse() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        QSignalSpy changed(&player, &PlayerInterface::volumeChanged);
        rig.open(rig.path("Take.mp3"));
        player.setVolume(0.4);
        QCOMPARE(rig.w->WMP1View->volumeSlider()->value(), 40);
        QCOMPARE(rig.wmp().volume(), 40);
        QCOMPARE(player.volume(), 0.4);
        QCOMPARE(changed.count(), 1);

        rig.open(rig.path("Take.wav"));
        player.setVolume(0.25);
        QCOMPARE(rig.w->mp1View->volumeSlider()->value(), 25);
        QCOMPARE(rig.mp().volume(), 25);
        QCOMPARE(rig.w->WMP1View->volumeSlider()->value(), 40);
        QCOMPARE(player.volume(), 0.25);
    }

    void loopStartsAtTheCurrentMarkAndEnds() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        QSignalSpy changed(&player, &PlayerInterface::loopingChanged);
        marksAt2And5(rig, rig.path("Take.mp3"));
        player.setLooping(true);
        QVERIFY(player.looping());
        QCOMPARE(rig.wmp().loopFrom(), 2.0);
        QCOMPARE(rig.wmp().loopTo(), 5.0);
        // Asked again it keeps running rather than toggling off.
        player.setLooping(true);
        QVERIFY(rig.practice().loop().active());
        player.setLooping(false);
        QVERIFY(!player.looping());
        QVERIFY(!rig.wmp().looping());
        player.setLooping(false);
        QCOMPARE(changed.count(), 2);
    }

    // The desktop's next and previous step between marks as PageDown and PageUp do, not
    // while a mode key is held; raise and quit act on the window.
    void nextAndPreviousStepBetweenMarksRaiseAndQuitTheWindow() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        marksAt2And5(rig, rig.path("Take.mp3"));
        player.nextMark();
        QCOMPARE(rig.w->marks().model().current(), int16_t(1));
        QCOMPARE(rig.wmp().position(), 5.0);
        QCOMPARE(rig.colour(1), Colours::LightRed);
        player.nextMark(); // nothing after the last mark
        QCOMPARE(rig.w->marks().model().current(), int16_t(1));
        rig.platform.modifiers = Qt::ControlModifier;
        player.previousMark();
        QCOMPARE(rig.w->marks().model().current(), int16_t(1));
        rig.platform.modifiers = Qt::NoModifier;
        player.previousMark();
        QCOMPARE(rig.w->marks().model().current(), int16_t(0));
        QCOMPARE(rig.wmp().position(), 2.0);
        QVERIFY(rig.platform.messages.empty());

        rig.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.w));
        player.raise();
        QVERIFY(rig.w->isVisible());
        player.quit();
        QVERIFY(!rig.w->isVisible());
    }

    void openFileOpensAsTheWindowDoesWithItsMessage() {
        RehearsalRig rig;
        RehearsalPlayer& player = rig.root->player();
        rig.wmp().fileTags = {{QStringLiteral("title"), QStringLiteral("Blue Hour")}};
        player.openFile(rig.path("Take 1.mp3"));
        QTRY_COMPARE(player.currentTrack(), rig.path("Take 1.mp3"));
        QCOMPARE(rig.w->lblTitle->text(), QStringLiteral("Take 1"));
        QCOMPARE(player.tags().value(QStringLiteral("title")), QStringLiteral("Blue Hour"));
        QVERIFY(rig.platform.messages.empty());

        rig.wmp().failLoadOf(rig.path("broken.mp3"),
                             QStringLiteral("Failed to recognize file format."));
        player.openFile(rig.path("broken.mp3"));
        QTRY_COMPARE(rig.platform.messages.size(), size_t(1));
        QVERIFY(rig.platform.messages[0].text.contains(QStringLiteral("cannot play")));
        QCOMPARE(player.currentTrack(), rig.path("Take 1.mp3"));
    }
};

QTEST_MAIN(RehearsalPlayerTest)
#include "RehearsalPlayer_wtest.moc"
