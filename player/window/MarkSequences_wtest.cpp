// Long random sequences of what a user does with marks, through the window's real keys and
// clicks: open tracks A, B and C (and D, which cannot be played), set, clear, go to, nudge, note,
// undo, Clear All with and without Ctrl, mode keys pressed and let go in any order (also while a
// modal box is up), and restarts of the player. After every step the store and the keypad are
// checked against a small reference of what they must hold. The seed is printed on failure;
// TAVREL_MARK_SEED repeats a run, TAVREL_MARK_STEPS sets its length.

#include "base/Runtime.h"
#include "marks/Colours.h"
#include "player/RehearsalRig.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <array>
#include <clocale>
#include <optional>

namespace {

const QStringList kTracks = {"A.mp3", "B.wav", "C.wma"};

struct StoredTrack {
    std::array<QString, 10> positions;
    std::array<QString, 10> notes;
};

// What the store and the window must hold, worked out from the user's actions alone.
struct Reference {
    QHash<QString, StoredTrack> store;
    QString track;
    std::array<bool, 10> shown{};
    std::array<QString, 10> notes;
    struct Undo {
        QString track;
        std::array<bool, 10> set{};
        std::array<QString, 10> positions;
        std::array<QString, 10> notes;
    };
    std::optional<Undo> undo;
    bool ctrl = false, alt = false, altGr = false;
    QStringList messages;

    StoredTrack& stored() { return store[track]; }

    void rememberForUndo() {
        bool anything = false;
        for (int i = 0; i < 10; ++i) {
            anything = anything || shown[i] || !notes[i].isEmpty();
        }
        if (!anything) {
            undo.reset();
            return;
        }
        Undo u{track, shown, {}, notes};
        for (int i = 0; i < 10; ++i) {
            if (shown[i]) {
                u.positions[i] = store[track].positions[i];
            }
        }
        undo = u;
    }
    void forget(int i) {
        if (!track.isEmpty()) {
            stored().positions[i].clear();
        }
    }
    void set(int i, double playerAt) {
        if (track.isEmpty()) {
            messages << "No File Chosen";
            return;
        }
        stored().positions[i] = numberText(playerAt);
        shown[i] = true;
        undo.reset();
    }
    void clear(int i, bool keyVariant) {
        if (shown[i] || (keyVariant && !notes[i].isEmpty())) {
            rememberForUndo();
        }
        shown[i] = false;
        if (keyVariant) {
            notes[i].clear();
        }
        forget(i);
    }
    // The position gone to, or nothing when the mark is not set.
    std::optional<double> goTo(int i) {
        if (!shown[i]) {
            messages << QStringLiteral("Setting for number %1 not made").arg(i + 1);
            return std::nullopt;
        }
        // The player keeps a seek within the track (245.3 s long here).
        return std::clamp(*parseNumber(stored().positions[i]), 0.0, 245.3);
    }
    void clearAll(bool keepNotes) {
        rememberForUndo();
        for (int i = 0; i < 10; ++i) {
            shown[i] = false;
            if (!keepNotes) {
                notes[i].clear();
            }
            forget(i);
        }
    }
    void open(const QString& path) {
        track = path;
        for (int i = 0; i < 10; ++i) {
            shown[i] = !stored().positions[i].isEmpty();
            notes[i] = stored().notes[i];
        }
        undo.reset();
    }
    void restart() {
        track.clear();
        shown = {};
        notes = {};
        undo.reset();
    }
    bool setMode() const { return ctrl || altGr; }
    bool clearMode() const { return alt || altGr; }
};

enum class Op {
    Open,
    OpenBroken,
    Restart,
    StandAt,
    DigitKey,
    KeypadClick,
    ClearAllClick,
    Nudge,
    Note,
    CtrlZ,
    PressMode,
    ReleaseMode,
    ReleaseModeInBox,
};

// How often each step comes, out of the sum.
const std::pair<Op, int> kWeights[] = {
    {Op::Open, 5},
    {Op::OpenBroken, 1},
    {Op::Restart, 1},
    {Op::StandAt, 10},
    {Op::DigitKey, 24},
    {Op::KeypadClick, 18},
    {Op::ClearAllClick, 3},
    {Op::Nudge, 8},
    {Op::Note, 5},
    {Op::CtrlZ, 5},
    {Op::PressMode, 10},
    {Op::ReleaseMode, 8},
    {Op::ReleaseModeInBox, 3},
};

const int kModeKeys[] = {Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr};

} // namespace

class MarkSequencesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void randomSequencesKeepStoreAndKeypadRight() {
        const quint32 seed = qEnvironmentVariableIsSet("TAVREL_MARK_SEED")
                                 ? qEnvironmentVariable("TAVREL_MARK_SEED").toUInt()
                                 : QRandomGenerator::global()->generate();
        const int steps = qEnvironmentVariableIsSet("TAVREL_MARK_STEPS")
                              ? qEnvironmentVariableIntValue("TAVREL_MARK_STEPS")
                              : 10000;
        QRandomGenerator random(seed);
        RehearsalRig rig;
        Reference ref;
        QWidget box; // the window of every modal box, where a key let go in one goes
        QStringList log;
        int step = 0;
        auto fail = [&](const QString& what) {
            return QStringLiteral("seed %1 (TAVREL_MARK_SEED=%1), step %2: %3\nlast steps:\n%4")
                .arg(seed)
                .arg(step)
                .arg(what, log.mid(std::max<qsizetype>(0, log.size() - 12)).join('\n'));
        };
        auto held = [&](int key) -> bool& {
            return key == Qt::Key_Control ? ref.ctrl : key == Qt::Key_Alt ? ref.alt : ref.altGr;
        };
        const QString broken = rig.path("D.mp3");
        const QString brokenReason = QStringLiteral("Failed to recognize file format.");
        auto showWindow = [&] {
            rig.wmp().failLoadOf(broken, brokenReason);
            rig.w->show();
            rig.w->activateWindow();
        };
        showWindow();

        int totalWeight = 0;
        for (const auto& [op, weight] : kWeights) {
            totalWeight += weight;
        }

