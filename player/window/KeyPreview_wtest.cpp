// Keys as they really arrive at the window: mode keys let go while a modal box has the focus,
// AltGr, letters typed on a non-Latin layout, and fast keys let go just before the other one.

#include "marks/Colours.h"
#include "marks/KeyPreview.h"
#include "player/RehearsalRig.h"
#include "practice/LoopBetweenMarks.h"
#include "window/PracticeTools.h"

#include <QtTest>

#include <clocale>

namespace {

// X11 key codes of the B, L and Z keys (evdev scan code + 8).
constexpr quint32 kKeyB = 56, kKeyL = 46, kKeyZ = 52;

// A track with mark 3 at 30 s, the player standing at 50 s.
struct MarkedRig : RehearsalRig {
    QString track = path("Song.mp3");
    MarkedRig() {
        w->show();
        open(track);
        standAt(30);
        ctrlClick(2);
        standAt(50);
        platform.messages.clear();
    }
    // A key with the native scan code a keyboard sends with it.
    void typeNative(int qtKey, quint32 scanCode, Qt::KeyboardModifiers modifiers) {
        QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, scanCode, 0, 0);
        QApplication::sendEvent(w->cmdPlay, &press);
        QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, scanCode, 0, 0);
        QApplication::sendEvent(w->cmdPlay, &release);
    }
};

} // namespace

class KeyPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    // The user holds a mode key, opens the file dialog with F1, lets go of the key while the
    // dialog (or the box that follows a cancelled dialog) is up, and then goes to mark 3.
    void aModeKeyLetGoInAModalBoxIsNoLongerHeld_data() {
        QTest::addColumn<int>("modeKey");
        QTest::addColumn<int>("releasedInBox");
        QTest::addColumn<bool>("byClick");
        QTest::newRow("Ctrl let go in the file dialog, then 3")
            << int(Qt::Key_Control) << 1 << false;
        QTest::newRow("Ctrl let go in the message box, then 3")
            << int(Qt::Key_Control) << 2 << false;
        QTest::newRow("Ctrl let go in the file dialog, then button 3")
            << int(Qt::Key_Control) << 1 << true;
        QTest::newRow("Alt let go in the file dialog, then 3") << int(Qt::Key_Alt) << 1 << false;
        QTest::newRow("Alt let go in the message box, then button 3")
            << int(Qt::Key_Alt) << 2 << true;
    }

    void aModeKeyLetGoInAModalBoxIsNoLongerHeld() {
        QFETCH(int, modeKey);
        QFETCH(int, releasedInBox);
        QFETCH(bool, byClick);
        MarkedRig rig;
        const auto mode = modeKey == Qt::Key_Control ? Qt::ControlModifier : Qt::AltModifier;
        QWidget box; // the modal box's window, where the release goes
        int boxes = 0;
        rig.platform.whileModal = [&] {
            if (++boxes == releasedInBox) {
                rig.keyRelease(modeKey, mode, &box);
            }
        };
        rig.keyPress(modeKey);
        rig.keyPress(Qt::Key_F1, mode);
        rig.keyRelease(Qt::Key_F1, mode);
        QCOMPARE(rig.platform.messageTexts(), QStringList{"Please select a file"});
        rig.platform.whileModal = nullptr;

        if (byClick) {
            QTest::mouseClick(&rig.w->keypad->cmdMark(2), Qt::LeftButton);
        } else {
            rig.keyPress(Qt::Key_3);
            rig.keyRelease(Qt::Key_3);
        }
        QCOMPARE(rig.w->hybrid().position(), 30.0);
        QCOMPARE(rig.stored(rig.track, "2"), QStringLiteral("30"));
        QVERIFY(rig.w->marks().isSet(2));
        QCOMPARE(rig.colour(2), Colours::LightRed);
    }

    // AltGr arrives as its own key, with Qt's group-switch modifier on the keys typed with it.
    void altGrActsAsCtrlAndAltTogether_data() {
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<bool>("setAfter");
        QTest::newRow("AltGr+3 sets mark 3") << false << true;
        QTest::newRow("AltGr with button 3 clears it") << true << false;
    }

    void altGrActsAsCtrlAndAltTogether() {
        QFETCH(bool, byClick);
        QFETCH(bool, setAfter);
        MarkedRig rig;
        rig.keyPress(Qt::Key_AltGr);
        if (byClick) {
            QTest::mouseClick(&rig.w->keypad->cmdMark(2), Qt::LeftButton);
        } else {
            rig.keyPress(Qt::Key_3, Qt::GroupSwitchModifier);
            rig.keyRelease(Qt::Key_3, Qt::GroupSwitchModifier);
        }
        rig.keyRelease(Qt::Key_AltGr, Qt::GroupSwitchModifier);
        QCOMPARE(rig.w->marks().isSet(2), setAfter);
        QCOMPARE(rig.stored(rig.track, "2"), setAfter ? QStringLiteral("50") : QString());
        QVERIFY(!rig.w->marks().model().setMode());
        QVERIFY(!rig.w->marks().model().clearMode());
        QVERIFY(rig.platform.messages.empty());
    }

    // Russian layout: the keys of B, L and Z type И, Д and Я.
    void commandLettersWorkOnANonLatinLayout() {
        MarkedRig rig;
        rig.w->WMP1->controls().play();
        const int pauses = rig.wmp().pauses;
        rig.typeNative(0x0418, kKeyB, Qt::NoModifier);
        QCOMPARE(rig.wmp().pauses, pauses + 1);

        rig.keyPress(Qt::Key_3);
        rig.keyRelease(Qt::Key_3);
        rig.typeNative(0x0414, kKeyL, Qt::NoModifier);
        QVERIFY(rig.practice().loop().active());
        rig.typeNative(0x0414, kKeyL, Qt::NoModifier);
        QVERIFY(!rig.practice().loop().active());

        rig.altClick(2);
        QVERIFY(!rig.w->marks().isSet(2));
        rig.withModes(Qt::ControlModifier,
                      [&] { rig.typeNative(0x042F, kKeyZ, Qt::ControlModifier); });
        QVERIFY(rig.w->marks().isSet(2));
        QCOMPARE(rig.stored(rig.track, "2"), QStringLiteral("30"));
    }

    // The release of one fast key held back for auto-repeat lands before a press of the other
    // fast key, never after it.
    void aFastKeyLetGoNeverStopsTheOtherDirection_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("mode");
        QTest::newRow("Right then Left") << int(Qt::Key_Right) << int(Qt::Key_Left) << "rw";
        QTest::newRow("Left then Right") << int(Qt::Key_Left) << int(Qt::Key_Right) << "ff";
        QTest::newRow("media next then previous")
            << int(Qt::Key_MediaNext) << int(Qt::Key_MediaPrevious) << "rw";
    }

    void aFastKeyLetGoNeverStopsTheOtherDirection() {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, mode);
        MarkedRig rig;
        rig.keyPress(first);
        rig.keyRelease(first);
        rig.keyPress(second);
        QTest::qWait(3 * KeyPreview::kRepeatGapMs);
        QVERIFY(rig.w->tmrFast.isActive());
        QCOMPARE(rig.w->tmrFastTag, mode);
        rig.keyRelease(second);
        QTRY_VERIFY(!rig.w->tmrFast.isActive());
    }
};

QTEST_MAIN(KeyPreviewTest)
#include "KeyPreview_wtest.moc"
