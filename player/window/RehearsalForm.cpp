#include "window/RehearsalForm.h"

#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"
#include "marks/HelpPanels.h"
#include "marks/MarkKeypad.h"
#include "window/MediaComponentView.h"
#include "window/ReadoutLabel.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Window geometry is laid out in twips; 15 twips make one logical pixel.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

QFont namedFont(const QString& family, double points, int weight = QFont::Normal) {
    QFont f(family);
    f.setPointSizeF(points);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setStyleHint(QFont::SansSerif);
    return f;
}

} // namespace

void RehearsalForm::setupForm(QMainWindow& window) {
    auto* central = new QWidget(&window);
    central->setObjectName(QStringLiteral("central"));
    window.setCentralWidget(central);

    auto makeTransport = [&](const char* name, const char* caption, const char* tip, int x) {
        auto* b = new QPushButton(QString::fromLatin1(caption), central);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(tip));
        b->setFont(namedFont(QStringLiteral("Arial Black"), 11, QFont::Black));
        b->setGeometry(px(60) + x, 7, 104, 38);
        b->setProperty("transport", true);
        return b;
    };
    cmdOpen = makeTransport("cmdOpen", "OPEN", "F1", 0);
    cmdPlay = makeTransport("cmdPlay", "PLAY", "F2", 112);
    cmdPause = makeTransport("cmdPause", "PAUSE", "F3", 224);
    cmdStop = makeTransport("cmdStop", "STOP", "F4", 336);

    cmdBogus = new QPushButton(central);
    cmdBogus->setObjectName(QStringLiteral("cmdBogus"));
    cmdBogus->setGeometry(px(60) + 450, 22, px(135), px(225));
    cmdBogus->setFlat(true);

    lblCount =
        new ReadoutLabel(QStringLiteral("Running time"), QStringLiteral("00:00:00"), central);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setFont(namedFont(QStringLiteral("Arial Rounded MT Bold"), 22, QFont::Bold));
    lblCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCount->setGeometry(px(60) + 500, 4, 232, 44);

    picMarker = new QFrame(central);
    picMarker->setObjectName(QStringLiteral("picMarker"));
    picMarker->setGeometry(px(60), px(780), px(11040), px(2685));

    lblColor = new QLabel(picMarker);
    lblColor->setObjectName(QStringLiteral("lblColor"));
    lblColor->setGeometry(0, 24, px(11040), 36);

    lblTitle = new QLabel(picMarker);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(namedFont(QStringLiteral("Arial"), 15, QFont::Bold));
    lblTitle->setGeometry(40, 26, px(11040) - 80, 32);
    lblTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblPosition = new QLabel(picMarker);
    lblPosition->setObjectName(QStringLiteral("lblPosition"));
    lblPosition->setAlignment(Qt::AlignCenter);
    lblPosition->setFont(namedFont(QStringLiteral("Arial"), 14.25));
    lblPosition->setGeometry(px(3540), px(1110), px(2925), px(330));
    lblPosition->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblNote = new QLabel(central);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setFont(namedFont(QStringLiteral("Arial"), 18, QFont::Bold));
    lblNote->setGeometry(px(60) + 3, px(780) + px(2685) + 6, px(10950), px(510));
    lblNote->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    lblNote->setIndent(10);

    fraMark = new QFrame(central);
    fraMark->setObjectName(QStringLiteral("fraMark"));
    fraMark->setGeometry(px(60), lblNote->geometry().bottom() + 7, px(11040), 264);
    keypad = new MarkKeypad(fraMark);
    keypad->setGeometry(8, 6, 3 * MarkKeypad::kButtonSize + 8, 4 * MarkKeypad::kButtonSize + 12);
    help = new HelpPanels(fraMark);
    help->move(keypad->geometry().right() + 12, 6);

    // The components' own controls sit below the keypad frame, so the strip's free height
    // belongs to the track's overview.
    WMP1View = new MediaComponentView(*WMP1, central);
    WMP1View->setObjectName(QStringLiteral("WMP1"));
    WMP1View->setGeometry(px(60) + 6, fraMark->geometry().bottom() + 7, px(11040) - 12, 42);
    mp1View = new MediaComponentView(*mp1, central);
    mp1View->setObjectName(QStringLiteral("mp1"));

    lblNoSound = new QLabel(QStringLiteral("No sound device found: playing silently"), &window);
    lblNoSound->setObjectName(QStringLiteral("lblNoSound"));
    // The status bar sets it flush against the window's edge: room for its last letter's tail.
    lblNoSound->setContentsMargins(0, 0, 8, 0);
    window.statusBar()->addPermanentWidget(lblNoSound);
    window.statusBar()->setSizeGripEnabled(false);
    lblNoSound->hide();

    central->setFixedSize(px(60) * 2 + px(11040), WMP1View->geometry().bottom() + 6);
    window.setStyleSheet(QStringLiteral(
        "#central { background: #f3f4f7; }"
        "QPushButton[transport=\"true\"] { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #ffffff, stop:1 #e3e6ec); border: 1px solid #9aa3b5; border-radius: 6px;"
        " color: #1f2a44; }"
        "QPushButton[transport=\"true\"]:hover { border-color: #3a6fc4; }"
        "QPushButton[transport=\"true\"]:pressed { background: #d5dae4; }"
        "QPushButton[transport=\"true\"]:focus { border: 2px solid #3a6fc4; }"
        "#cmdBogus { background: transparent; border: none; }"
        "#lblCount { color: #1f2a44; }"
        "#picMarker { background: #ffffff; border: 1px solid #b9c0cc; border-radius: 4px; }"
        "#lblColor { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #26304f,"
        " stop:0.5 #5a6e8c, stop:1 #26304f); border-radius: 3px; }"
        "#lblTitle { color: #ffffff; background: transparent; }"
        "#lblPosition { color: #26304f; background: transparent; }"
        "#lblNote { background: #e0e0e0; color: #1d1d1d; border: 1px solid #c4c4c4;"
        " border-radius: 4px; }"
        "#fraMark { background: #eceef2; border: 1px solid #c4c9d3; border-radius: 4px; }"
        "#lblNoSound { color: #6b7280; }"));

    cmdOpen->setAccessibleDescription(QStringLiteral("Opens a track (F1)"));
    cmdPlay->setAccessibleDescription(QStringLiteral("Plays the track (F2)"));
    cmdPause->setAccessibleDescription(QStringLiteral("Pauses the track (F3)"));
    cmdStop->setAccessibleDescription(QStringLiteral("Stops the track (F4)"));
    cmdBogus->setAccessibleName(QStringLiteral("Back to PLAY"));
    cmdBogus->setAccessibleDescription(QStringLiteral("Moves the focus to the PLAY button"));
    lblCount->setAccessibleDescription(QStringLiteral("Hours, minutes and seconds played"));
    picMarker->setAccessibleName(QStringLiteral("Mark strip"));
    picMarker->setAccessibleDescription(
        QStringLiteral("The track from start to end with a numbered line at each mark; each "
                       "keypad button tells where its mark lies"));
    lblTitle->setAccessibleDescription(QStringLiteral("Track"));
    lblPosition->setAccessibleDescription(QStringLiteral("Position of the mark gone to"));
    lblNote->setAccessibleDescription(QStringLiteral("Note of the mark"));
    keypad->setAccessibleName(QStringLiteral("Marks"));
    help->setAccessibleName(QStringLiteral("Help"));
    lblNoSound->setAccessibleDescription(QStringLiteral("Sound"));
    window.menuBar()->setAccessibleDescription(QStringLiteral("F10 opens it"));

    // mp1 lies exactly over WMP1: Top, Left, Height and Width copied in that order.
    QRect r = mp1View->geometry();
    r.moveTop(WMP1View->geometry().top());
    r.moveLeft(WMP1View->geometry().left());
    r.setHeight(WMP1View->geometry().height());
    r.setWidth(WMP1View->geometry().width());
    mp1View->setGeometry(r);
    WMP1View->show();
    mp1View->hide();
}

void RehearsalForm::orderFocus() {
    QList<QWidget*> chain{cmdOpen, cmdPlay, cmdPause, cmdStop, cmdBogus};
    for (int index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 11}) {
        chain << &keypad->cmdMark(index);
    }
    QList<QWidget*> tabs;
    for (QWidget* w : help->findChildren<QWidget*>()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            tabs << w;
        }
    }
    std::sort(tabs.begin(), tabs.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    chain << tabs;
    // The bar's controls in the order its rows lay them out, left to right, nested rows too
    // (its geometry is not known before the window is first shown).
    std::function<void(QWidget*)> inRowOrder = [&](QWidget* parent) {
        QLayout* row = parent->layout();
        for (int i = 0; row && i < row->count(); ++i) {
            if (QWidget* w = row->itemAt(i)->widget()) {
                if (w->focusPolicy() & Qt::TabFocus) {
                    chain << w;
                }
                inRowOrder(w);
            }
        }
    };
    inRowOrder(WMP1View);
    inRowOrder(mp1View);
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}
