// A frameless window carrying one title bar, for looking at the bar's styles and trying its
// buttons and dragging by hand or from end-to-end scripts.
//
//   titlebar_demo [--bar-style N] [--icon-style N] [--maximize] [--grab FILE]
//
// --grab renders the bar into FILE and exits instead of showing the window.

#include "titlebar/ButtonPictureList.h"
#include "titlebar/PropertyBag.h"
#include "titlebar/TitelBar.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {

QImage icon() {
    QImage img(20, 20, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/titlebar_demo/icon.svg"));
    QPainter p(&img);
    svg.render(&p);
    return img;
}

// The pictures on the two backgrounds they sit on: the light and the dark end of the bar.
bool saveSheet(const QString& file) {
    const ButtonPictureList lists[] = {ButtonPictureList(QStringLiteral("min")),
                                       ButtonPictureList(QStringLiteral("max")),
                                       ButtonPictureList(QStringLiteral("close"))};
    QImage sheet(3 * 3 * 24 + 8, 3 * 2 * 24 + 8, QImage::Format_RGB32);
    QPainter p(&sheet);
    for (int band = 0; band < 2; ++band) {
        for (int style = 0; style < 3; ++style) {
            const int y = 4 + (band * 3 + style) * 24;
            p.fillRect(0, y - 4, sheet.width(), 24,
                       band == 0 ? QColor(140, 155, 178) : QColor(50, 62, 95));
            for (int b = 0; b < 3; ++b) {
                for (int state = 1; state <= 3; ++state) {
                    p.drawImage(4 + (b * 3 + state - 1) * 24, y,
                                lists[b].picture(ButtonPictureList::index(style, state)));
                }
            }
        }
    }
    p.end();
    return sheet.scaled(sheet.size() * 3).save(file);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addOption({QStringLiteral("bar-style"), QStringLiteral("gradient style 0 to 14"),
                   QStringLiteral("N"), QStringLiteral("8")});
    cli.addOption({QStringLiteral("icon-style"), QStringLiteral("button pictures 0 to 2"),
                   QStringLiteral("N"), QStringLiteral("0")});
    cli.addOption({QStringLiteral("maximize"), QStringLiteral("show the maximise button")});
    cli.addOption({QStringLiteral("grab"), QStringLiteral("render the bar into FILE and exit"),
                   QStringLiteral("FILE")});
    cli.addOption({QStringLiteral("sheet"), QStringLiteral("draw all button pictures into FILE"),
                   QStringLiteral("FILE")});
    cli.process(app);
    if (cli.isSet(QStringLiteral("sheet"))) {
        return saveSheet(cli.value(QStringLiteral("sheet"))) ? 0 : 1;
    }
    const int style = cli.value(QStringLiteral("bar-style")).toInt();

    QWidget host;
    host.setWindowFlag(Qt::FramelessWindowHint);
    host.setWindowTitle(QStringLiteral("titlebar demo style %1").arg(style));
    host.resize(800, 140);
    host.setStyleSheet(QStringLiteral("background: #EEF1F5;"));

    auto* bar = new TitelBar(&host);
    bar->setObjectName(QStringLiteral("TB"));
    // The splicer window's own design, so the demo shows the bar as users see it.
    bar->ReadProperties(PropertyBag::fromText(QStringLiteral(
        "caption=Plemora\nbackcolor=&H004F3026\nbackcolorcover=6\nforecolor=&H00FFFFFF\n"
        "showmaximizedenabled=true\nbordernormal=2\n")));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(14.25);
    bar->setFont(font);
    bar->setPictureButton(icon());
    bar->setShowMaximized(cli.isSet(QStringLiteral("maximize")));
    bar->setIconStyle(std::uint8_t(cli.value(QStringLiteral("icon-style")).toInt()));
    bar->setStyle(std::int16_t(style));
    bar->setGeometry(0, 0, host.width(), 31);

    auto* body = new QLabel(QStringLiteral("Drag the bar to move the window."), &host);
    body->setStyleSheet(QStringLiteral("color: #3A4254; background: transparent;"));
    body->setGeometry(16, 50, 600, 30);

    if (cli.isSet(QStringLiteral("grab"))) {
        host.show();
        return bar->grab().save(cli.value(QStringLiteral("grab"))) ? 0 : 1;
    }
    host.show();
    return app.exec();
}
