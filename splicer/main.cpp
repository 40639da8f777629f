#include "window/Form1.h"
#include "window/QtMessageBoxes.h"
#include "window/SplicerLook.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("splicer"));
    // Lets the task bar match the window with the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavrel.splicer"));
    SplicerLook::apply(app);
    QtMessageBoxes messages;
    Form1 form(messages);
    form.show();
    return app.exec();
}
