// The window for someone who cannot see it or use a mouse: what the mark buttons are called
// as marks change by key, what is announced (and what is not), the Tab order, the Menu key's
// menus, F10, the help tabs, and the state signs that do not depend on colour. Everything is
// driven with key events on the real window over fake players.

#include "about/frmAbout.h"
#include "marks/Colours.h"
#include "marks/HelpPanels.h"
#include "player/RehearsalRig.h"
#include "window/PracticePanel.h"
#include "window/PracticeTools.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <clocale>

namespace {

// Presses Down in the open menu until the item starting with `prefix` is active, then Return.
void chooseWhenOpen(const QString& prefix, bool* found) {
    QTimer::singleShot(0, [prefix, found] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        for (int i = 0; i < 12; ++i) {
            if (menu->activeAction() && menu->activeAction()->text().startsWith(prefix)) {
                *found = true;
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
            QTest::keyClick(menu, Qt::Key_Down);
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
    using Rig = RehearsalRig;

    static QString name(Rig& r, int i) { return r.w->keypad->cmdMark(i).accessibleName(); }

    // The Menu key on `control`, then the item starting with `prefix`, all by key.
    static bool menuItem(QWidget* control, const QString& prefix) {
        control->setFocus();
        bool found = false;
        chooseWhenOpen(prefix, &found);
        QTest::keyClick(control, Qt::Key_Menu);
        return found;
    }

    // The button drawn in two tones only, as a high-contrast theme leaves it.
    static QImage twoTone(QWidget* w) {
        QImage image = w->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < image.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                line[x] = line[x] < 96 ? 0 : 255;
            }
        }
        return image;
    }

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        qputenv("XDG_CONFIG_HOME", QByteArray("/nonexistent-config-for-tests"));
    }

    void markNamesAndAnnouncementsFollowTheKeys() {
        Rig r;
        QVERIFY(r.showActive());
        QCOMPARE(name(r, 2), QStringLiteral("Mark 3, not set"));
        r.open(r.path("Song.mp3"));
        QCOMPARE(r.platform.announcements.last(),
                 QStringLiteral("Opened Song, 4 minutes 5.3 seconds long, no marks"));

        r.standAt(83.52);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        QCOMPARE(name(r, 2), QStringLiteral("Mark 3, set at 1 minute 23.5 seconds"));
        QCOMPARE(r.platform.announcements.last(),
                 QStringLiteral("Mark 3 set at 1 minute 23.5 seconds"));

        r.standAt(5);
        r.keyPress(Qt::Key_3);
        r.keyRelease(Qt::Key_3);
        QCOMPARE(name(r, 2), QStringLiteral("Mark 3, current, set at 1 minute 23.5 seconds"));
        QCOMPARE(r.platform.announcements.last(),
                 QStringLiteral("Went to mark 3 at 1 minute 23.5 seconds"));

        // Setting another mark leaves mark 3 current in colour, and so in name.
        r.standAt(100);
        r.typeWith(Qt::ControlModifier, Qt::Key_0);
        QCOMPARE(name(r, 9), QStringLiteral("Mark 10, set at 1 minute 40 seconds"));
        QVERIFY(name(r, 2).startsWith(QStringLiteral("Mark 3, current")));

        r.typeWith(Qt::AltModifier, Qt::Key_3);
        QCOMPARE(name(r, 2), QStringLiteral("Mark 3, not set"));
        QCOMPARE(r.platform.announcements.last(), QStringLiteral("Mark 3 cleared"));

        // A track opened again brings its marks' names back.
        r.open(r.path("Other.mp3"));
        QCOMPARE(name(r, 9), QStringLiteral("Mark 10, not set"));
        r.open(r.path("Song.mp3"));
        QCOMPARE(name(r, 9), QStringLiteral("Mark 10, set at 1 minute 40 seconds"));
        QCOMPARE(r.platform.announcements.last(),
                 QStringLiteral("Opened Song, 4 minutes 5.3 seconds long, 1 mark"));
    }

    void playingAnnouncesNothingAndTheRunningTimeStaysQuiet() {
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path("Song.mp3"));
        const qsizetype said = r.platform.announcements.size();

        QTest::keyClick(r.w->cmdPlay, Qt::Key_F2);
        for (int i = 0; i < 10; ++i) {
            r.wmp().advance(0.5);
            QTest::qWait(r.w->tmrTime.interval());
        }
        QVERIFY(r.w->lblCount->text() != QStringLiteral("00:00:00"));
        QCOMPARE(r.platform.announcements.size(), said);
        // A label with a name of its own sends no name change with each new text; asked, it
        // reads its time.
        QCOMPARE(r.w->lblCount->accessibleName(), QStringLiteral("Running time"));
        QAccessibleInterface* time = QAccessible::queryAccessibleInterface(r.w->lblCount);
        QCOMPARE(time->text(QAccessible::Name),
                 QStringLiteral("Running time, ") + r.w->lblCount->text());
    }

