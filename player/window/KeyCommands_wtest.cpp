// Every key command, one row per key and mode, on the real window with fake players.

#include "player/RehearsalRig.h"

#include <QtTest>

#include <clocale>

namespace {

enum class Mode { None, Ctrl, Alt, CtrlAlt };
enum class Effect {
    GoTo,
    Set,
    Clear,
    Toggle,
    FastForward,
    Rewind,
    Open,
    Play,
    Pause,
    Stop,
    Nothing
};

struct Row {
    const char* name;
    int key;
    Mode mode;
    Effect effect;
    int mark = -1;
};

const Row kRows[] = {
    {"3", '3', Mode::None, Effect::GoTo, 2},
    {"keypad 3", vk::Numpad0 + 3, Mode::None, Effect::GoTo, 2},
    {"0 is mark 10", '0', Mode::None, Effect::GoTo, 9},
    {"keypad 0", vk::Numpad0, Mode::None, Effect::GoTo, 9},
    {"Ctrl+3", '3', Mode::Ctrl, Effect::Set, 2},
    {"Ctrl+keypad 9", vk::Numpad0 + 9, Mode::Ctrl, Effect::Set, 8},
    {"Alt+3", '3', Mode::Alt, Effect::Clear, 2},
    {"Ctrl+Alt+3 sets", '3', Mode::CtrlAlt, Effect::Set, 2},
    {"Space", vk::Space, Mode::None, Effect::Toggle},
    {"Enter", vk::Enter, Mode::None, Effect::Toggle},
    {"Shift", vk::Shift, Mode::None, Effect::Toggle},
    {"Ctrl+Space", vk::Space, Mode::Ctrl, Effect::Toggle},
    {"Right", vk::Right, Mode::None, Effect::FastForward},
    {"Ctrl+Right", vk::Right, Mode::Ctrl, Effect::FastForward},
    {"Left", vk::Left, Mode::None, Effect::Rewind},
    {"media next", vk::MediaNext, Mode::None, Effect::FastForward},
    {"media previous", vk::MediaPrevious, Mode::Alt, Effect::Rewind},
    {"Up resumes", vk::Up, Mode::None, Effect::Toggle},
    {"Escape", vk::Escape, Mode::None, Effect::Stop},
    {"Ctrl+Escape", vk::Escape, Mode::Ctrl, Effect::Stop},
    {"media stop", vk::MediaStop, Mode::None, Effect::Stop},
    {"Ctrl+media stop", vk::MediaStop, Mode::Ctrl, Effect::Nothing},
    {"media play", vk::MediaPlayPause, Mode::None, Effect::Play},
    {"F1", vk::F1, Mode::None, Effect::Open},
    {"Ctrl+F1", vk::F1, Mode::Ctrl, Effect::Open},
    {"F2", vk::F1 + 1, Mode::Ctrl, Effect::Play},
    {"F3", vk::F1 + 2, Mode::Alt, Effect::Pause},
    {"F4", vk::F1 + 3, Mode::Ctrl, Effect::Stop},
    {"F5", vk::F5, Mode::None, Effect::Play},
    {"Ctrl+F5", vk::F5, Mode::Ctrl, Effect::Nothing},
    {"B", vk::KeyB, Mode::None, Effect::Pause},
    {"Ctrl+B", vk::KeyB, Mode::Ctrl, Effect::Nothing},
    {"Page Down", vk::PageDown, Mode::None, Effect::GoTo, 0},
    {"Ctrl+Page Down", vk::PageDown, Mode::Ctrl, Effect::Nothing},
    {"Ctrl+Page Up", vk::PageUp, Mode::Ctrl, Effect::Nothing},
    {"Alt+Page Down", vk::PageDown, Mode::Alt, Effect::Nothing},
};

} // namespace

class KeyCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void keyTable_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kRows)); ++i) {
            QTest::newRow(kRows[i].name) << i;
        }
    }

    void keyTable() {
        QFETCH(int, row);
        const Row& r = kRows[row];
        RehearsalRig rig;
        const QString track = rig.path("Table.mp3");
        rig.open(track);
        for (int i = 0; i < 10; ++i) {
            rig.standAt(10.0 * (i + 1));
            rig.ctrlClick(i);
            rig.platform.inputs = {QStringLiteral("note %1").arg(i)};
            rig.w->marks().cmdMark_MouseUp(i, 2);
        }
        rig.w->marks().model().setCurrent(-1);
        rig.w->WMP1->controls().play();
        rig.w->WMP1->controls().pause();
        rig.standAt(5);
        const int pausesBefore = rig.wmp().pauses;
        const int playsBefore = rig.wmp().plays;
        const int loadsBefore = rig.wmp().loads.size();
        rig.platform.messages.clear();
        rig.platform.dialogFilters.clear();

        if (r.mode == Mode::Ctrl || r.mode == Mode::CtrlAlt) {
            rig.keyPress(Qt::Key_Control);
        }
        if (r.mode == Mode::Alt || r.mode == Mode::CtrlAlt) {
            rig.keyPress(Qt::Key_Alt);
        }
        rig.w->keyDown(r.key);

        const bool fast = rig.w->tmrFast.isActive();
        switch (r.effect) {
        case Effect::GoTo:
            QCOMPARE(rig.w->marks().model().current(), int16_t(r.mark));
            QCOMPARE(rig.w->hybrid().position(), 10.0 * (r.mark + 1));
            QCOMPARE(rig.w->lblNote->text(), QStringLiteral("note %1").arg(r.mark));
            break;
        case Effect::Set:
            QCOMPARE(rig.stored(track, QString::number(r.mark)), QStringLiteral("5"));
            QCOMPARE(rig.w->marks().model().current(), int16_t(r.mark));
            break;
        case Effect::Clear:
            QVERIFY(!rig.w->marks().isSet(r.mark));
            QCOMPARE(rig.stored(track, QString::number(r.mark)), QString());
            QCOMPARE(rig.w->marks().note(r.mark), QString());
            break;
        case Effect::Toggle:
            QVERIFY(rig.w->WMP1->playState() == 3);
            QCOMPARE(rig.wmp().loads.size(), loadsBefore);
            break;
        case Effect::FastForward:
        case Effect::Rewind:
            QVERIFY(fast);
            QCOMPARE(rig.w->tmrFastTag,
                     QString::fromLatin1(r.effect == Effect::FastForward ? "ff" : "rw"));
            break;
        case Effect::Open:
            QCOMPARE(rig.platform.dialogFilters.size(), 1);
            break;
        case Effect::Play:
            QVERIFY(rig.wmp().plays > playsBefore || rig.wmp().loads.size() > loadsBefore);
            break;
        case Effect::Pause:
            QVERIFY(rig.wmp().pauses > pausesBefore);
            break;
        case Effect::Stop:
            QCOMPARE(rig.w->hybrid().position(), 0.0);
            break;
        case Effect::Nothing:
            QCOMPARE(rig.w->marks().model().current(), int16_t(-1));
            QCOMPARE(rig.w->hybrid().position(), 5.0);
            QCOMPARE(rig.wmp().pauses, pausesBefore);
            QCOMPARE(rig.wmp().plays, playsBefore);
            QCOMPARE(rig.wmp().loads.size(), loadsBefore);
            QVERIFY(!fast);
            break;
        }
        if (r.effect == Effect::Open) { // the dialog fake chooses nothing
            QCOMPARE(rig.platform.messageTexts(), QStringList{"Please select a file"});
        } else {
            QVERIFY(rig.platform.messages.empty());
        }

        rig.w->keyUp(r.key);
        if (KeyCommands::isFastKey(int16_t(r.key))) {
            QVERIFY(!rig.w->tmrFast.isActive());
        }
    }

    void ctrlAndAltWithAKeypadClickClears() {
        RehearsalRig rig;
        rig.open(rig.path("Both.mp3"));
        rig.standAt(12);
        rig.ctrlClick(4);
        rig.keyPress(Qt::Key_Control);
        rig.keyPress(Qt::Key_Alt);
        rig.w->marks().cmdMark_Click(4);
        QVERIFY(!rig.w->marks().isSet(4));
        rig.keyRelease(Qt::Key_Alt, Qt::AltModifier);
        rig.keyRelease(Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(!rig.w->marks().model().setMode());
        QVERIFY(!rig.w->marks().model().clearMode());
    }

    void aHeldFastKeyKeepsWindingThroughAutoRepeatReleases() {
        RehearsalRig rig;
        rig.open(rig.path("Held.mp3"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(rig.w->cmdPlay, &press);
        QVERIFY(rig.w->tmrFast.isActive());
        for (int i = 0; i < 5; ++i) {
            // X11 sends a release right before every repeated press.
            QApplication::sendEvent(rig.w->cmdPlay, &release);
            QApplication::sendEvent(rig.w->cmdPlay, &press);
            QVERIFY(rig.w->tmrFast.isActive());
        }
        QApplication::sendEvent(rig.w->cmdPlay, &release);
        QVERIFY(rig.w->tmrFast.isActive()); // the last release is confirmed a moment later
        QTRY_VERIFY(!rig.w->tmrFast.isActive());
        QVERIFY(rig.w->tmrFastTag.isEmpty());
    }

    void keysReachTheWindowWhicheverControlHasTheFocus() {
        RehearsalRig rig;
        rig.open(rig.path("Focus.mp3"));
        rig.standAt(30);
        rig.ctrlClick(0);
        rig.standAt(1);
        for (QWidget* target : {static_cast<QWidget*>(rig.w->cmdStop),
                                static_cast<QWidget*>(&rig.w->keypad->cmdMark(5))}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
            QApplication::sendEvent(target, &press);
            QCOMPARE(rig.w->marks().model().current(), int16_t(0));
            QVERIFY(press.isAccepted());
            rig.w->marks().model().setCurrent(-1);
        }
        // Keypad digits arrive as keypad keys: the same mark.
        QKeyEvent keypad(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier, QStringLiteral("1"));
        QApplication::sendEvent(rig.w->cmdPlay, &keypad);
        QCOMPARE(rig.w->marks().model().current(), int16_t(0));
    }
};

QTEST_MAIN(KeyCommandsTest)
#include "KeyCommands_wtest.moc"
