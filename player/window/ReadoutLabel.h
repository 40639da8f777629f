#pragma once
// A label whose text changes on its own many times a second (a running time). A screen
// reader reads it as "<caption>, <text>" when asked, and is not told of every change.

#include <QLabel>

class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    ReadoutLabel(const QString& caption, const QString& text, QWidget* parent = nullptr);
};
