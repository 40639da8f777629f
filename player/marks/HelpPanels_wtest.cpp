// The help area: which panel is in front and how the tab strip's six lines are drawn after
// each click, the texts and the tooltip; both panels are photographed for review.

#include "marks/HelpPanels.h"

#include <QDir>
#include <QLabel>
#include <QToolTip>
#include <QtTest>

namespace {

const QColor Grey(128, 128, 128);
const QColor White(Qt::white);

struct TabState {
    bool upperSeparators;
    QColor linTB;
    bool lowerSeparators;
    QColor linBT;
};

const TabState UpperSelected{false, Grey, true, White};
const TabState LowerSelected{true, White, false, Grey};

} // namespace

class HelpPanelsTest : public QObject {
    Q_OBJECT

    static void checkTabs(const HelpPanels& panels, const TabState& state) {
        QCOMPARE(panels.lineShown("linTBG"), state.upperSeparators);
        QCOMPARE(panels.lineShown("linTBB"), state.upperSeparators);
        QCOMPARE(panels.lineShown("linBBG"), state.lowerSeparators);
        QCOMPARE(panels.lineShown("linBBB"), state.lowerSeparators);
        QCOMPARE(panels.lineColour("linTB"), state.linTB);
        QCOMPARE(panels.lineColour("linBT"), state.linBT);
    }

    static QWidget* child(const HelpPanels& panels, const char* name) {
        auto* w = panels.findChild<QWidget*>(QLatin1String(name));
        if (!w) {
            qFatal("no control %s", name);
        }
        return w;
    }

    static void click(const HelpPanels& panels, const char* name) {
        QWidget* w = child(panels, name);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
    }

    static QString frontName(const HelpPanels& panels) { return panels.frontPanel()->objectName(); }

    // Clicks the one-pixel edge of the back panel that the front panel leaves uncovered, at the
    // place a user would click it: the widget found under that point must be the back panel.
    static void clickSliver(const HelpPanels& panels) {
        QWidget* front = panels.frontPanel();
        QWidget* back = child(panels, front->objectName() == "fraHowTo" ? "fraMore" : "fraHowTo");
        const QRegion uncovered = QRegion(back->geometry()) - QRegion(front->geometry());
        QVERIFY2(!uncovered.isEmpty(), "the back panel is hidden completely");
        const QRect edge = *uncovered.begin();
        const QPoint point = edge.center();
        QWidget* hit = panels.childAt(point);
        QCOMPARE(hit, back);
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&panels, point));
    }

