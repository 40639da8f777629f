#pragma once
// What a screen reader is told of the title bar: the bar is a bar of buttons named by its caption
// (which it only paints), and each window button is a push button with a press action that
// does what a click on it does.

class QAccessibleInterface;
class QObject;
class QString;

class TitleBarAccessibleFactory {
public:
    // Once per program, before the bar is first asked about.
    static void install();
    static QAccessibleInterface* create(const QString& className, QObject* object);
};
