// Where the practice panel opens, and how it looks: beside its button inside the window, never
// off the screen's available area, light as the window is.

#include "player/RehearsalRig.h"
#include "window/PracticeControls.h"
#include "window/PracticePanel.h"
#include "window/PracticeTools.h"

#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <clocale>

class PracticePanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void placementKeepsInsideTheAvailableArea_data() {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("room");
        QTest::addColumn<bool>("insideWindow");
        // The button sits in the window's bottom bar, 30 px from its left edge.
        QTest::newRow("a large screen")
            << QRect(100, 100, 760, 660) << QRect(0, 0, 1920, 1050) << true;
        QTest::newRow("the window's foot below a small screen")
            << QRect(0, 0, 760, 660) << QRect(0, 0, 800, 560) << true;
        QTest::newRow("a top bar and the window pushed up under it")
            << QRect(0, -400, 760, 660) << QRect(0, 32, 1024, 568) << false;
        QTest::newRow("the window half off the right of the screen")
            << QRect(500, 100, 760, 660) << QRect(0, 0, 800, 1000) << true;
        QTest::newRow("the window off the left of the screen")
            << QRect(-700, 100, 760, 660) << QRect(0, 0, 800, 1000) << false;
        QTest::newRow("a screen lower than the panel")
            << QRect(0, 0, 760, 660) << QRect(0, 24, 800, 200) << true;
    }

    void placementKeepsInsideTheAvailableArea() {
        QFETCH(QRect, window);
        QFETCH(QRect, room);
        QFETCH(bool, insideWindow);
        const QSize size(260, 230);
        const QRect button(window.left() + 30, window.bottom() - 40, 28, 24);
        const QRect panel(PracticePanel::placement(size, button, window, room), size);
        QCOMPARE(panel.size(), size);
        if (room.height() >= size.height()) {
            QVERIFY2(room.contains(panel), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                          .arg(panel.x())
                                                          .arg(panel.y())
                                                          .arg(panel.width())
                                                          .arg(panel.height())));
        } else {
            // Too low a screen: its top row and its sides stay on it.
            QCOMPARE(panel.top(), room.top());
            QVERIFY(panel.left() >= room.left() && panel.right() <= room.right());
        }
        QCOMPARE(window.contains(panel), insideWindow);
        QVERIFY(!panel.intersects(button));
    }

    // Opened by a click on its button, on the offscreen screen of the test run.
    void opensInsideTheWindowAndTheScreenAndLooksLight() {
        RehearsalRig rig;
        QVERIFY(rig.showActive());
        rig.open(rig.path("Song.mp3"));
        QToolButton* button = rig.practice().controlsOf(true)->panelButton();
        QTest::mouseClick(button, Qt::LeftButton);
        PracticePanel& panel = rig.practice().panel();
        QVERIFY(panel.isVisible());
        const QRect at = panel.frameGeometry();
        const QRect room = rig.w->screen()->availableGeometry();
        const QRect window = rig.w->frameGeometry();
        const QString where = QStringLiteral("panel %1,%2 %3x%4 window %5,%6 %7x%8")
                                  .arg(at.x())
                                  .arg(at.y())
                                  .arg(at.width())
                                  .arg(at.height())
                                  .arg(window.x())
                                  .arg(window.y())
                                  .arg(window.width())
                                  .arg(window.height());
        QVERIFY2(room.contains(at), qPrintable(where));
        QVERIFY2(window.contains(at), qPrintable(where));
        QVERIFY(!at.intersects(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
        // Light as the window: the panel's face and the boxes' fields.
        const QImage face = panel.grab().toImage();
        QVERIFY(face.pixelColor(face.width() / 2, 4).lightness() > 200);
        QSpinBox* step = panel.stepBox();
        const QImage box = step->grab().toImage();
        QVERIFY(box.pixelColor(6, box.height() / 2).lightness() > 200);
        // Escape closes it.
        QTest::keyClick(&panel, Qt::Key_Escape);
        QVERIFY(!panel.isVisible());
    }
};

QTEST_MAIN(PracticePanelTest)
#include "PracticePanel_wtest.moc"
