#include "window/SplicerLook.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

void SplicerLook::apply(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor window(238, 241, 246);
    const QColor text(29, 36, 51);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(244, 246, 250));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(228, 232, 240));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(58, 84, 140));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(38, 48, 79));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(130, 138, 155));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 155, 165));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(150, 155, 165));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 155, 165));
    app.setPalette(p);
}

const char* SplicerLook::styleSheet() {
    return R"(
#Form1 { background: rgb(238, 241, 246); border: 1px solid rgb(38, 48, 79); }
#heading { color: rgb(38, 48, 79); }
#Shape1 { background: rgb(90, 110, 140); border-radius: 3px; }
#Label1 { font-size: 20pt; font-weight: bold; color: rgb(38, 48, 79); }
QGroupBox { font-weight: bold; color: rgb(38, 48, 79); }
QGroupBox QLabel { font-weight: normal; color: rgb(29, 36, 51); }
QGroupBox #Label1 { font-weight: bold; color: rgb(38, 48, 79); }
QPushButton#cmdSplice {
    background: rgb(38, 48, 79); color: white; font-weight: bold; letter-spacing: 2px;
    border: 1px solid rgb(24, 30, 52); border-radius: 4px; padding: 6px 18px;
}
QPushButton#cmdSplice:hover { background: rgb(58, 72, 112); }
QPushButton#cmdSplice:pressed { background: rgb(24, 30, 52); }
QPushButton#cmdSplice:disabled { background: rgb(150, 158, 178); border-color: rgb(150, 158, 178); }
QProgressBar { border: 1px solid rgb(190, 198, 212); border-radius: 4px; background: white; }
QProgressBar::chunk { background: rgb(58, 84, 140); border-radius: 3px; }
)";
}