    void tabGoesThroughTheWindowAsItIsLaidOut() {
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path("Song.mp3"));
        r.w->cmdOpen->setFocus();
        QStringList visited;
        for (int i = 0; i < 32; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(focus);
            visited << iface->text(QAccessible::Name);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        const QStringList expected{"OPEN",
                                   "PLAY",
                                   "PAUSE",
                                   "STOP",
                                   "Back to PLAY",
                                   "Mark 1, not set",
                                   "Mark 2, not set",
                                   "Mark 3, not set",
                                   "Mark 4, not set",
                                   "Mark 5, not set",
                                   "Mark 6, not set",
                                   "Mark 7, not set",
                                   "Mark 8, not set",
                                   "Mark 9, not set",
                                   "About",
                                   "Mark 10, not set",
                                   "Clear All",
                                   "How To",
                                   "Keys & Remote",
                                   "Play",
                                   "Stop",
                                   "Seek",
                                   "Slower",
                                   "Speed 100%",
                                   "Faster",
                                   "Transpose down",
                                   "Transpose 0 semitones",
                                   "Transpose up",
                                   "Loop between marks",
                                   "Loop practice",
                                   "Mute",
                                   "Volume"};
        QCOMPARE(visited, expected);
        // Round again to the start.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(r.w->cmdOpen));
    }

    void theMenuKeyWorksTheFocusedControl() {
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path("Song.mp3"));
        MarkButton& three = r.w->keypad->cmdMark(2);

        r.standAt(30);
        QVERIFY(menuItem(&three, QStringLiteral("Set mark 3 here")));
        QVERIFY(r.w->marks().isSet(2));
        QCOMPARE(r.stored(r.path("Song.mp3"), "2"), QStringLiteral("30"));

        r.platform.inputs = {QStringLiteral("Chorus")};
        QVERIFY(menuItem(&three, QStringLiteral("Note for mark 3")));
        QCOMPARE(r.w->marks().note(2), QStringLiteral("Chorus"));
        QCOMPARE(name(r, 2), QStringLiteral("Mark 3, set at 30 seconds, note: Chorus"));

        QVERIFY(menuItem(&three, QStringLiteral("Nudge mark 3 ahead")));
        QCOMPARE(r.stored(r.path("Song.mp3"), "2"), QStringLiteral("31"));
        QCOMPARE(r.platform.announcements.last(), QStringLiteral("Mark 3 moved to 31 seconds"));

        r.standAt(0);
        QVERIFY(menuItem(&three, QStringLiteral("Go to mark 3")));
        QCOMPARE(r.w->hybrid().position(), 31.0);

        QVERIFY(menuItem(&r.w->keypad->cmdMark(11), QStringLiteral("Clear all marks")));
        QVERIFY(!r.w->marks().isSet(2));
        QVERIFY(menuItem(&r.w->keypad->cmdMark(11), QStringLiteral("Put back cleared marks")));
        QVERIFY(r.w->marks().isSet(2));

        // A picture-only button's one item presses it: the loop takes mark 3 to the end.
        QAbstractButton* loop = nullptr;
        for (auto* b : r.w->findChildren<QAbstractButton*>(QStringLiteral("loop"))) {
            loop = b->isVisible() ? b : loop;
        }
        QVERIFY(loop);
        QVERIFY(menuItem(loop, QStringLiteral("Loop between marks")));
        QVERIFY(loop->isChecked());