        for (step = 1; step <= steps; ++step) {
            int pick = random.bounded(totalWeight);
            Op op = Op::Open;
            for (const auto& [o, weight] : kWeights) {
                if (pick < weight) {
                    op = o;
                    break;
                }
                pick -= weight;
            }
            rig.platform.messages.clear();
            ref.messages.clear();
            const int i = random.bounded(10);
            std::optional<double> expectAt;
            const Qt::KeyboardModifiers mods = rig.platform.modifiers;
            switch (op) {
            case Op::Open: {
                const QString path = rig.path(kTracks[random.bounded(3)]);
                log << "open " + path.section('/', -1);
                rig.platform.dialogFiles = {path};
                rig.keyPress(Qt::Key_F1, mods);
                rig.keyRelease(Qt::Key_F1, rig.platform.modifiers);
                ref.open(path);
                break;
            }
            case Op::OpenBroken:
                log << "open D (cannot be played)";
                rig.platform.dialogFiles = {broken};
                rig.keyPress(Qt::Key_F1, mods);
                rig.keyRelease(Qt::Key_F1, rig.platform.modifiers);
                ref.messages << QStringLiteral("Tavrel cannot play this track:\n%1\n\n%2")
                                    .arg(QDir::toNativeSeparators(broken), brokenReason);
                break;
            case Op::Restart:
                log << "restart";
                rig.restart();
                showWindow();
                ref.restart();
                break;
            case Op::StandAt: {
                const double at = random.bounded(2400) / 10.0;
                log << QStringLiteral("stand at %1").arg(at);
                rig.standAt(at);
                break;
            }
            case Op::DigitKey: {
                const int key = i == 9 ? Qt::Key_0 : Qt::Key_1 + i;
                log << QStringLiteral("key %1 (held %2)").arg(i + 1).arg(int(mods), 0, 16);
                const double playerAt = rig.w->hybrid().position();
                if (ref.setMode()) {
                    ref.set(i, playerAt);
                } else if (ref.clearMode()) {
                    ref.clear(i, true);
                } else {
                    expectAt = ref.goTo(i);
                }
                rig.keyPress(key, mods);
                rig.keyRelease(key, rig.platform.modifiers);
                break;
            }
            case Op::KeypadClick: {
                log << QStringLiteral("click %1 (held %2)").arg(i + 1).arg(int(mods), 0, 16);
                const double playerAt = rig.w->hybrid().position();
                if (ref.clearMode()) {
                    ref.clear(i, false);
                } else if (ref.setMode()) {
                    ref.set(i, playerAt);
                } else {
                    expectAt = ref.goTo(i);
                }
                QTest::mouseClick(&rig.w->keypad->cmdMark(i), Qt::LeftButton, mods);
                break;
            }
            case Op::ClearAllClick:
                log << QStringLiteral("click Clear All (held %1)").arg(int(mods), 0, 16);
                if (ref.clearMode()) {
                    // Alt with "Clear All" does nothing.
                } else if (ref.setMode()) {
                    if (ref.track.isEmpty()) {
                        ref.messages << "No File Chosen";
                    } else {
                        ref.clearAll(true);
                    }
                } else {
                    ref.clearAll(false);
                }
                QTest::mouseClick(&rig.w->keypad->cmdMark(11), Qt::LeftButton, mods);
                break;
            case Op::Nudge: {
                if (!ref.shown[i]) {
                    continue;
                }
                const bool ahead = random.bounded(2);
                log << QStringLiteral("nudge %1 %2").arg(i + 1).arg(ahead ? "ahead" : "back");
                QString& p = ref.stored().positions[i];
                p = numberText(*parseNumber(p) + (ahead ? 1.0 : -1.0));
                ref.undo.reset();
                QTest::mouseClick(&rig.w->strip().cmdNudge(i),
                                  ahead ? Qt::RightButton : Qt::LeftButton);
                break;
            }
            case Op::Note: {
                const QString text =
                    random.bounded(4) == 0 ? QString() : QStringLiteral("note %1").arg(step);
                log << QStringLiteral("note %1 '%2'").arg(i + 1).arg(text);
                rig.platform.inputs = {text};
                if (ref.shown[i] && !text.isEmpty()) {
                    ref.notes[i] = text;
                    ref.stored().notes[i] = text;
                    ref.undo.reset();
                }
                QTest::mouseClick(&rig.w->keypad->cmdMark(i), Qt::RightButton);
                rig.platform.inputs.clear();
                break;
            }
            case Op::CtrlZ: {
                log << "Ctrl+Z";
                const bool pressCtrl = !ref.ctrl;
                if (pressCtrl) {
                    rig.keyPress(Qt::Key_Control, rig.platform.modifiers);
                    ref.ctrl = true;
                }
                if (!ref.alt || ref.setMode()) {
                    if (ref.undo && !ref.track.isEmpty() && ref.undo->track == ref.track) {
                        for (int m = 0; m < 10; ++m) {
                            ref.stored().positions[m] =
                                ref.undo->set[m] ? ref.undo->positions[m] : QString();
                            ref.stored().notes[m] = ref.undo->notes[m];
                        }
                        ref.shown = ref.undo->set;
                        ref.notes = ref.undo->notes;
                        ref.undo.reset();
                    }
                }
                rig.keyPress(Qt::Key_Z, rig.platform.modifiers);
                rig.keyRelease(Qt::Key_Z, rig.platform.modifiers);
                if (pressCtrl) {
                    rig.keyRelease(Qt::Key_Control, rig.platform.modifiers);
                    ref.ctrl = false;
                }
                break;
            }
            case Op::PressMode: {
                const int key = kModeKeys[random.bounded(3)];
                if (held(key)) {
                    continue;
                }
                log << QStringLiteral("press mode key %1").arg(key, 0, 16);
                rig.keyPress(key, rig.platform.modifiers);
                held(key) = true;
                break;
            }
            case Op::ReleaseMode: {
                const int key = kModeKeys[random.bounded(3)];
                if (!held(key)) {
                    continue;
                }
                log << QStringLiteral("let go of mode key %1").arg(key, 0, 16);
                rig.keyRelease(key, rig.platform.modifiers);
                held(key) = false;
                break;
            }
            case Op::ReleaseModeInBox: {
                const int key = kModeKeys[random.bounded(3)];
                if (!held(key)) {
                    continue;
                }
                log << QStringLiteral("let go of mode key %1 in the next box").arg(key, 0, 16);
                rig.platform.whileModal = [&, key] {
                    rig.keyRelease(key, rig.platform.modifiers, &box);
                    held(key) = false;
                    rig.platform.whileModal = nullptr;
                };
                break;
            }
            }

            QVERIFY2(rig.platform.messageTexts() == ref.messages,
                     qPrintable(fail("messages " + rig.platform.messageTexts().join('|') +
                                     " expected " + ref.messages.join('|'))));
            if (expectAt) {
                QVERIFY2(rig.w->hybrid().position() == *expectAt,
                         qPrintable(fail(QStringLiteral("player at %1, expected %2")
                                             .arg(rig.w->hybrid().position())
                                             .arg(*expectAt))));
            }
            MarkPoints& marks = rig.w->marks();
            for (int m = 0; m < 10; ++m) {
                const bool coloured = rig.colour(m) != Colours::ButtonFace;
                QVERIFY2(marks.isSet(m) == ref.shown[m] && coloured == ref.shown[m],
                         qPrintable(fail(QStringLiteral("mark %1 shown %2, coloured %3")
                                             .arg(m + 1)
                                             .arg(marks.isSet(m))
                                             .arg(coloured))));
                QVERIFY2(marks.note(m) == ref.notes[m],
                         qPrintable(fail(QStringLiteral("note %1 is '%2', expected '%3'")
                                             .arg(m + 1)
                                             .arg(marks.note(m), ref.notes[m]))));
            }
            const bool everything = step % 50 == 0 || step == steps;
            for (const QString& name : kTracks) {
                const QString path = rig.path(name);
                if (!everything && path != ref.track) {
                    continue;
                }
                const StoredTrack& want = ref.store[path];
                for (int m = 0; m < 10; ++m) {
                    const QString pos = rig.store->read("Tavrel", path, QString::number(m), {});
                    const QString note =
                        rig.store->read("Tavrel", path, QStringLiteral("Note_%1").arg(m), {});
                    QVERIFY2(
                        pos == want.positions[m] && note == want.notes[m],
                        qPrintable(fail(QStringLiteral("%1 mark %2 stored '%3' note '%4', "
                                                       "expected '%5' '%6'")
                                            .arg(name)
                                            .arg(m + 1)
                                            .arg(pos, note, want.positions[m], want.notes[m]))));
                }
            }
        }
        qInfo("%d steps with seed %u", steps, seed);
    }
};

QTEST_MAIN(MarkSequencesTest)
#include "MarkSequences_wtest.moc"
