// Keys and clicks that come while a track opens: they act on the track being opened once it
// has started, in the order they came, and never on the track that is being left; none is lost.
// Each case runs with a track that starts at once and with one that starts later.

#include "app/RehearsalPlayer.h"
#include "marks/Colours.h"
#include "player/RehearsalRig.h"
#include "window/MediaComponentView.h"

#include <QtTest>

#include <clocale>
#include <functional>

class OpenTrackKeysTest : public QObject {
    Q_OBJECT
    using Rig = RehearsalRig;
    using State = MediaBackend::State;

    // Opens `file` through the OPEN button; `during` runs while it opens (before it has
    // started when `slow`, right after the button returns otherwise). Returns once the window
    // shows the track.
    static bool openWith(Rig& r, const QString& file, bool slow,
                         const std::function<void()>& during) {
        FakeMediaBackend& b = file.endsWith(QLatin1String(".wav")) ? r.mp() : r.wmp();
        if (slow) {
            b.opensAtOnce = false;
            QTimer::singleShot(0, r.w, during);
            QTimer::singleShot(30, r.w, [&b] {
                b.opensAtOnce = true;
                b.finishOpening();
            });
        }
        r.platform.dialogFiles.push_back(file);
        QTest::mouseClick(r.w->cmdOpen, Qt::LeftButton);
        if (!slow) {
            during();
        }
        const QString title = QFileInfo(file).completeBaseName();
        return QTest::qWaitFor([&] { return r.w->lblTitle->text() == title; }, 5000);
    }

    static void speeds() {
        QTest::addColumn<bool>("slow");
        QTest::newRow("track starts at once") << false;
        QTest::newRow("track starts later") << true;
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        qputenv("XDG_CONFIG_HOME", QByteArray("/nonexistent-config-for-tests"));
    }

    void marksSetWhileATrackOpensBelongToIt_data() { speeds(); }
    void marksSetWhileATrackOpensBelongToIt() {
        QFETCH(bool, slow);
        Rig r;
        QVERIFY(r.showActive());
        const QString good = r.path("Good.wav");
        const QString next = r.path("Next.mp3");
        r.open(good);
        r.standAt(30);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        QCOMPARE(r.stored(good, "2"), QStringLiteral("30"));
        r.standAt(40);

        // Ctrl+3 typed, and mark 5's button clicked with Ctrl held, Ctrl let go at once.
        QVERIFY(openWith(r, next, slow, [&] {
            r.typeWith(Qt::ControlModifier, Qt::Key_3);
            r.platform.modifiers = Qt::ControlModifier;
            QTest::mouseClick(&r.w->keypad->cmdMark(4), Qt::LeftButton, Qt::ControlModifier);
            r.platform.modifiers = Qt::NoModifier;
        }));
        QTRY_COMPARE(r.stored(next, "4"), QStringLiteral("0"));
        QCOMPARE(r.stored(next, "2"), QStringLiteral("0"));
        QCOMPARE(r.stored(good, "2"), QStringLiteral("30"));
        QCOMPARE(r.stored(good, "4"), QStringLiteral("<none>"));
        QCOMPARE(r.colour(2), Colours::Yellow);
        QCOMPARE(r.colour(4), Colours::Yellow);
        QVERIFY(r.platform.messages.empty());
        QVERIFY(!r.platform.waitCursor);
    }

    void steppingWhileATrackReopensGoesToItsMarks_data() { speeds(); }
    void steppingWhileATrackReopensGoesToItsMarks() {
        QFETCH(bool, slow);
        Rig r;
        const QString chorus = r.path("Chorus.mp3");
        r.open(chorus);
        r.standAt(50);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        r.standAt(20);
        r.typeWith(Qt::ControlModifier, Qt::Key_5);
        r.open(r.path("Other.wav"));

        // Page Down, then the desktop's "next": mark 3 (lowest numbered), then mark 5.
        QVERIFY(openWith(r, chorus, slow, [&] {
            r.keyPress(Qt::Key_PageDown);
            r.keyRelease(Qt::Key_PageDown);
            r.root->player().nextMark();
        }));
        QTRY_COMPARE(r.wmp().position(), 20.0);
        QCOMPARE(r.colour(4), Colours::LightRed);
        QCOMPARE(r.colour(2), Colours::Yellow);
        QVERIFY(r.platform.messages.empty());
    }

