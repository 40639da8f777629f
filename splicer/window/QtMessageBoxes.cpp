#include "window/QtMessageBoxes.h"

#include <QMessageBox>

MessageBoxes::Answer QtMessageBoxes::show(QWidget* parent, const QString& text,
                                          const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(
        icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
        buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (buttons == Buttons::YesNo) {
        box.setDefaultButton(QMessageBox::Yes);
    }
    const int chosen = box.exec();
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    return chosen == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
