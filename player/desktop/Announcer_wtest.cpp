// The announcer as a screen reader's bridge sees it: a notification whose name is the text,
// made once per announcement, the same text twice included. (The events themselves reach a
// screen reader over the accessibility bus; the end-to-end runs listen there.)

#include "desktop/Announcer.h"
#include "desktop/QtPlatform.h"

#include <QAccessible>
#include <QMainWindow>
#include <QSignalSpy>
#include <QtTest>

class AnnouncerTest : public QObject {
    Q_OBJECT
private slots:
    void eachAnnouncementIsANotificationWithItsText() {
        QMainWindow window;
        QtPlatform platform;
        platform.setKeyTarget(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* announcer = window.findChild<Announcer*>();
        QVERIFY(announcer);
        QSignalSpy said(announcer, &Announcer::announced);
        QStringList names;
        connect(announcer, &Announcer::announced, this, [&] {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(announcer);
            QCOMPARE(iface->role(), QAccessible::Notification);
            names << iface->text(QAccessible::Name);
        });

        platform.announce(QStringLiteral("Mark 3 set at 12 seconds"));
        platform.announce(QStringLiteral("Mark 3 set at 12 seconds"));
        platform.announce(QString()); // nothing to say: nothing said
        platform.announce(QStringLiteral("Mark 3 cleared"));

        QCOMPARE(said.count(), 3);
        QCOMPARE(names, QStringList({"Mark 3 set at 12 seconds", "Mark 3 set at 12 seconds",
                                     "Mark 3 cleared"}));
        // It takes no room and no focus, and is there for a screen reader to find.
        QVERIFY(announcer->size().isEmpty());
        QCOMPARE(announcer->focusPolicy(), Qt::NoFocus);
        QVERIFY(announcer->isVisible());
    }
};

QTEST_MAIN(AnnouncerTest)
#include "Announcer_wtest.moc"
