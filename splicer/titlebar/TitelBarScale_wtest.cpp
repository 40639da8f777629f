// The title bar on a screen scaled two times: drawn with the screen's own pixels, not drawn
// at one time and stretched.

#include "titlebar/TitelBar.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

int luminance(QRgb c) {
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

} // namespace

class TitelBarScaleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> host;
    TitelBar* bar = nullptr;

private slots:
    void init() {
        host = std::make_unique<QWidget>();
        host->setWindowFlag(Qt::FramelessWindowHint);
        host->resize(800, 200);
        bar = new TitelBar(host.get());
        bar->setObjectName(QStringLiteral("TB"));
        bar->InitProperties();
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(14.25);
        bar->setFont(font);
        bar->setCaption(QStringLiteral("Plemora"));
        bar->setShowMaximized(true);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }
    void cleanup() { host.reset(); }

    void surfaceAndPicturesHaveTheScreensPixels() {
        QCOMPARE(bar->devicePixelRatioF(), 2.0);
        QCOMPARE(bar->size(), QSize(800, 31));
        QCOMPARE(bar->surface().size(), QSize(1600, 62));
        for (const char* name : {"TBARX", "TBARMax", "TBAR_"}) {
            auto* button = bar->findChild<ButtonImage*>(QLatin1String(name));
            QCOMPARE(button->size(), QSize(16, 16));
            QCOMPARE(button->picture().size(), QSize(32, 32));
        }
        // The layout is the same as at one time, in the bar's own pixels.
        QCOMPARE(bar->findChild<ButtonImage*>(QStringLiteral("TBARX"))->x(), 800 - 16 - 3 - 3);
    }

    // A caption drawn at one time and stretched changes colour only between pairs of screen
    // pixels, or by half a step inside them; a sharp one has full steps inside pairs too.
    void captionEdgesAreSharp() {
        const QImage shown = bar->grab().toImage();
        QCOMPARE(shown.size(), QSize(1600, 62));
        int sharpSteps = 0;
        for (int y = 10; y < 52; ++y) {
            for (int x = 60; x < 700; x += 2) {
                if (std::abs(luminance(shown.pixel(x, y)) - luminance(shown.pixel(x + 1, y))) >=
                    120) {
                    ++sharpSteps;
                }
            }
        }
        QVERIFY2(sharpSteps >= 10, qPrintable(QString::number(sharpSteps)));
    }

    void svgIconOfADesignIsSharpAndKeepsItsSizeWhenSaved() {
        QTemporaryDir dir;
        const QString svg = dir.filePath(QStringLiteral("icon.svg"));
        QFile f(svg);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<svg xmlns='http://www.w3.org/2000/svg' width='22' height='22'>"
                "<rect x='2' y='2' width='18' height='18' fill='#ff0000'/></svg>");
        f.close();
        bar->ReadProperties(PropertyBag::fromText(QStringLiteral("picturebutton=") + svg));
        QCOMPARE(bar->PictureButton().size(), QSize(44, 44));
        QCOMPARE(bar->PictureButton().deviceIndependentSize(), QSizeF(22, 22));
        PropertyBag saved;
        bar->WriteProperties(saved);
        const QImage back = PropertyBag::fromText(saved.toText())
                                .ReadProperty(QStringLiteral("PictureButton"), QImage())
                                .value<QImage>();
        QCOMPARE(back.deviceIndependentSize(), QSizeF(22, 22));
    }

    void borderIsOneBarPixelWide() {
        bar->setBorderColorHighLight(OleColor::rgb(250, 0, 0));
        bar->setBorderColorDarkLight(OleColor::rgb(0, 0, 250));
        const QImage s = bar->surface();
        for (int y : {0, 1}) {
            QCOMPARE(s.pixel(900, y), qRgb(250, 0, 0));
        }
        QVERIFY(s.pixel(900, 2) != qRgb(250, 0, 0));
        for (int y : {60, 61}) {
            QCOMPARE(s.pixel(900, y), qRgb(0, 0, 250));
        }
    }
};

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TitelBarScaleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TitelBarScale_wtest.moc"