private slots:
    void startsWithTheHowToPanelAndUpperTabSelected() {
        HelpPanels panels;
        QCOMPARE(frontName(panels), QString("fraHowTo"));
        checkTabs(panels, UpperSelected);
        QCOMPARE(panels.lineShown("linTB"), true);
        QCOMPARE(panels.lineShown("linBT"), true);
    }

    void clicksBringPanelsForward_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("upperSelected");

        QTest::newRow("upper tab again changes nothing")
            << QStringList{"lblShape1"} << "fraHowTo" << true;
        QTest::newRow("lower tab") << QStringList{"lblShape2"} << "fraMore" << false;
        QTest::newRow("round trip") << QStringList{"lblShape2", "lblShape1"} << "fraHowTo" << true;
        QTest::newRow("add-note heading: keyboard panel, tabs unchanged")
            << QStringList{"Label1"} << "fraMore" << true;
        QTest::newRow("lower tab after the add-note heading agrees again")
            << QStringList{"Label1", "lblShape2"} << "fraMore" << false;
        QTest::newRow("upper tab after the add-note heading agrees again")
            << QStringList{"Label1", "lblShape1"} << "fraHowTo" << true;
        QTest::newRow("right-click line brings the how-to panel back")
            << QStringList{"lblShape2", "Label2"} << "fraHowTo" << false;
        QTest::newRow("sliver of the back panel") << QStringList{"sliver"} << "fraMore" << true;
        QTest::newRow("sliver of the how-to panel")
            << QStringList{"lblShape2", "sliver"} << "fraHowTo" << false;
        QTest::newRow("a plain text on a panel is no tab")
            << QStringList{"lblShape2", "Label45"} << "fraMore" << false;
    }

    void clicksBringPanelsForward() {
        QFETCH(QStringList, clicks);
        QFETCH(QString, front);
        QFETCH(bool, upperSelected);
        HelpPanels panels;
        panels.show();
        for (const QString& name : clicks) {
            if (name == "sliver") {
                clickSliver(panels);
            } else {
                click(panels, name.toLatin1().constData());
            }
        }
        QCOMPARE(frontName(panels), front);
        checkTabs(panels, upperSelected ? UpperSelected : LowerSelected);
    }

    void rightClickOnAHeadingDoesNothing() {
        HelpPanels panels;
        panels.show();
        QWidget* heading = child(panels, "Label1");
        QTest::mouseClick(heading, Qt::RightButton);
        QCOMPARE(frontName(panels), QString("fraHowTo"));
    }

    void textsAreExact_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const std::pair<const char*, const char*> texts[] = {
            {"Label24", "Use the SPACE BAR to Play or Pause a track"},
            {"Label36", "SET MARK POINT"},
            {"Label33", "hold CTRL key while pressing number key or button"},
            {"Label35", "CLEAR MARK POINT"},
            {"Label32", "hold ALT key while pressing number key or button"},
            {"Label34", "GO TO MARK POINT"},
            {"Label31", "press number key or button"},
            {"Label30", "ADJUST (NUDGE) MARK POINT"},
            {"Label29", "Nudge Ahead:  Right Mouse Click on 'nudge button'"},
            {"Label28", "Nudge Back:  Left Mouse Click on 'nudge button'"},
            {"Label1", "ADD NOTE FOR MARK POINT"},
            {"Label2", "Right Mouse Click on number button"},
            {"Label37", "Keyboard and Remote Control Functions *"},
            {"Label38", "PLAY/PAUSE"},
            {"Label39", "REWIND"},
            {"Label40", "FAST FORWARD"},
            {"Label44", "(Center Button) Play"},
            {"Label42", "(Left Button) Previous Mark"},
            {"Label41", "(Right Button) Next Mark"},
            {"Label43", "(Bottom Button) Pause"},
            {"Label45", "PAGE DOWN = Next Mark"},
            {"Label46", "PAGE UP = Previous Mark"},
            {"Label47", "ESCAPE = Stop"},
        };
        for (const auto& [name, text] : texts) {
            QTest::newRow(name) << QString(name) << QString(text);
        }
    }

    void textsAreExact() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        HelpPanels panels;
        auto* label = panels.findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        const QString panel =
            name == "Label37" || name.mid(5).toInt() >= 38 ? "fraMore" : "fraHowTo";
        QCOMPARE(label->parent()->objectName(), panel);
    }

    void headingOfTheKeyboardPanelExplainsTheAsterisk() {
        HelpPanels panels;
        panels.show();
        panels.lblShape2_Click();
        QVERIFY(QTest::qWaitForWindowExposed(&panels));
        QWidget* heading = child(panels, "Label37");
        const QPoint at(heading->width() / 2, heading->height() / 2);
        QHelpEvent hover(QEvent::ToolTip, at, heading->mapToGlobal(at));
        QCoreApplication::sendEvent(heading, &hover);
        QTRY_COMPARE(QToolTip::text(),
                     QString("Some multimedia keyboards may inhibit these functions"));
    }

    void panelColoursAndPicturesAreDrawn() {
        HelpPanels panels;
        panels.show();
        const QImage howTo = panels.grab().toImage();
        QCOMPARE(howTo.pixelColor(100, 235), QColor(255, 255, 192));
        panels.lblShape2_Click();
        const QImage more = panels.grab().toImage();
        QCOMPARE(more.pixelColor(100, 235), QColor(192, 192, 255));
        // The arrow keys picture puts dark-blue arrows inside its key caps.
        QWidget* arrows = child(panels, "Image5");
        const QImage keys = arrows->grab().toImage();
        int blue = 0;
        for (int y = 0; y < keys.height(); ++y) {
            for (int x = 0; x < keys.width(); ++x) {
                blue += keys.pixelColor(x, y) == QColor(0, 0, 192);
            }
        }
        QVERIFY2(blue > 100, qPrintable(QString::number(blue)));

        const QString dir =
            QDir(QCoreApplication::applicationDirPath()).filePath("../../screenshots");
        QDir().mkpath(dir);
        // Each panel at normal and at double pixel density, where the pictures must stay sharp.
        const auto save = [&](const QString& name) {
            QVERIFY(panels.grab().save(QDir(dir).filePath(name + ".png")));
            QImage sharp(panels.size() * 2, QImage::Format_ARGB32);
            sharp.setDevicePixelRatio(2);
            panels.render(&sharp);
            QVERIFY(sharp.save(QDir(dir).filePath(name + "@2x.png")));
        };
        panels.lblShape1_Click();
        save("help-howto");
        panels.lblShape2_Click();
        save("help-more");
    }
};

QTEST_MAIN(HelpPanelsTest)
#include "HelpPanels_wtest.moc"
