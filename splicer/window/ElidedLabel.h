#pragma once
// A one-line label that shortens a text too long for it in the middle, so that both the start
// of a path and its file name stay visible; text() keeps the whole text, the tool tip shows it.

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
