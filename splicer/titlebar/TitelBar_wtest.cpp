#include "titlebar/ButtonPictureList.h"
#include "titlebar/GradientPainter.h"
#include "titlebar/TitelBar.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr std::uint32_t V1B = OleColor::rgb(230, 230, 230);
constexpr std::uint32_t V1E = OleColor::rgb(90, 110, 140);
constexpr std::uint32_t V2B = OleColor::rgb(90, 110, 140);
constexpr std::uint32_t V2E = OleColor::rgb(38, 48, 79);

QRgb rgbOf(std::uint32_t c) {
    return qRgb(OleColor::red(c), OleColor::green(c), OleColor::blue(c));
}

void send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void moveTo(QWidget* w, QPointF pos, Qt::MouseButtons buttons = Qt::NoButton) {
    send(w, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}
void press(QWidget* w, QPointF pos) {
    send(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
// A move to a point of the screen: while the window follows the pointer, the position
// inside the bar stays where the press was.
void moveToGlobal(QWidget* w, QPoint global, Qt::MouseButtons buttons) {
    const QPointF pos = w->mapFromGlobal(global);
    QMouseEvent e(QEvent::MouseMove, pos, global, Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void release(QWidget* w, QPointF pos) {
    send(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class TitelBarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> host;
    TitelBar* bar = nullptr;

    ButtonImage* button(const char* name) {
        return bar->findChild<ButtonImage*>(QLatin1String(name));
    }

    void makeBar(int W, int SH) {
        host = std::make_unique<QWidget>();
        host->setWindowFlag(Qt::FramelessWindowHint);
        host->resize(W, 200);
        bar = new TitelBar(host.get());
        bar->setObjectName(QStringLiteral("TB"));
        bar->InitProperties();
        bar->resize(W, SH);
        host->move(100, 100);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }

private slots:
    void init() { makeBar(800, 31); }
    void cleanup() {
        bar = nullptr;
        host.reset();
    }

    void newInstanceSitsAlongTheTop() {
        QCOMPARE(bar->geometry(), QRect(0, 0, 800, 31));
        QCOMPARE(bar->Caption(), QStringLiteral("TB"));
        QCOMPARE(bar->Style(), std::int16_t(8));
        host->resize(640, 200);
        QCOMPARE(bar->width(), 640);
        QCOMPARE(bar->surface().width(), 640);
    }

    void styleZeroPaintsTheFirstGradientDown() {
        bar->resize(800, 41);
        bar->setBorderNormal(0);
        bar->setCaption(QString());
        bar->setStyle(0);
        const QImage& s = bar->surface();
        QCOMPARE(s.height(), 41);
        QCOMPARE(s.pixel(400, 0), rgbOf(V1B));
        QCOMPARE(s.pixel(400, 40), rgbOf(GradientPainter::rowColour(V1B, V1E, 41, 40)));
        // No frame: the edges carry the gradient too.
        QCOMPARE(s.pixel(0, 20), s.pixel(400, 20));
        QCOMPARE(s.pixel(799, 20), s.pixel(400, 20));
        QCOMPARE(s.pixel(400, 0), rgbOf(V1B));
    }

    void borderIsRaised() {
        bar->setCaption(QString());
        bar->setBorderColorHighLight(OleColor::rgb(250, 0, 0));
        bar->setBorderColorDarkLight(OleColor::rgb(0, 0, 250));
        const QImage& s = bar->surface();
        QCOMPARE(s.pixel(300, 0), qRgb(250, 0, 0));
        QCOMPARE(s.pixel(0, 15), qRgb(250, 0, 0));
        QCOMPARE(s.pixel(300, 30), qRgb(0, 0, 250));
        QCOMPARE(s.pixel(799, 15), qRgb(0, 0, 250));
    }

    void slantedBoundaryOnThePixels_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("boundary");
        QTest::newRow("style 1, row 1") << 1 << 1 << 479;
        QTest::newRow("style 1, row 10") << 1 << 10 << 470;
        QTest::newRow("style 5, row 1") << 5 << 1 << 481;
        QTest::newRow("style 5, row 10") << 5 << 10 << 490;
    }
    void slantedBoundaryOnThePixels() {
        QFETCH(int, style);
        QFETCH(int, row);
        QFETCH(int, boundary);
        bar->setCaption(QString());
        bar->setBackColorCover(6);
        bar->setStyle(std::int16_t(style));
        const QImage& s = bar->surface();
        QCOMPARE(s.pixel(boundary - 1, row), rgbOf(GradientPainter::rowColour(V1B, V1E, 31, row)));
        QCOMPARE(s.pixel(boundary, row), rgbOf(GradientPainter::rowColour(V2B, V2E, 31, row)));
    }

    void iconCentredBothWaysOverwritesItsPosition() {
        QImage icon(20, 20, QImage::Format_RGB32);
        icon.fill(qRgb(1, 200, 3));
        bar->setCaption(QString());
        bar->setPictureButton(icon);
        QCOMPARE(bar->surface().pixel(6 + 10, 4 + 10), qRgb(1, 200, 3));
        bar->setPicturePosMode(3);
        QCOMPARE(bar->PicturePosX(), std::int16_t(390));
        QCOMPARE(bar->PicturePosY(), std::int16_t(6)); // 5.5 rounds to even
        QCOMPARE(bar->surface().pixel(400, 16), qRgb(1, 200, 3));
    }

    void centredCaptionIsCentred() {
        bar->setStyle(0);
        bar->setBackColorV1Begin(0);
        bar->setBackColorV1End(0);
        bar->setCaption3DWidth(0);
        bar->setCaptionColor(OleColor::rgb(255, 0, 0));
        bar->setCaption(QStringLiteral("MMMMMMMM"));
        bar->setCaptionPosX(2);
        const QImage& s = bar->surface();
        int left = s.width(), right = -1;
        for (int y = 1; y < s.height() - 1; ++y) {
            for (int x = 1; x < s.width() - 1; ++x) {
                if (qRed(s.pixel(x, y)) > 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        QVERIFY(right > left);
        QVERIFY2(std::abs((left + right) / 2 - 400) <= 3,
                 qPrintable(QString::number(left + right)));
    }

    void buttonsArePlacedFromTheRight() {
        QCOMPARE(button("TBARX")->size(), QSize(16, 16));
        QCOMPARE(button("TBARX")->x(), 778);
        QCOMPARE(button("TBAR_")->x(), 756);
        QVERIFY(button("TBARMax")->isHidden());
        const int y8 = button("TBARX")->y();
        bar->setStyle(14);
        QCOMPARE(button("TBARX")->x(), 775);
        QCOMPARE(button("TBARX")->y(), y8 + 2);
    }

    void iconStyleOneUsesPicturesElevenToThirteen() {
        const ButtonPictureList imgClose(QStringLiteral("close"));
        bar->setIconStyle(1);
        ButtonImage* x = button("TBARX");
        QCOMPARE(x->pictureIndex(), 12);
        QCOMPARE(x->picture(), imgClose.picture(12));
        moveTo(x, {8, 8});
        QCOMPARE(x->pictureIndex(), 11);
        QCOMPARE(x->picture(), imgClose.picture(11));
        bar->setShowCloseEnabled(false);
        QCOMPARE(x->pictureIndex(), 13);
        QCOMPARE(x->picture(), imgClose.picture(13));
        moveTo(x, {8, 8}); // a disabled button does not light up
        QCOMPARE(x->pictureIndex(), 13);
        bar->setIconStyle(7);
        QCOMPARE(bar->IconStyle(), std::uint8_t(2));
        QCOMPARE(x->pictureIndex(), 23);
    }

    void hoverPictureGoesBackWhenThePointerReachesTheBar() {
        ButtonImage* min = button("TBAR_");
        moveTo(min, {8, 8});
        QCOMPARE(min->pictureIndex(), 1);
        moveTo(bar, {300, 15});
        QCOMPARE(min->pictureIndex(), 2);
        moveTo(min, {8, 8});
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(min, &leave);
        QCOMPARE(min->pictureIndex(), 2);
    }

    void noMouseMoveOverAButton() {
        QSignalSpy moves(bar, &TitelBar::MouseMove);
        const QRect close = button("TBARX")->geometry();
        moveTo(bar, QPointF(close.center()));
        QCOMPARE(moves.count(), 0);
        // A hidden button's old place is bar background again.
        const QRect max = QRect(QPoint(700, 8), QSize(16, 16));
        button("TBARMax")->move(max.topLeft());
        moveTo(bar, QPointF(max.center()));
        QCOMPARE(moves.count(), 1);
        moveTo(bar, {200, 10});
        QCOMPARE(moves.count(), 2);
        QCOMPARE(moves.last().at(2).toFloat(), 200.0f);
    }

    void hoverTrackingEndsWhenThePointerLeaves() {
        auto* timer = bar->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 25);
        QVERIFY(!timer->isActive());
        QCursor::setPos(bar->mapToGlobal(QPoint(300, 15)));
        moveTo(bar, {300, 15});
        QVERIFY(timer->isActive());
        QCOMPARE(QWidget::mouseGrabber(), bar);
        // Still inside: the timer keeps running.
        QTest::qWait(60);
        QVERIFY(timer->isActive());
        QCursor::setPos(bar->mapToGlobal(QPoint(300, 120)));
        QTRY_VERIFY(!timer->isActive());
        QVERIFY(QWidget::mouseGrabber() == nullptr);
    }

    void reachingAButtonStopsTracking() {
        auto* timer = bar->findChild<QTimer*>(QStringLiteral("Timer1"));
        QCursor::setPos(bar->mapToGlobal(QPoint(300, 15)));
        moveTo(bar, {300, 15});
        QVERIFY(timer->isActive());
        moveTo(bar, QPointF(button("TBARX")->geometry().center()));
        QVERIFY(QWidget::mouseGrabber() == nullptr);
        moveTo(button("TBARX"), {8, 8});
        QVERIFY(!timer->isActive());
    }

    void maximiseTwiceRestores() {
        bar->setShowMaximized(true);
        ButtonImage* max = button("TBARMax");
        QVERIFY(max->isVisible());
        press(max, {8, 8});
        QVERIFY(host->windowState() & Qt::WindowMaximized);
        press(max, {8, 8});
        QCOMPARE(host->windowState() & Qt::WindowMaximized, Qt::WindowStates());
    }

    void disabledButtonsDoNotAct() {
        bar->setShowMaximized(true);
        bar->setShowMaximizedEnabled(false);
        bar->setShowCloseEnabled(false);
        press(button("TBARMax"), {8, 8});
        QCOMPARE(host->windowState(), Qt::WindowStates());
        press(button("TBARX"), {8, 8});
        QVERIFY(host->isVisible());
    }

    void minimisingAMaximisedWindowKeepsItMaximised() {
        bar->setShowMaximized(true);
        press(button("TBARMax"), {8, 8});
        QVERIFY(host->windowState() & Qt::WindowMaximized);
        press(button("TBAR_"), {8, 8});
        QCOMPARE(host->windowState(), Qt::WindowMaximized | Qt::WindowMinimized);
    }

    void minimiseAndCloseActOnTheHost() {
        press(button("TBAR_"), {8, 8});
        QVERIFY(host->windowState() & Qt::WindowMinimized);
        host->showNormal();
        press(button("TBARX"), {8, 8});
        QVERIFY(!host->isVisible());
    }

    void draggingTheBarMovesTheWindow() {
        QSignalSpy clicks(bar, &TitelBar::Click);
        const QPoint start = host->pos();
        const QPoint grip = bar->mapToGlobal(QPoint(100, 15));
        press(bar, {100, 15});
        moveToGlobal(bar, grip + QPoint(30, 5), Qt::LeftButton);
        moveToGlobal(bar, grip + QPoint(50, 10), Qt::LeftButton);
        // The offscreen platform offers no system move, so the bar moves the window itself.
        QCOMPARE(host->pos(), start + QPoint(50, 10));
        QCOMPARE(bar->mapToGlobal(QPoint(100, 15)), grip + QPoint(50, 10));
        release(bar, {100, 15});
        QCOMPARE(clicks.count(), 0);
        press(bar, {100, 15});
        release(bar, {100, 15});
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(host->pos(), start + QPoint(50, 10));
    }

    void propertiesChangeByNameAndAnnounceIt() {
        QSignalSpy changes(bar, &TitelBar::propertyChanged);
        const QImage before = bar->surface().copy();
        QVERIFY(bar->setValue(QStringLiteral("caption"), QStringLiteral("Plemora")));
        QCOMPARE(bar->Caption(), QStringLiteral("Plemora"));
        QVERIFY(bar->surface() != before);
        QVERIFY(!bar->setValue(QStringLiteral("Colour"), 1));
        bar->setIconStyle(7);
        QCOMPARE(bar->value(QStringLiteral("ICONSTYLE")).toInt(), 2);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("Caption"));
        QCOMPARE(changes.at(1).at(0).toString(), QStringLiteral("IconStyle"));
    }

    void savedDesignRoundTripsThroughTheControl() {
        QSignalSpy changes(bar, &TitelBar::propertyChanged);
        bar->setBackColorCover(12);
        QCOMPARE(bar->BackColorCover(), 10.0f);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("BackColorCover"));
        bar->setCaption(QStringLiteral("Plemora"));
        PropertyBag bag;
        bar->WriteProperties(bag);
        TitelBar other(host.get());
        other.setObjectName(QStringLiteral("TB"));
        other.ReadProperties(PropertyBag::fromText(bag.toText()));
        QCOMPARE(other.Caption(), QStringLiteral("Plemora"));
        QCOMPARE(other.BackColorCover(), 10.0f);
        QCOMPARE(other.ShowMaximizedEnabled(), true);
        QCOMPARE(other.BorderNormal(), std::uint8_t(2));
    }
};

QTEST_MAIN(TitelBarTest)
#include "TitelBar_wtest.moc"