    void playWhileATrackOpensPlaysThatTrackOnly_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("F2") << int(Qt::Key_F2);
    }
    void playWhileATrackOpensPlaysThatTrackOnly() {
        QFETCH(int, key);
        Rig r;
        const QString good = r.path("Good.wav");
        r.open(good);
        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        r.mp().advance(12);
        QTest::mouseClick(r.w->cmdPause, Qt::LeftButton);
        QCOMPARE(r.mp().state(), State::Paused);
        const qsizetype loadsBefore = r.mp().loads.size();

        QVERIFY(openWith(r, r.path("Next.mp3"), true, [&] {
            r.keyPress(key);
            r.keyRelease(key);
        }));
        QTRY_COMPARE(r.wmp().state(), State::Playing);
        QCOMPARE(r.wmp().path(), r.path("Next.mp3"));
        // The track left neither restarts nor plays on where STOP cannot reach it.
        QVERIFY(r.mp().state() != State::Playing);
        QCOMPARE(r.mp().loads.size(), loadsBefore);
        QTest::mouseClick(r.w->cmdStop, Qt::LeftButton);
        QVERIFY(r.wmp().state() != State::Playing);
        QVERIFY(r.mp().state() != State::Playing);
    }

    void aDialogCancelledWhileATrackOpensChangesNothing() {
        Rig r;
        r.open(r.path("Good.wav"));
        const QString next = r.path("Next.mp3");
        // F1 during the open; its dialog is cancelled.
        QVERIFY(openWith(r, next, true, [&] {
            r.keyPress(Qt::Key_F1);
            r.keyRelease(Qt::Key_F1);
        }));
        QCOMPARE(r.platform.messageTexts(), QStringList({"Please select a file"}));
        QCOMPARE(r.w->hybrid().CurrentTrack, next);
        QVERIFY(r.w->hybrid().WmpActive);
        QVERIFY(!r.w->WMP1View->isHidden());
        QCOMPARE(r.stored("system", "LastFile"), next);
        QCOMPARE(r.wmp().state(), State::Stopped);
        QVERIFY(!r.platform.waitCursor);
    }

    void aKeyTypedAsTheDialogClosesActsOnTheTrackChosen() {
        Rig r;
        const QString chorus = r.path("Chorus.mp3");
        r.open(chorus);
        r.standAt(50);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        r.standAt(20);
        // The same track again; 3 reaches the window in the moment between the dialog's
        // answer and the open.
        r.platform.whileModal = [&] {
            r.platform.whileModal = nullptr;
            r.keyPress(Qt::Key_3);
            r.keyRelease(Qt::Key_3);
        };
        r.open(chorus);
        QTRY_COMPARE(r.wmp().position(), 50.0);
        QCOMPARE(r.colour(2), Colours::LightRed);
    }

    void aTrackTooShortForTheStripStillTakesMarks() {
        Rig r;
        const QString good = r.path("Good.wav");
        const QString tiny = r.path("Tiny.wav");
        r.open(good);
        r.standAt(30);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        r.mp().setDurationFor(tiny, 0.3);
        // The open is told as any other (the desktop's player controls, the practice tools and
        // a screen reader hear of it), also when the length is not known yet, as with a pipe.
        QSignalSpy opened(r.w, &frmRehearsal::trackOpened);
        r.platform.announcements.clear();
        r.open(tiny);
        QCOMPARE(r.w->hybrid().CurrentTrack, tiny);
        QCOMPARE(r.stored("system", "LastFile"), tiny);
        QCOMPARE(opened.size(), 1);
        QVERIFY(r.platform.announcements.join('|').contains(QStringLiteral("Opened Tiny")));
        // Nothing is laid out, and no message: the strip has no scale for so short a track.
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.colour(2), Colours::ButtonFace);

        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.stored(tiny, "2"), QStringLiteral("0"));
        QCOMPARE(r.stored(good, "2"), QStringLiteral("30"));
        QCOMPARE(r.colour(2), Colours::Yellow);
        r.press(vk::Digit0 + 3);
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.colour(2), Colours::LightRed);
    }

    // A pipe's length reads as what has come of its sound when it opens (a fraction of a
    // second), its whole length later: then the strip gets its scale and shows the marks, the
    // stored ones and one set meanwhile.
    void aTrackWhoseLengthComesLaterGetsItsStripThen() {
        Rig r;
        const QString pipe = r.path("Pipe.wav");
        r.store->write("Tavrel", pipe, "4", "60");
        r.mp().setDurationFor(pipe, 0.2);
        r.open(pipe);
        QCOMPARE(r.w->marks().model().stripScale(), int16_t(0));
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        QCOMPARE(r.stored(pipe, "2"), QStringLiteral("0"));

        r.mp().lengthBecomesKnown(120);
        QVERIFY(r.w->marks().model().stripScale() > 0);
        QVERIFY(r.platform.messages.empty());
        MarkStrip& strip = r.w->strip();
        QVERIFY(strip.highestSlot() >= 4);
        QVERIFY(!strip.lblMark(4).isHidden());
        QVERIFY(!strip.lblMark(2).isHidden());
        QVERIFY(strip.lblMark(4).x() > strip.lblMark(2).x());
        QCOMPARE(r.colour(2), Colours::Yellow);
        QCOMPARE(r.colour(4), Colours::Yellow);
        QCOMPARE(r.stored(pipe, "4"), QStringLiteral("60"));
    }

    // Its stored marks have no place on the strip, yet they clear, and one undo puts them back.
    void aTrackTooShortForTheStripClearsItsStoredMarks() {
        Rig r;
        const QString tiny = r.path("Tiny.wav");
        r.store->write("Tavrel", tiny, "4", "0.1");
        r.store->write("Tavrel", tiny, "Note_4", "Pick-up");
        r.mp().setDurationFor(tiny, 0.3);
        r.open(tiny);
        QCOMPARE(r.colour(4), Colours::Yellow);

        r.typeWith(Qt::AltModifier, Qt::Key_5);
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.colour(4), Colours::ButtonFace);
        QCOMPARE(r.stored(tiny, "4"), QString());
        QVERIFY(!r.w->marks().isSet(4));

        r.typeWith(Qt::ControlModifier, Qt::Key_Z);
        QCOMPARE(r.stored(tiny, "4"), QStringLiteral("0.1"));
        QCOMPARE(r.stored(tiny, "Note_4"), QStringLiteral("Pick-up"));
        QVERIFY(r.w->marks().isSet(4));
        QCOMPARE(r.colour(4), Colours::Yellow);
    }
};

QTEST_MAIN(OpenTrackKeysTest)
#include "OpenTrackKeys_wtest.moc"