        // A mark not set offers nothing it cannot do.
        bool found = false;
        r.w->keypad->cmdMark(6).setFocus();
        chooseWhenOpen(QStringLiteral("Go to mark 7"), &found);
        QTest::keyClick(&r.w->keypad->cmdMark(6), Qt::Key_Menu);
        QVERIFY(!found);
    }

    void thePracticePanelsBoxesAreNamedByTheirLabels() {
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path("Song.mp3"));
        r.keyPress(Qt::Key_P);
        r.keyRelease(Qt::Key_P);
        PracticePanel& panel = r.practice().panel();
        QTRY_VERIFY(panel.isVisible());
        const std::pair<QWidget*, const char*> boxes[] = {
            {panel.leadInBox(), "Lead-in"},        {panel.breathBox(), "Breath between passes"},
            {panel.trainerBox(), "Speed trainer"}, {panel.fromBox(), "Start speed"},
            {panel.toBox(), "Target speed"},       {panel.stepBox(), "Step per pass"}};
        for (const auto& [box, label] : boxes) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
            QCOMPARE(iface->text(QAccessible::Name), QString::fromUtf8(label));
        }
        // It has the keyboard while it is open.
        QCOMPARE(QApplication::focusWidget(), panel.leadInBox());
        QTest::keyClick(panel.leadInBox(), Qt::Key_Escape);
        QTRY_VERIFY(!panel.isVisible());
    }

    void f10OpensTheMenuBar() {
        Rig r;
        QVERIFY(r.showActive());
        bool opened = false;
        QTimer::singleShot(0, [&] {
            opened = r.w->mnuFile->isVisible();
            if (QWidget* popup = QApplication::activePopupWidget()) {
                QTest::keyClick(popup, Qt::Key_Escape);
            }
        });
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F10);
        QTRY_VERIFY(opened);
    }

    void theMenuBarIsWorkedByKeysAlone() {
        // F10, then Right past File and Options to About, and Return: the keys belong to the
        // menu bar while it has them, not to play/pause and fast forward.
        Rig r;
        QVERIFY(r.showActive());
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F10);
        for (int i = 0; i < 2; ++i) {
            QWidget* keys = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                              : QApplication::focusWidget();
            QTest::keyClick(keys, Qt::Key_Right);
        }
        QCOMPARE(r.w->menuBar()->activeAction(), r.w->mnuAbout);
        QString title;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<frmAbout*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(title, QStringLiteral("About Tavrel"));
        QVERIFY(!r.w->tmrFast.isActive());
        QCOMPARE(r.wmp().state(), MediaBackend::State::Empty);
        QCOMPARE(r.w->menuBar()->activeAction(), nullptr);

        // A menu bar entry lit by the mouse passing over it does not take the keys: Space
        // still pauses.
        r.open(r.path("Song.mp3"));
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F2);
        QCOMPARE(r.wmp().state(), MediaBackend::State::Playing);
        QMenuBar* bar = r.w->menuBar();
        const QPointF over = bar->actionGeometry(r.w->mnuFile->menuAction()).center();
        QMouseEvent move(QEvent::MouseMove, over, bar->mapToGlobal(over), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QCOMPARE(bar->activeAction(), r.w->mnuFile->menuAction());
        QTest::keyClick(r.w->cmdPlay, Qt::Key_Space);
        QCOMPARE(r.wmp().state(), MediaBackend::State::Paused);
        QVERIFY(!r.w->mnuFile->isVisible());
    }

    void aHelpTabWithTheFocusComesToTheFront() {
        Rig r;
        QVERIFY(r.showActive());
        QWidget* howTo = r.w->help->findChild<QWidget*>(QStringLiteral("lblShape1"));
        QWidget* keys = r.w->help->findChild<QWidget*>(QStringLiteral("lblShape2"));
        r.w->keypad->cmdMark(11).setFocus();
        QTest::keyClick(&r.w->keypad->cmdMark(11), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), howTo);
        QTest::keyClick(howTo, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), keys);
        QCOMPARE(r.w->help->frontPanel()->objectName(), QStringLiteral("fraMore"));
        QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(keys);
        QCOMPARE(tab->role(), QAccessible::PageTab);
        QVERIFY(tab->state().selected);
        QVERIFY(!QAccessible::queryAccessibleInterface(howTo)->state().selected);
    }

    void setAndCurrentMarksShowWithoutColour() {
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path("Song.mp3"));
        MarkButton& three = r.w->keypad->cmdMark(2);
        const QImage plain = twoTone(&three);
        r.standAt(12);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        const QImage set = twoTone(&three);
        r.keyPress(Qt::Key_3);
        r.keyRelease(Qt::Key_3);
        QCOMPARE(three.BackColor(), Colours::LightRed);
        const QImage current = twoTone(&three);
        QVERIFY(set != plain);
        QVERIFY(current != set);
        QVERIFY(current != plain);

        // On the strip the mark gone to is red and underlined; going elsewhere takes both.
        QVERIFY(r.w->strip().lblMark(2).font().underline());
        r.standAt(40);
        r.typeWith(Qt::ControlModifier, Qt::Key_5);
        r.keyPress(Qt::Key_5);
        r.keyRelease(Qt::Key_5);
        QVERIFY(!r.w->strip().lblMark(2).font().underline());
        QVERIFY(r.w->strip().lblMark(4).font().underline());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "Accessibility_wtest.moc"
